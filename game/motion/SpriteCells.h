// Sets up an AnimeSprite from a table of animations and their cells, so that each
// picture's layout reads as data where it is loaded.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "motion/AnimeSprite.h"
#include "runtime/RtString.h"

namespace keldo {

struct SpriteCell {
    double X, Y, W, H;  // a negative width draws the cell mirrored
    int64_t Time;
};

struct SpriteAnime {
    int64_t Id;
    bool Loop;
    std::initializer_list<SpriteCell> Cells;
    int64_t Declared = 0;  // frames to declare when more than the cells given
};

inline void LoadSpriteCells(AnimeSprite& sprite, const String& file,
                            std::initializer_list<SpriteAnime> animes, double x, double y, double w,
                            double h) {
    sprite.LoadTex(file);
    sprite.Init(static_cast<int64_t>(animes.size()), x, y, w, h);
    for (const SpriteAnime& a : animes) {
        const auto given = static_cast<int64_t>(a.Cells.size());
        sprite.AddAnime(a.Id, a.Loop, a.Declared > given ? a.Declared : given);
        for (const SpriteCell& c : a.Cells) {
            sprite.AddAnimeFrame(a.Id, c.X, c.Y, c.W, c.H, 0.0, c.Time);
        }
    }
}

}  // namespace keldo
