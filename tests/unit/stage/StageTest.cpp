#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "stage/EnemyGroup.h"
#include "stage/ScoreBoard.h"
#include "stage/Stage.h"
#include "support/FakeRuntime.h"
#include "unit/stage/EnemyFixture.h"

namespace keldo {
namespace {

using test::DrawsOf;

void SetUpStage(Stage& s) {
    s.Init();
    s.LoadSprites(0, 0, 1600, 900);
}

// Every animation finds a free slot and every cell its animation.
TEST(Stage, PicturesLoadWithoutAnimationErrors) {
    test::FakeRuntime rt;
    Stage stage;
    SetUpStage(stage);
    EnemyGroup enemies;
    enemies.Init();
    enemies.LoadSprites(0, 0, 1600, 900);
    ScoreBoard board;
    board.Init();
    board.Load(0, 0, 1600, 900);
    int64_t set = 0;
    for (const std::string& m : rt.Messages) {
        EXPECT_NE(m.rfind("err", 0), 0u) << m;
        set += m.rfind("Set Anime.", 0) == 0 ? 1 : 0;
    }
    EXPECT_EQ(set, 6 + 9 + 2);
    EXPECT_EQ(
        rt.LoadedTextures,
        (std::vector<std::string>{"ground.vstex", "distant_view.vstex", "wood.vstex", "life.vstex",
                                  "gauge.vstex", "generate_hole.vstex", "rock_enemy.vstex",
                                  "font_128_64.vstex", "combo.vstex", "gauge.vstex"}));
}

TEST(Stage, InitDrawsEachTreesRandomNumbersInTurn) {
    test::FakeRuntime rt;
    rt.RndValues = {1234, 150, 300, 2, 20000, 100, 200, 4};
    Stage s;
    SetUpStage(s);
    using Bounds = std::pair<int64_t, int64_t>;
    const std::vector<Bounds> tree = {{0, 20000}, {100, 200}, {200, 400}, {1, 4}};
    ASSERT_EQ(rt.RndCalls.size(), 240u);
    for (size_t k = 0; k < rt.RndCalls.size(); ++k) {
        EXPECT_EQ(rt.RndCalls[k], tree[k % 4]) << k;
    }
    EXPECT_EQ(s.GetWoodPos(0).GetX(), 1234.0);
    EXPECT_EQ(s.GetWoodPos(0).GetY(), 450.0);
    EXPECT_EQ(s.GetWoodPos(1).GetX(), 20000.0);

    rt.Draws.clear();
    s.Draw(0, 0);
    const auto trees = DrawsOf(rt, "wood.vstex");
    ASSERT_FALSE(trees.empty());
    // Tree 0: picture 200, its right edge at 1234 and its foot at 450.
    EXPECT_EQ(trees[0].Args, (std::vector<double>{256, 0, 256, 512, 934, -150, 300, 600, 150, 300,
                                                  0, 1, 1, 1, 1}));

    rt.Draws.clear();
    s.Draw(18900, 0);
    const auto far = DrawsOf(rt, "wood.vstex");
    ASSERT_FALSE(far.empty());
    // Tree 1: picture 400.
    EXPECT_EQ(far[0].Args,
              (std::vector<double>{768, 0, 256, 512, 900, 50, 200, 400, 100, 200, 0, 1, 1, 1, 1}));
}

// Only the tiles that reach into the view are drawn; they must cover it.
TEST(Stage, GroundTilesFollowTheCameraOnAFixedGrid) {
    struct Case {
        double camX;
        std::set<double> centres;
    };
    const Case cases[] = {
        {4500, {4000, 6000}}, {0, {0, 2000}},          {1999, {2000, 4000}}, {-500, {0, 2000}},
        {-2500, {-2000, 0}},  {-4500, {-4000, -2000}}, {-1999, {-2000, 0}},
    };
    for (const Case& c : cases) {
        test::FakeRuntime rt;
        Stage s;
        SetUpStage(s);
        rt.Draws.clear();
        s.Draw(c.camX, 0);
        SCOPED_TRACE(c.camX);
        std::set<double> centres;
        double left = 1e9;
        double right = -1e9;
        for (const auto& d : DrawsOf(rt, "ground.vstex")) {
            EXPECT_EQ(std::vector<double>(d.Args.begin(), d.Args.begin() + 4),
                      (std::vector<double>{0, 0, 512, 256}));
            EXPECT_EQ(d.Args[5], 400.0);
            EXPECT_EQ(d.Args[6], 2000.0);
            EXPECT_EQ(d.Args[7], 500.0);
            centres.insert(d.Args[4] + 1000 + c.camX);
            left = std::min(left, d.Args[4]);
            right = std::max(right, d.Args[4] + 2000);
        }
        EXPECT_EQ(centres, c.centres);
        EXPECT_LE(left, 0.0);
        EXPECT_GE(right, 1600.0);
    }
}

TEST(Stage, DistantViewStaysOnTheScreen) {
    for (double camX : {0.0, 4500.0, -700.0, 123456.0}) {
        test::FakeRuntime rt;
        Stage s;
        SetUpStage(s);
        rt.Draws.clear();
        s.Draw(camX, 0);
        ASSERT_FALSE(rt.Draws.empty());
        EXPECT_EQ(rt.Draws[0].Tex, "distant_view.vstex") << "drawn first, behind all else";
        EXPECT_EQ(rt.Draws[0].Args,
                  (std::vector<double>{0, 0, 512, 256, 0, 0, 1600, 400, 800, 200, 0, 1, 1, 1, 1}))
            << camX;
    }
}

TEST(Stage, ScrollMovesEachTreeByItsShare) {
    test::FakeRuntime rt;
    Stage s;
    SetUpStage(s);
    std::vector<double> before;
    for (int64_t i = 0; i < 60; ++i) {
        before.push_back(s.GetWoodPos(i).GetX());
    }
    s.Scroll(10, 0);
    const std::pair<int64_t, double> moves[] = {{0, 0.0}, {1, 0.2}, {50, 10.0}, {59, 11.8}};
    for (const auto& [i, dx] : moves) {
        EXPECT_NEAR(s.GetWoodPos(i).GetX() - before[i], dx, 1e-9) << i;
        EXPECT_EQ(s.GetWoodPos(i).GetY(), 450.0);
    }
}

}  // namespace
}  // namespace keldo
