#include "motion/AnimeSprite.h"

#include "motion/AnimeSlots.h"
#include "runtime/ErrorReport.h"

namespace keldo {

namespace {
// Answer for a lookup that has nothing to point at (no slots, or a first slot without
// frame records): a frame of zeros, never a read past an array.
const AnimeFrame kZeroFrame{};

size_t CountOrZero(int64_t n) { return static_cast<size_t>(n > 0 ? n : 0); }

// A lookup that misses falls back to the first frame record of the first slot.
const AnimeFrame& FallbackFrame(const std::vector<Anime>& animes) {
    if (animes.empty() || animes.front().Frames.empty()) {
        return kZeroFrame;
    }
    return animes.front().Frames.front();
}
}  // namespace

void AnimeSprite::LoadTex(const String& path) { Tex = Tex::LoadTexture(path); }

void AnimeSprite::Init(int64_t animeNum, double viewX, double viewY, double viewW, double viewH) {
    ViewX = viewX;
    ViewY = viewY;
    ViewW = viewW;
    ViewH = viewH;
    AnimeNum = animeNum;
    Animes.assign(CountOrZero(animeNum), Anime{});
}

void AnimeSprite::AddAnime(int64_t id, bool loop, int64_t frameNum) {
    anime::Place(Animes, AnimeNum, id, [&](Anime& slot) {
        slot.Loop = loop;
        slot.FrameNum = 0;
        slot.Frames.assign(CountOrZero(frameNum), AnimeFrame{});
    });
}

void AnimeSprite::AddAnimeFrame(int64_t id, double srcX, double srcY, double srcW, double srcH,
                                double angle, int64_t time) {
    Anime* slot = anime::SlotToFill(Animes, AnimeNum, id);
    if (slot == nullptr) {
        return;
    }
    // The frame count is fixed by AddAnime; a frame beyond it is reported and dropped
    // rather than growing the animation behind the caller's back.
    if (slot->FrameNum >= static_cast<int64_t>(slot->Frames.size())) {
        ReportError(JoinMessage(u"err07:AnimeFrame Over. ID:", id));
        return;
    }
    AnimeFrame& frame = slot->Frames[static_cast<size_t>(slot->FrameNum)];
    frame.SrcX = srcX;
    frame.SrcY = srcY;
    frame.SrcW = srcW;
    frame.SrcH = srcH;
    frame.Angle = angle;
    frame.Time = time;
    slot->TotalTime += time;
    ++slot->FrameNum;
}

const AnimeFrame& AnimeSprite::GetFrameAt(int64_t id, int64_t time) {
    const Anime* slot = nullptr;
    for (const Anime& a : Animes) {
        if (a.Id == id && a.FrameNum > 0) {
            slot = &a;
            break;
        }
    }
    if (slot == nullptr) {
        ReportError(u"err05:AnimeID Not Found.");
        return FallbackFrame(Animes);
    }
    // A looping animation without any time to loop over cannot wrap (that would divide by
    // zero); it plays as a non-looping one.
    const bool wraps = slot->Loop && slot->TotalTime > 0;
    for (int64_t k = 0; k < slot->FrameNum; ++k) {
        if (wraps) {
            time %= slot->TotalTime;
        }
        const AnimeFrame& frame = slot->Frames[static_cast<size_t>(k)];
        if (time < frame.Time || k == slot->FrameNum - 1) {
            return frame;
        }
        time -= frame.Time;
    }
    return FallbackFrame(Animes);
}

const AnimeFrame& AnimeSprite::GetFrame(int64_t id, int64_t index) {
    const Anime* slot = anime::FindFirst(Animes, id);
    if (slot == nullptr) {
        ReportError(u"err06:AnimeID Not Found.");
        return FallbackFrame(Animes);
    }
    // Only defined frames are handed out; any other index is reported and answered with
    // a frame of zeros.
    if (index < 0 || index >= slot->FrameNum) {
        ReportError(JoinMessage(u"err08:AnimeFrame Index Over. ID:", id, u" Index:", index));
        return kZeroFrame;
    }
    return slot->Frames[static_cast<size_t>(index)];
}

void AnimeSprite::Draw(int64_t id, int64_t time, double x, double y, double halfW, double halfH,
                       double angle, double alpha, double viewX, double viewY) {
    ViewX = viewX;
    ViewY = viewY;
    if (!anime::InView(x, y, halfW, halfH, ViewX, ViewY, ViewW, ViewH)) {
        return;
    }
    CurFrame = GetFrameAt(id, time);
    if (!Tex) {
        return;
    }
    Tex->DrawRot(CurFrame.SrcX, CurFrame.SrcY, CurFrame.SrcW, CurFrame.SrcH, x - halfW - ViewX,
                 y - halfH - ViewY, halfW * 2.0, halfH * 2.0, halfW, halfH, CurFrame.Angle + angle,
                 1.0, 1.0, 1.0, alpha);
}

int64_t AnimeSprite::GetTotalTime(int64_t id) const {
    const Anime* slot = anime::FindFirst(Animes, id);
    return slot == nullptr ? 0 : slot->TotalTime;
}

}  // namespace keldo
