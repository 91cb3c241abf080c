#include "motion/TexAnimeSet.h"

#include "motion/AnimeSlots.h"

namespace keldo {

void TexAnimeSet::LoadTex(const String& path, double srcX, double srcY, double srcW, double srcH) {
    Tex = Tex::LoadTexture(path);
    SrcX = srcX;
    SrcY = srcY;
    SrcW = srcW;
    SrcH = srcH;
}

void TexAnimeSet::SetView(double viewX, double viewY, double viewW, double viewH) {
    ViewX = viewX;
    ViewY = viewY;
    ViewW = viewW;
    ViewH = viewH;
}

void TexAnimeSet::Draw(int64_t id, int64_t frame, double x, double y, double halfW, double halfH,
                       double angle, double alpha, double viewX, double viewY) {
    ViewX = viewX;
    ViewY = viewY;
    if (!anime::InView(x, y, halfW, halfH, ViewX, ViewY, ViewW, ViewH)) {
        return;
    }
    CurAnime = &GetAnime(id);
    // A track without poses has nothing to show. Past the end the last pose is held
    // (there is no looping); a counter below zero shows the first pose.
    if (CurAnime->FrameNum < 1 || !Tex) {
        return;
    }
    if (frame > CurAnime->FrameNum - 1) {
        frame = CurAnime->FrameNum - 1;
    }
    if (frame < 0) {
        frame = 0;
    }
    const AnimePose& p = CurAnime->Frames[static_cast<size_t>(frame)];
    Tex->DrawRot(SrcX, SrcY, SrcW, SrcH, x - ViewX + p.OffsetX, y - ViewY + p.OffsetY, halfW * 2.0,
                 halfH * 2.0, p.CenterX, p.CenterY, p.Angle + angle, 1.0, 1.0, 1.0, alpha);
}

}  // namespace keldo
