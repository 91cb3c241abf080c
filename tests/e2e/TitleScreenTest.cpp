// The title screen as the player sees it: what it draws, and how Space leaves it.
#include <gtest/gtest.h>

#include "GameRun.h"

namespace keldo::e2e {
namespace {

// The draw line of one glyph of the shared font.
std::string Glyph(char c, double x, double y, double w, double h) {
    const int code = static_cast<unsigned char>(c);
    auto num = [](double v) {
        std::string s = std::to_string(v);
        s.erase(s.find_last_not_of('0') + 1);
        if (s.back() == '.') s.pop_back();
        return s;
    };
    return "draw font_128_64.vstex " + num(64.0 * ((code - 32) % 16)) + " " +
           num(128.0 * ((code - 32) / 16)) + " 64 128 " + num(x) + " " + num(y) + " " + num(w) +
           " " + num(h) + " 1 1 1 1";
}

bool DrawsTitle(const GameResult& r, size_t frame) {
    return r.FrameHas(frame, "draw title.vstex 0 0 600 160 200 200 1200 320 1 1 1 1");
}

TEST(TitleScreen, DrawsTheTitleTheCreditsAndTheVersion) {
    GameRun run;
    run.Env["TOLVEX_FRAMES"] = "2";
    const GameResult r = run.Run();
    ASSERT_EQ(r.ExitCode, 0) << r.Stderr;
    ASSERT_GE(r.Frames.size(), 2u);
    const auto& f0 = r.Frames[0];
    ASSERT_GE(f0.size(), 2u);
    EXPECT_EQ(f0[0], "load_tex font_128_64.vstex");
    EXPECT_EQ(f0[1], "load_tex title.vstex");
    for (size_t f : {0u, 1u}) {
        EXPECT_TRUE(DrawsTitle(r, f)) << f;
        EXPECT_TRUE(r.FrameHas(f, Glyph('C', 900, 720, 25, 50))) << f;
        EXPECT_TRUE(r.FrameHas(f, Glyph('G', 775, 770, 25, 50))) << f;
        EXPECT_TRUE(r.FrameHas(f, Glyph('P', 800, 820, 25, 50))) << f;
        EXPECT_TRUE(r.FrameHas(f, Glyph('v', 800, 600, 25, 50))) << f;
        EXPECT_TRUE(r.FrameHas(f, Glyph('2', 950, 600, 25, 50))) << f;
        // Three credit lines, the version and the picture; nothing else.
        EXPECT_EQ(r.CountInFrame(f, "draw "), 27 + 28 + 27 + 7 + 1) << f;
    }
}

TEST(TitleScreen, HoldingSpaceStaysReleasingItLeavesOnThatFrame) {
    GameRun run;
    run.Script = "5 0\n20\n";
    run.Env["TOLVEX_FRAMES"] = "22";
    const GameResult r = run.Run();
    ASSERT_EQ(r.ExitCode, 0) << r.Stderr;
    ASSERT_GE(r.Frames.size(), 22u);
    for (size_t f = 0; f <= 20; ++f) {
        EXPECT_TRUE(DrawsTitle(r, f)) << f;
        EXPECT_EQ(r.CountInFrame(f, "load_tex ground.vstex"), f == 20 ? 1 : 0) << f;
    }
    EXPECT_FALSE(DrawsTitle(r, 21));
}

TEST(TitleScreen, OtherButtonsDoNothing) {
    GameRun run;
    run.Script = "2 1 2 3 4 5 12 13 14 15\n10\n12 2\n14\n";
    run.Env["TOLVEX_FRAMES"] = "20";
    const GameResult r = run.Run();
    ASSERT_EQ(r.ExitCode, 0) << r.Stderr;
    ASSERT_EQ(r.Frames.size(), 21u);
    for (size_t f = 0; f < 20; ++f) {  // the last frame ends at its start
        EXPECT_TRUE(DrawsTitle(r, f)) << f;
    }
}

}  // namespace
}  // namespace keldo::e2e
