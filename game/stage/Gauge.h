// A bar inside a frame, fixed to the screen, whose length follows a value from 0 to a
// maximum; the bar shrinks toward its centre.
#pragma once

#include <cstdint>

#include "motion/AnimeSprite.h"
#include "motion/Vec.h"
#include "runtime/RtString.h"

namespace keldo {

class Gauge {
public:
    Gauge() = default;
    Gauge(const Gauge&) = delete;
    Gauge& operator=(const Gauge&) = delete;

    void Init(double halfW, double halfH, double x, double y, int64_t max);
    void Load(double x, double y, double w, double h, const String& barFile);
    void Draw(double camX, double camY, int64_t value);

private:
    AnimeSprite BarSprite;
    AnimeSprite FrameSprite;
    int64_t BarAnime = 100;
    int64_t FrameAnime = 100;
    Vec Half;
    Vec Pos;
    int64_t Max = 0;
    double BarScale = 0.0;
};

}  // namespace keldo
