#include "stage/Gauge.h"

#include "motion/SpriteCells.h"

namespace keldo {

void Gauge::Init(double halfW, double halfH, double x, double y, int64_t max) {
    Half.Set(halfW, halfH);
    Pos.Set(x, y);
    Max = max;
    BarScale = halfW / static_cast<double>(max);
}

void Gauge::Load(double x, double y, double w, double h, const String& barFile) {
    // The bar declares two frames but fills only the first: the gauge is always drawn at
    // time 0, so the second one never shows.
    LoadSpriteCells(BarSprite, barFile, {{BarAnime, true, {{0, 0, 32, 32, 15}}, 2}}, x, y, w, h);
    LoadSpriteCells(FrameSprite, u"gauge.vstex", {{FrameAnime, true, {{0, 0, 256, 32, 15}}}}, x, y,
                    w, h);
}

void Gauge::Draw(double camX, double camY, int64_t value) {
    // The sprites place things in the world; adding the camera keeps the gauge still on
    // the screen.
    const double x = camX + Pos.GetX();
    const double y = camY + Pos.GetY();
    BarSprite.Draw(BarAnime, 0, x, y, BarScale * static_cast<double>(value), Half.GetY(), 0.0, 1.0,
                   camX, camY);
    FrameSprite.Draw(FrameAnime, 0, x, y, Half.GetX(), Half.GetY(), 0.0, 1.0, camX, camY);
}

}  // namespace keldo
