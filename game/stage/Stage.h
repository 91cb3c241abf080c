// The scenery behind the action: a distant view fixed to the screen, an endless ground of
// repeated tiles and trees scattered over the world, each with a parallax factor.
#pragma once

#include <cstdint>
#include <vector>

#include "motion/AnimeSprite.h"
#include "motion/Vec.h"

namespace keldo {

class Stage {
public:
    Stage() = default;
    Stage(const Stage&) = delete;
    Stage& operator=(const Stage&) = delete;

    void Init();
    void LoadSprites(double x, double y, double w, double h);
    void Scroll(double dx, double dy);
    void Draw(double camX, double camY);

    // Bottom-right corner of tree i.
    const Vec& GetWoodPos(int64_t i) const { return WoodPos[i]; }

private:
    AnimeSprite GroundSprite;
    Vec GroundPos;
    Vec GroundHalf;
    AnimeSprite DistantSprite;
    Vec DistantHalf;
    double ParallaxDepth = 0.0;
    AnimeSprite WoodSprite;
    int64_t WoodNum = 0;
    std::vector<Vec> WoodPos;
    std::vector<Vec> WoodHalf;
    std::vector<double> WoodDepth;
    std::vector<double> WoodFactor;
    std::vector<int64_t> WoodAnime;
};

}  // namespace keldo
