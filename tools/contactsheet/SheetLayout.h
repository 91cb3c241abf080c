// What the contact sheet shows, worked out without a screen: every picture is drawn by
// the game's own objects (the hero, the rocks, the stage, the bitmap font, the two
// scenes) into the recording runtime, and each recorded draw is moved to its place on
// the sheet. The sheet cannot show a cell or a pose the game does not have: it has no
// tables of its own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "player/Player.h"
#include "present/BitmapText.h"
#include "stage/EnemyGroup.h"
#include "stage/Stage.h"
#include "support/FakeRuntime.h"

namespace sheet {

constexpr int kSheetW = 1600;

struct Rgba {
    uint8_t R, G, B, A;
};

// One step of painting the sheet.
struct Op {
    enum class Kind { Fill, Clip, NoClip, Picture };
    Kind What = Kind::NoClip;
    int X = 0;  // Fill and Clip: a rectangle
    int Y = 0;
    int W = 0;
    int H = 0;
    Rgba Colour{0, 0, 0, 255};
    keldo::test::DrawCall Draw;  // Picture: a draw as the game made it ...
    double DX = 0.0;             // ... moved by (DX, DY)
    double DY = 0.0;
};

// The game's objects whose pictures the sheet shows, loaded the way the game scene loads
// them, for a 1600 x 900 view.
struct Cast {
    keldo::Player Hero;
    keldo::EnemyGroup Rocks;
    keldo::Stage Scenery;
    keldo::BitmapText Font;

    // Needs the recording runtime installed.
    void Load();
};

struct Layout {
    std::vector<Op> Ops;
    int Height = 0;
};

// Lays the whole sheet out from the cast; the two scene pictures (a frame of a game and
// the title screen) come from running the game's scenes themselves. Needs the recording
// runtime installed, and the game's floating-point mode for the same poses as in play.
Layout LayOut(Cast& cast);

}  // namespace sheet
