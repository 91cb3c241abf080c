// The game scene seen through the trace: the opening message, spawning, the hero's
// moves and the camera, the sword combo, and reproducibility.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "GameRun.h"

namespace keldo::e2e {
namespace {

struct Sprite {
    double X = 0.0;  // centre on the screen
    double Y = 0.0;
};

std::vector<Sprite> Sprites(const GameResult& r, size_t frame, const std::string& tex) {
    std::vector<Sprite> out;
    if (frame >= r.Frames.size()) return out;
    for (const auto& line : r.Frames[frame]) {
        const auto f = Fields(line);
        if (f.size() >= 10 && f[0] == "draw_rot" && f[1] == tex) {
            out.push_back(
                {std::stod(f[6]) + std::stod(f[8]) / 2, std::stod(f[7]) + std::stod(f[9]) / 2});
        }
    }
    return out;
}

// The frame in which the game scene was set up (and ran its first frame).
size_t GameStart(const GameResult& r) {
    for (size_t f = 0; f < r.Frames.size(); ++f) {
        if (r.CountInFrame(f, "load_tex ground.vstex") > 0) return f;
    }
    return SIZE_MAX;
}

// Glyphs of the shared font drawn in cells w x h with their top at y.
int GlyphsAt(const GameResult& r, size_t frame, int y, int w, int h) {
    int n = 0;
    for (const auto& line : r.Frames[frame]) {
        const auto f = Fields(line);
        if (f.size() >= 10 && f[0] == "draw" && f[1] == "font_128_64.vstex" &&
            f[7] == std::to_string(y) && f[8] == std::to_string(w) && f[9] == std::to_string(h)) {
            ++n;
        }
    }
    return n;
}

TEST(GameScene, StartIsShownOnExactlyTheFirstSixtyFrames) {
    GameRun run;
    run.Script = "2 0\n4\n";
    run.Env["TOLVEX_FRAMES"] = "80";
    const GameResult r = run.Run();
    ASSERT_EQ(r.ExitCode, 0) << r.Stderr;
    const size_t g = GameStart(r);
    ASSERT_EQ(g, 4u);
    for (size_t i = 0; i < 70; ++i) {
        EXPECT_EQ(GlyphsAt(r, g + i, 200, 100, 200), i < 60 ? 7 : 0) << "game frame " << i + 1;
    }
}

TEST(GameScene, AnEnemyComesEvery122FramesAndASeventhFindsNoSlot) {
    // The hero waits on the bottom line, where no rock is sent and none comes to touch it,
    // so nobody dies and the camera stays put.
    GameRun run;
    run.Script = "2 0\n4\n50 15\n52\n";
    run.Env["TOLVEX_SEED"] = "5";
    run.Env["TOLVEX_FRAMES"] = std::to_string(4 + 122 * 8 + 10);
    const GameResult r = run.Run();
    ASSERT_EQ(r.ExitCode, 0) << r.Stderr;
    const size_t g = GameStart(r);
    // A rock is at (1000, 403) only in the frame it dropped out of the hole.
    std::set<size_t> spawned;
    size_t most = 0;
    for (size_t f = g; f + 1 < r.Frames.size(); ++f) {
        const auto rocks = Sprites(r, f, "rock_enemy.vstex");
        most = std::max(most, rocks.size());
        for (const auto& s : rocks) {
            if (s.Y == 403 && s.X == 1000) spawned.insert(f - g + 1);
        }
    }
    EXPECT_EQ(spawned, (std::set<size_t>{122, 244, 366, 488, 610, 732}));
    EXPECT_EQ(most, 6u);
}

TEST(GameScene, TheHeroFallsRunsHopsChangesLinesAndTheCameraFollows) {
    GameRun run;
    // Game frame i is trace frame 3 + i. Run right from 41 to 150, hop at 200, line up at 260.
    run.Script = "2 0\n4\n44 13\n154\n203 0\n204\n263 14\n264\n";
    run.Env["TOLVEX_FRAMES"] = "330";
    const GameResult r = run.Run();
    ASSERT_EQ(r.ExitCode, 0) << r.Stderr;
    const size_t g = GameStart(r);
    ASSERT_EQ(g, 4u);
    auto hero = [&](size_t i) {
        const auto s = Sprites(r, g + i - 1, "velquint256.vstex");
        EXPECT_EQ(s.size(), 1u) << "game frame " << i;
        return s.empty() ? Sprite{} : s[0];
    };
    auto hole = [&](size_t i) { return Sprites(r, g + i - 1, "generate_hole.vstex"); };
    // Falls from the top and lands on its line in its 27th frame.
    EXPECT_LT(hero(26).Y, 700);
    EXPECT_EQ(hero(27).Y, 700);
    EXPECT_EQ(hero(27).X, 700);
    // Running right: 10 pixels a frame until it is 1100 pixels from the left edge, where the
    // camera takes over and the world (the spawn hole) slides left instead.
    EXPECT_EQ(hero(45).X, 750);
    double lastX = 0;
    for (size_t i = 41; i <= 150; ++i) {
        EXPECT_LE(hero(i).X, 1100) << i;
        lastX = hero(i).X;
    }
    EXPECT_EQ(lastX, 1100);
    EXPECT_TRUE(hole(150).empty() || hole(150)[0].X < 1000);
    const double standX = hero(160).X;
    EXPECT_EQ(hero(190).X, standX);
    // The hop: up and back 168 pixels, on the ground again after 14 frames.
    EXPECT_LT(hero(205).Y, 700);
    EXPECT_EQ(hero(200 + 14).Y, 700);
    EXPECT_EQ(hero(200 + 14).X, standX - 168);
    // One line up at 5 pixels a frame: on the new line after 20 frames, settled in the 21st.
    EXPECT_EQ(hero(260).Y, 695);
    EXPECT_EQ(hero(260 + 18).Y, 605);
    EXPECT_EQ(hero(260 + 19).Y, 600);
    EXPECT_EQ(hero(260 + 20).Y, 600);
    EXPECT_EQ(hero(300).Y, 600);
}

TEST(GameScene, RunningLeftTheCameraKeepsTheHero500PixelsFromTheLeftEdge) {
    GameRun run;
    run.Script = "2 0\n4\n44 12\n";  // run left from game frame 41 on
    run.Env["TOLVEX_FRAMES"] = "120";
    const GameResult r = run.Run();
    ASSERT_EQ(r.ExitCode, 0) << r.Stderr;
    const size_t g = GameStart(r);
    double lowest = 1e9;
    for (size_t i = 41; i <= 110; ++i) {
        const auto hero = Sprites(r, g + i - 1, "velquint256.vstex");
        ASSERT_EQ(hero.size(), 1u) << i;
        lowest = std::min(lowest, hero[0].X);
    }
    EXPECT_EQ(lowest, 500);
    EXPECT_EQ(Sprites(r, g + 109, "velquint256.vstex")[0].X, 500);
    // The world slides right under it: after 70 frames (700 pixels, 200 of them before the
    // camera had to follow) the spawn hole is 500 pixels further right on the screen.
    const auto hole = Sprites(r, g + 109, "generate_hole.vstex");
    ASSERT_EQ(hole.size(), 1u);
    EXPECT_EQ(hole[0].X, 1000 + (10 * 70 - 200));
}

TEST(GameScene, ASecondPressInTheHitWindowChainsTheCombo) {
    GameRun run;
    // Attack in game frame 40, press again 25 frames later (inside the hit window).
    run.Script = "2 0\n4\n43 2\n44\n68 2\n69\n";
    run.Env["TOLVEX_FRAMES"] = "160";
    const GameResult r = run.Run();
    ASSERT_EQ(r.ExitCode, 0) << r.Stderr;
    const size_t g = GameStart(r);
    int swings = 0;
    int swordFrames = 0;
    for (size_t f = g; f < r.Frames.size(); ++f) {
        swings += r.CountInFrame(f, "play tm2_swing004.ogg");
        swordFrames += Sprites(r, f, "sword_512_128.vstex").empty() ? 0 : 1;
    }
    EXPECT_EQ(swings, 1);
    // The first stage up to the chain (25 frames) and the whole second stage after it.
    EXPECT_GE(swordFrames, 25 + 38);
    EXPECT_TRUE(r.FrameHas(g, "volume tm2_swing004.ogg 0.5"));
}

TEST(GameScene, TheSameSeedAndInputGiveTheSameTrace) {
    std::string script = "2 0\n4\n";
    // A busy few thousand frames: running both ways, hops, line changes and attacks.
    const int buttons[] = {13, 2, 12, 2, 0, 14, 2, 15, 13, 2};
    for (int k = 0; k < 120; ++k) {
        script += std::to_string(10 + k * 25) + " " + std::to_string(buttons[k % 10]) + "\n";
        script += std::to_string(10 + k * 25 + 3) + "\n";
    }
    GameRun run;
    run.Script = script;
    run.Env["TOLVEX_SEED"] = "99";
    run.Env["TOLVEX_FRAMES"] = "3200";
    const GameResult a = run.Run();
    const GameResult b = run.Run();
    ASSERT_EQ(a.ExitCode, 0) << a.Stderr;
    ASSERT_EQ(a.Frames.size(), 3201u);
    EXPECT_TRUE(a.TraceText() == b.TraceText());
}

}  // namespace
}  // namespace keldo::e2e
