#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "stage/Gauge.h"
#include "stage/ScoreBoard.h"
#include "support/FakeRuntime.h"
#include "unit/stage/EnemyFixture.h"

namespace keldo {
namespace {

using test::DrawsOf;

// The text of the glyphs drawn on one row, read back from their font cells.
std::string TextOnRow(const test::FakeRuntime& rt, double y) {
    std::string out;
    for (const auto& d : DrawsOf(rt, "font_128_64.vstex")) {
        if (d.Args[5] == y) {
            out.push_back(static_cast<char>(32 + d.Args[0] / 64 + 16 * (d.Args[1] / 128)));
        }
    }
    return out;
}

std::vector<double> FirstGlyphOnRow(const test::FakeRuntime& rt, double y) {
    for (const auto& d : DrawsOf(rt, "font_128_64.vstex")) {
        if (d.Args[5] == y) {
            return d.Args;
        }
    }
    return {};
}

void SetUpBoard(ScoreBoard& b) {
    b.Init();
    b.Load(0, 0, 1600, 900);
}

// A sword hit worth 10 as the game scene scores it: the combo first, then its multiple.
void Hit(ScoreBoard& b) {
    b.AddCombo();
    b.AddScore(10 * b.GetCombo());
}

TEST(Gauge, BarFollowsTheValueAndStaysOnTheScreen) {
    struct Case {
        double camX, camY;
        int64_t value;
    };
    const Case cases[] = {{0, 0, 180}, {0, 0, 90}, {0, 0, 0}, {4500, 0, 90}, {-300, 20, 45}};
    for (const Case& c : cases) {
        test::FakeRuntime rt;
        Gauge g;
        g.Init(180.0, 20.0, 220.0, 240.0, 180);
        g.Load(0, 0, 1600, 900, u"combo.vstex");
        rt.Draws.clear();
        g.Draw(c.camX, c.camY, c.value);
        SCOPED_TRACE(c.value);
        ASSERT_EQ(rt.Draws.size(), 2u);
        const auto v = static_cast<double>(c.value);
        EXPECT_EQ(rt.Draws[0].Tex, "combo.vstex");
        EXPECT_EQ(rt.Draws[0].Args, (std::vector<double>{0, 0, 32, 32, 220 - v, 220, 2 * v, 40, v,
                                                         20, 0, 1, 1, 1, 1}));
        EXPECT_EQ(rt.Draws[1].Tex, "gauge.vstex");
        EXPECT_EQ(rt.Draws[1].Args,
                  (std::vector<double>{0, 0, 256, 32, 40, 220, 360, 40, 180, 20, 0, 1, 1, 1, 1}));
    }
}

TEST(ScoreBoard, HitsBuildTheComboAndScoreWithIt) {
    test::FakeRuntime rt;
    ScoreBoard b;
    SetUpBoard(b);
    for (int k = 0; k < 3; ++k) {
        Hit(b);
    }
    EXPECT_EQ(b.GetCombo(), 3);
    EXPECT_EQ(b.GetScore(), 60);
    b.SetCombo(0);  // a touch
    Hit(b);
    EXPECT_EQ(b.GetScore(), 70);
}

TEST(ScoreBoard, DrawLaysOutComboGaugeAndScoreLines) {
    test::FakeRuntime rt;
    ScoreBoard b;
    SetUpBoard(b);
    for (int k = 0; k < 3; ++k) {
        Hit(b);
    }
    b.Tick();
    rt.Draws.clear();
    b.Draw(3000, 0);

    ASSERT_EQ(rt.Draws.size(), 2u + 6 + 1 + 18 + 20);
    EXPECT_EQ(rt.Draws[0].Tex, "combo.vstex");
    EXPECT_EQ(rt.Draws[0].Args,
              (std::vector<double>{0, 0, 32, 32, 41, 220, 358, 40, 179, 20, 0, 1, 1, 1, 1}));
    EXPECT_EQ(rt.Draws[1].Tex, "gauge.vstex");
    EXPECT_EQ(TextOnRow(rt, 160), "COMBO!");
    EXPECT_EQ(TextOnRow(rt, 50), "3");
    EXPECT_EQ(TextOnRow(rt, 90), "SCORE:000000000060");
    EXPECT_EQ(TextOnRow(rt, 30), "HISCORE:000000000060");
    const std::vector<double> tail = {1, 1, 1, 1};
    auto glyph = [&](double sx, double sy, double x, double y, double w, double h) {
        std::vector<double> a = {sx, sy, 64, 128, x, y, w, h};
        a.insert(a.end(), tail.begin(), tail.end());
        return a;
    };
    EXPECT_EQ(FirstGlyphOnRow(rt, 160), glyph(192, 256, 120, 160, 50, 100));  // 'C'
    EXPECT_EQ(FirstGlyphOnRow(rt, 50), glyph(192, 128, 50, 50, 75, 150));     // '3'
    EXPECT_EQ(FirstGlyphOnRow(rt, 90), glyph(192, 384, 1010, 90, 30, 60));    // 'S'
    EXPECT_EQ(FirstGlyphOnRow(rt, 30), glyph(512, 256, 950, 30, 30, 60));     // 'H'
    // Both score lines end at the same x.
    EXPECT_EQ(rt.Draws[2 + 6 + 1 + 17].Args[4] + 30, 1550.0);
    EXPECT_EQ(rt.Draws.back().Args[4] + 30, 1550.0);
}

TEST(ScoreBoard, ComboBreaksOnThe181stTick) {
    test::FakeRuntime rt;
    ScoreBoard b;
    SetUpBoard(b);
    b.AddCombo();
    for (int k = 0; k < 180; ++k) {
        b.Tick();
    }
    EXPECT_EQ(b.GetCombo(), 1);
    rt.Draws.clear();
    b.Draw(0, 0);
    EXPECT_EQ(TextOnRow(rt, 50), "1");
    EXPECT_EQ(rt.Draws[0].Args[6], 0.0) << "no combo time left";

    b.Tick();
    EXPECT_EQ(b.GetCombo(), 0);
    rt.Draws.clear();
    b.Draw(0, 0);
    EXPECT_EQ(rt.Draws.size(), 18u + 20) << "only the score lines";
    for (const auto& d : rt.Draws) {
        EXPECT_FALSE(d.Rotated);
    }
    EXPECT_EQ(TextOnRow(rt, 90), "SCORE:000000000000");
    EXPECT_EQ(TextOnRow(rt, 30), "HISCORE:000000000000");

    b.AddCombo();  // a new hit restores the full time
    for (int k = 0; k < 180; ++k) {
        b.Tick();
    }
    EXPECT_EQ(b.GetCombo(), 1);
}

TEST(ScoreBoard, HighScoreIsCarriedInAndFollowsTheScoreOncePassed) {
    test::FakeRuntime rt;
    ScoreBoard b;
    SetUpBoard(b);
    struct Step {
        int64_t setHi, add;  // -1: not called
        int64_t score, hi;
        const char* hiLine;
    };
    const Step steps[] = {
        {500, -1, 0, 500, "HISCORE:000000000500"},   {-1, 200, 200, 500, "HISCORE:000000000500"},
        {-1, 300, 500, 500, "HISCORE:000000000500"},  // equal is not better
        {-1, 1, 501, 501, "HISCORE:000000000501"},   {-1, 1234, 1735, 1735, "HISCORE:000000001735"},
    };
    for (const Step& s : steps) {
        if (s.setHi >= 0) {
            b.SetHiScore(s.setHi);
        }
        if (s.add >= 0) {
            b.AddScore(s.add);
        }
        EXPECT_EQ(b.GetScore(), s.score);
        EXPECT_EQ(b.GetHiScore(), s.hi);
        rt.Draws.clear();
        b.Draw(0, 0);
        EXPECT_EQ(TextOnRow(rt, 30), s.hiLine);
    }
}

}  // namespace
}  // namespace keldo
