#include "stage/Stage.h"

#include "motion/MathHelpers.h"
#include "motion/SpriteCells.h"
#include "runtime/RuntimeTable.h"

namespace keldo {

namespace {

constexpr int64_t kSceneAnime = 100;
constexpr int64_t kTileReach = 2;  // tiles drawn on each side of the one under the camera

}  // namespace

void Stage::Init() {
    GroundPos.Set(1000.0, 650.0);
    GroundHalf.Set(1000.0, 250.0);
    DistantHalf.Set(800.0, 200.0);
    ParallaxDepth = 500.0;
    WoodNum = 60;
    const auto n = static_cast<size_t>(WoodNum);
    WoodPos.assign(n, Vec{});
    WoodHalf.assign(n, Vec{});
    WoodDepth.assign(n, 0.0);
    WoodFactor.assign(n, 0.0);
    WoodAnime.assign(n, 0);
    // One tree at a time, its random numbers always in the same order, so that a given
    // random sequence always grows the same forest.
    for (size_t i = 0; i < n; ++i) {
        WoodPos[i].Set(static_cast<double>(Rnd(0, 20000)), 450.0);
        const auto halfW = static_cast<double>(Rnd(100, 200));
        const auto halfH = static_cast<double>(Rnd(200, 400));
        WoodHalf[i].Set(halfW, halfH);
        WoodDepth[i] = static_cast<double>(i) * 10.0;
        WoodFactor[i] = WoodDepth[i] / ParallaxDepth;
        WoodAnime[i] = Rnd(1, 4) * 100;
    }
}

void Stage::LoadSprites(double x, double y, double w, double h) {
    LoadSpriteCells(GroundSprite, u"ground.vstex", {{kSceneAnime, false, {{0, 0, 512, 256, 1}}}}, x,
                    y, w, h);
    LoadSpriteCells(DistantSprite, u"distant_view.vstex",
                    {{kSceneAnime, false, {{0, 0, 512, 256, 1}}}}, x, y, w, h);
    LoadSpriteCells(WoodSprite, u"wood.vstex",
                    {
                        {100, false, {{0, 0, 256, 512, 1}}},
                        {200, true, {{256, 0, 256, 512, 1}}},
                        {300, true, {{512, 0, 256, 512, 1}}},
                        {400, true, {{768, 0, 256, 512, 1}}},
                    },
                    x, y, w, h);
}

void Stage::Scroll(double dx, double dy) {
    for (size_t i = 0; i < WoodPos.size(); ++i) {
        WoodPos[i].Add(dx * WoodFactor[i], dy * WoodFactor[i]);
    }
}

void Stage::Draw(double camX, double camY) {
    DistantSprite.Draw(kSceneAnime, 0, camX + DistantHalf.GetX(), camY + DistantHalf.GetY(),
                       DistantHalf.GetX(), DistantHalf.GetY(), 0.0, 1.0, camX, camY);

    // Tiles sit on a fixed grid in the world, so the ground scrolls with the camera.
    const double tileW = 2.0 * GroundHalf.GetX();
    GroundPos.SetX(camX - Rt().Mod(camX, tileW));
    for (int64_t k = -kTileReach; k <= kTileReach; ++k) {
        GroundSprite.Draw(kSceneAnime, 0, GroundPos.GetX() + static_cast<double>(k) * tileW,
                          GroundPos.GetY(), GroundHalf.GetX(), GroundHalf.GetY(), 0.0, 1.0, camX,
                          camY);
    }

    for (size_t i = 0; i < WoodPos.size(); ++i) {
        const Vec& pos = WoodPos[i];
        const Vec& half = WoodHalf[i];
        WoodSprite.Draw(WoodAnime[i], 0, pos.GetX() - half.GetX(), pos.GetY() - half.GetY(),
                        half.GetX(), half.GetY(), 0.0, 1.0, camX, camY);
    }
}

}  // namespace keldo
