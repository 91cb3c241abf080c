#include <gtest/gtest.h>

#include "stage/EnemyGroup.h"
#include "support/FakeRuntime.h"
#include "unit/stage/EnemyFixture.h"

namespace keldo {
namespace {

using test::DrawsOf;
using test::RunUpdates;
using test::SetUpGroup;

TEST(EnemyGroup, SevenSpawnsFillTheSixSlotsAndTheSeventhIsLost) {
    test::FakeRuntime rt;
    EnemyGroup g;
    SetUpGroup(g);
    EXPECT_FALSE(g.AnyAlive());
    for (int64_t k = 0; k < 6; ++k) {
        g.Spawn(1 + k % 3, 500 + 100 * (k % 3), 0);
    }
    g.Spawn(4, 800, 1);
    ASSERT_EQ(g.GetSlotNum(), 6);
    for (int64_t i = 0; i < 6; ++i) {
        EXPECT_TRUE(g.IsAlive(i));
        EXPECT_EQ(g.GetLineIndex(i), 1 + i % 3) << i;
        EXPECT_EQ(g.GetEnemyY(i), 500 + 100 * (i % 3)) << i;
        EXPECT_EQ(g.GetLife(i), 100);
        EXPECT_EQ(g.GetState(i), EnemyGroup::kWalk);
        EXPECT_EQ(g.GetLineMove(i), EnemyGroup::kLineDown);
        EXPECT_EQ(g.GetBody(i).GetX(), 1000.0);
        EXPECT_EQ(g.GetBody(i).GetY(), 400.0);
    }
    EXPECT_TRUE(g.AnyAlive());
}

TEST(EnemyGroup, HitTestCases) {
    test::FakeRuntime rt;
    EnemyGroup g;
    SetUpGroup(g);
    g.Spawn(1, 500, 0);  // body at (1000, 400), counted on line 500 at once
    struct Case {
        int64_t slot, lineY;
        double x, y, r;
        bool want;
    };
    const Case cases[] = {
        {0, 500, 1080, 400, 30, false},  // distance exactly 50 + r
        {0, 500, 1079.5, 400, 30, true}, {0, 500, 1000, 460, 10, false},
        {0, 500, 1000, 459, 10, true},   {0, 600, 1000, 400, 30, false},  // another line
        {1, 500, 1000, 400, 30, false},                                   // free slot
    };
    for (const Case& c : cases) {
        EXPECT_EQ(g.HitTest(c.slot, c.lineY, c.x, c.y, c.r), c.want) << c.x << "," << c.y;
    }

    g.Damage(0, 10, 5.0, true);
    EXPECT_FALSE(g.HitTest(0, 500, 1000, 400, 30)) << "a hurt enemy cannot be hit again";
    RunUpdates(g, 60, 0, 700);
    EXPECT_TRUE(g.HitTest(0, 500, g.GetBody(0).GetX(), 500, 30)) << "landed idle";
    g.Damage(0, 90, 5.0, true);
    EXPECT_FALSE(g.HitTest(0, 500, g.GetBody(0).GetX(), g.GetBody(0).GetY(), 30));
}

TEST(EnemyGroup, DamageHurtsOrKills) {
    struct Case {
        int64_t damage;
        double push;
        bool toRight;
        int64_t life, state;
        double moveX, moveY;
    };
    const Case cases[] = {
        {98, 5.0, false, 2, EnemyGroup::kHurt, -5.0, 0.0},
        {98, 5.0, true, 2, EnemyGroup::kHurt, 5.0, 0.0},
        {99, 5.0, false, 1, EnemyGroup::kDying, -6.0, 6.0},  // one point left kills
        {100, 5.0, true, 0, EnemyGroup::kDying, 6.0, 6.0},
        {250, 5.0, true, 0, EnemyGroup::kDying, 6.0, 6.0},  // life clamps at 0
        {10, 0.0, true, 90, EnemyGroup::kHurt, 0.0, 0.0},
    };
    for (const Case& c : cases) {
        test::FakeRuntime rt;
        EnemyGroup g;
        SetUpGroup(g);
        g.Spawn(1, 500, 0);
        RunUpdates(g, 40, 0, 700);
        ASSERT_GT(g.GetStateTime(0), 0);
        g.Damage(0, c.damage, c.push, c.toRight);
        SCOPED_TRACE(c.damage);
        EXPECT_EQ(g.GetLife(0), c.life);
        EXPECT_EQ(g.GetState(0), c.state);
        EXPECT_EQ(g.GetStateTime(0), 0);
        EXPECT_EQ(g.GetBody(0).GetMoveX(), c.moveX);
        EXPECT_EQ(g.GetBody(0).GetMoveY(), c.moveY);
    }
}

TEST(EnemyGroup, DrawsTheHoleAndEachEnemyOnItsOwnLine) {
    test::FakeRuntime rt;
    EnemyGroup g;
    SetUpGroup(g);
    g.DrawHole(100, 0);
    ASSERT_EQ(rt.Draws.size(), 1u);
    EXPECT_EQ(rt.Draws[0].Tex, "generate_hole.vstex");
    EXPECT_EQ(rt.Draws[0].Args,
              (std::vector<double>{0, 0, 512, 368, 600, 150, 600, 400, 300, 200, 0, 1, 1, 1, 1}));

    g.Spawn(2, 600, 0);
    RunUpdates(g, 67, 0, 400);  // sunk onto line 600, still idle
    ASSERT_EQ(g.GetBody(0).GetY(), 600.0);
    for (int64_t lineY : {400, 500, 700, 800}) {
        rt.Draws.clear();
        g.DrawLine(0, 0, lineY);
        EXPECT_TRUE(rt.Draws.empty()) << lineY;
    }
    rt.Draws.clear();
    g.DrawLine(200, 0, 600);
    ASSERT_EQ(rt.Draws.size(), 1u) << "full life shows no bar";
    EXPECT_EQ(rt.Draws[0].Tex, "rock_enemy.vstex");
    // Facing right draws the mirrored cell, 200 x 200 around the body.
    EXPECT_EQ(rt.Draws[0].Args, (std::vector<double>{256, 256, -256, 256, 700, 500, 200, 200, 100,
                                                     100, 0, 1, 1, 1, 1}));
}

TEST(EnemyGroup, LifeBarFollowsLifeAndHidesAtFullAndZero) {
    struct Case {
        int64_t damage;
        size_t bars;
        double barW;
    };
    const Case cases[] = {{0, 0, 0}, {50, 1, 78}, {90, 1, 15.6}, {100, 0, 0}};
    for (const Case& c : cases) {
        test::FakeRuntime rt;
        EnemyGroup g;
        SetUpGroup(g);
        g.Spawn(1, 500, 0);
        RunUpdates(g, 34, 0, 700);
        if (c.damage > 0) {
            g.Damage(0, c.damage, 0.0, false);
        }
        rt.Draws.clear();
        g.DrawLine(0, 0, 500);
        SCOPED_TRACE(c.damage);
        const auto bars = DrawsOf(rt, "life.vstex");
        const auto frames = DrawsOf(rt, "gauge.vstex");
        ASSERT_EQ(bars.size(), c.bars);
        ASSERT_EQ(frames.size(), c.bars);
        if (c.bars == 1) {
            // Bar and frame centred 100 pixels above the enemy; the bar shrinks to its middle.
            EXPECT_NEAR(bars[0].Args[6], c.barW, 1e-9);
            EXPECT_EQ(bars[0].Args[7], 16.0);
            EXPECT_NEAR(bars[0].Args[4] + bars[0].Args[6] / 2, 1000.0, 1e-9);
            EXPECT_EQ(bars[0].Args[5], 392.0);
            // 0.8 per life point is not exact in binary, so the frame comes out a hair short.
            EXPECT_NEAR(frames[0].Args[4], 920.0, 1e-9);
            EXPECT_EQ(frames[0].Args[5], 390.0);
            EXPECT_NEAR(frames[0].Args[6], 160.0, 1e-9);
            EXPECT_EQ(frames[0].Args[7], 20.0);
        }
    }
}

TEST(EnemyGroup, AnimationFollowsFacingAndState) {
    test::FakeRuntime rt;
    EnemyGroup g;
    SetUpGroup(g);
    g.Spawn(1, 500, 0);
    RunUpdates(g, 66, 0, 500);  // the first decision turns it left, toward the player
    ASSERT_EQ(g.GetFace(0), 0);
    auto cell = [&] {
        rt.Draws.clear();
        g.DrawLine(0, 0, 500);
        const auto d = DrawsOf(rt, "rock_enemy.vstex");
        return d.empty() ? std::vector<double>{}
                         : std::vector<double>(d[0].Args.begin(), d[0].Args.begin() + 4);
    };
    EXPECT_EQ(cell(), (std::vector<double>{0, 256, 256, 256}));
    g.Damage(0, 10, 1.0, true);
    EXPECT_EQ(cell(), (std::vector<double>{0, 0, 256, 256}));
    RunUpdates(g, 50, 0, 500);
    g.Damage(0, 90, 1.0, true);
    RunUpdates(g, 30, 0, 500);  // dying, 30 frames in: the first of the 10-frame cells
    EXPECT_EQ(cell(), (std::vector<double>{256, 0, 256, 256}));
}

}  // namespace
}  // namespace keldo
