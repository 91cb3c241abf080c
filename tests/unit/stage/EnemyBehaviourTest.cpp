#include <gtest/gtest.h>

#include <vector>

#include "stage/EnemyGroup.h"
#include "support/FakeRuntime.h"
#include "unit/stage/EnemyFixture.h"

namespace keldo {
namespace {

using test::CountMessages;
using test::RunUpdates;
using test::SetUpGroup;

TEST(EnemyBehaviour, NewEnemySinksOntoItsLineAndStandsIdle) {
    struct Case {
        int64_t lineIndex, lineY, frames;  // updates until it is set on its line
    };
    const Case cases[] = {{1, 500, 34}, {2, 600, 67}, {3, 700, 101}};
    for (const Case& c : cases) {
        test::FakeRuntime rt;
        EnemyGroup g;
        SetUpGroup(g);
        g.Spawn(c.lineIndex, c.lineY, 0);
        SCOPED_TRACE(c.lineY);
        RunUpdates(g, c.frames - 1, 2000, 400);
        EXPECT_EQ(g.GetBody(0).GetY(), 400.0 + 3.0 * static_cast<double>(c.frames - 1));
        EXPECT_EQ(g.GetLineMove(0), EnemyGroup::kLineDown);
        EXPECT_EQ(g.GetState(0), EnemyGroup::kWalk);
        g.Update(2000, 400);
        EXPECT_EQ(g.GetBody(0).GetY(), static_cast<double>(c.lineY));
        EXPECT_EQ(g.GetBody(0).GetX(), 1000.0) << "no walking while sinking";
        EXPECT_EQ(g.GetLineMove(0), EnemyGroup::kLineStay);
        EXPECT_EQ(g.GetState(0), EnemyGroup::kIdle);
        EXPECT_EQ(g.GetStateTime(0), c.frames);
        EXPECT_EQ(CountMessages(rt, "ActAi"), 0);
    }
}

// The first decision falls on the 32nd update after landing on line 500 (update 66).
TEST(EnemyBehaviour, ChasersAndSameLineLineChangersWalkTowardThePlayer) {
    struct Case {
        int64_t mode;
        double px;
        int64_t pLineY;
        int64_t face;
        double stepX;
    };
    const Case cases[] = {
        {0, 400, 800, 0, -3}, {0, 3000, 400, 1, 3}, {1, 400, 500, 0, -3}, {1, 3000, 500, 1, 3}};
    for (const Case& c : cases) {
        test::FakeRuntime rt;
        EnemyGroup g;
        SetUpGroup(g);
        g.Spawn(1, 500, c.mode);
        SCOPED_TRACE(c.mode * 10000 + c.px);
        RunUpdates(g, 65, c.px, c.pLineY);
        EXPECT_EQ(g.GetState(0), EnemyGroup::kIdle);
        EXPECT_EQ(CountMessages(rt, "ActAi"), 0);
        g.Update(c.px, c.pLineY);
        EXPECT_EQ(CountMessages(rt, "ActAi"), 1);
        EXPECT_EQ(g.GetState(0), EnemyGroup::kWalk);
        EXPECT_EQ(g.GetFace(0), c.face);
        EXPECT_EQ(g.GetBody(0).GetX(), 1000.0 + c.stepX) << "walks in the deciding update";
        RunUpdates(g, 200, c.px, c.pLineY);
        EXPECT_EQ(g.GetLineIndex(0), 1);
        EXPECT_EQ(g.GetBody(0).GetY(), 500.0);
        EXPECT_EQ(g.GetBody(0).GetX(), 1000.0 + 201.0 * c.stepX);
        EXPECT_EQ(CountMessages(rt, "LineUp") + CountMessages(rt, "LineDown"), 0);
        EXPECT_EQ(CountMessages(rt, "ActAi"), 7);
    }
}

// A line-changer 600 pixels left of the player, two lines below it, steps up one line at
// a decision, travels there, steps up again at the next decision and then chases.
TEST(EnemyBehaviour, LineChangerClimbsTowardThePlayerLineFrameByFrame) {
    test::FakeRuntime rt;
    EnemyGroup g;
    SetUpGroup(g);
    g.Spawn(3, 700, 1);
    struct Row {
        int64_t update;
        double x, y;
        int64_t enemyY, lineMove, state;
    };
    const Row rows[] = {
        {101, 1000, 700, 700, 0, 0},  // landed
        {132, 1000, 700, 700, 0, 0},
        {133, 1000, 700, 600, 1, 0},  // decides: up; counted on 600 at once, body not moved yet
        {134, 1000, 697, 600, 1, 0},
        {166, 1000, 601, 600, 1, 0},
        {167, 1000, 600, 600, 0, 0},  // overshoots to 598 and is set on the line
        {198, 1000, 600, 600, 0, 0},
        {199, 1000, 600, 500, 1, 0},  // still over 500 away: up again
        {233, 1000, 500, 500, 0, 0},
        {264, 1000, 500, 500, 0, 0},
        {265, 1003, 500, 500, 0, 1},  // on the player's line: chase
        {266, 1006, 500, 500, 0, 1},
    };
    int64_t done = 0;
    for (const Row& r : rows) {
        RunUpdates(g, r.update - done, 1600, 500);
        done = r.update;
        SCOPED_TRACE(r.update);
        EXPECT_EQ(g.GetBody(0).GetX(), r.x);
        EXPECT_EQ(g.GetBody(0).GetY(), r.y);
        EXPECT_EQ(g.GetEnemyY(0), r.enemyY);
        EXPECT_EQ(g.GetLineMove(0), r.lineMove);
        EXPECT_EQ(g.GetState(0), r.state);
    }
    EXPECT_EQ(g.GetFace(0), 1);
    EXPECT_EQ(CountMessages(rt, "LineUp"), 2);
    EXPECT_EQ(CountMessages(rt, "ActAi"), 3);
}

TEST(EnemyBehaviour, LineChangerDecisionDependsOnDistanceAboveFiveHundred) {
    struct Case {
        double px;
        int64_t lineMove, state;
    };
    const Case cases[] = {{1600, 1, 0}, {1501, 1, 0}, {1500, 0, 1},
                          {500, 0, 1},  {499, 1, 0},  {1200, 0, 1}};
    for (const Case& c : cases) {
        test::FakeRuntime rt;
        EnemyGroup g;
        SetUpGroup(g);
        g.Spawn(3, 700, 1);
        RunUpdates(g, 133, c.px, 500);
        SCOPED_TRACE(c.px);
        EXPECT_EQ(g.GetLineMove(0), c.lineMove);
        EXPECT_EQ(g.GetState(0), c.state);
        EXPECT_EQ(g.GetEnemyY(0), c.lineMove == 0 ? 700 : 600);
    }
}

// Once chosen far away, the line step is repeated at later decisions even close by.
TEST(EnemyBehaviour, LineChangerKeepsItsLineStepWhenThePlayerComesNear) {
    test::FakeRuntime rt;
    EnemyGroup g;
    SetUpGroup(g);
    g.Spawn(3, 700, 1);
    RunUpdates(g, 167, 1600, 500);  // stepped up to 600 and landed
    ASSERT_EQ(g.GetEnemyY(0), 600);
    RunUpdates(g, 32, 1200, 500);
    EXPECT_EQ(g.GetLineMove(0), EnemyGroup::kLineUp);
    EXPECT_EQ(g.GetEnemyY(0), 500);
    EXPECT_EQ(g.GetState(0), EnemyGroup::kWalk);
    EXPECT_EQ(g.GetFace(0), 1);
    EXPECT_EQ(g.GetBody(0).GetX(), 1003.0) << "walks in the deciding update only";
    RunUpdates(g, 34, 1200, 500);
    EXPECT_EQ(g.GetBody(0).GetX(), 1003.0);
    EXPECT_EQ(g.GetBody(0).GetY(), 500.0);
    EXPECT_EQ(g.GetState(0), EnemyGroup::kIdle) << "the end of a line change makes it idle";
}

TEST(EnemyBehaviour, LineStepsStopAtTheTopAndBottomLines) {
    struct Case {
        int64_t from;
        bool down;
        int64_t to;
    };
    const Case cases[] = {{1, true, 2},  {3, true, 4},  {4, true, 4},
                          {3, false, 2}, {1, false, 0}, {0, false, 0}};
    for (const Case& c : cases) {
        test::FakeRuntime rt;
        EnemyGroup g;
        SetUpGroup(g);
        g.Spawn(c.from, 400 + 100 * c.from, 0);
        c.down ? g.LineDown(0) : g.LineUp(0);
        SCOPED_TRACE(c.from * 10 + c.down);
        EXPECT_EQ(g.GetLineIndex(0), c.to);
        EXPECT_EQ(g.GetEnemyY(0), 400 + 100 * c.to);
        EXPECT_EQ(rt.Messages, (std::vector<std::string>{c.down ? "LineDown" : "LineUp"}));
    }
}

TEST(EnemyBehaviour, PushedBackEnemySlowsByFrictionThenStandsAndTurnsIdle) {
    for (bool toRight : {true, false}) {
        test::FakeRuntime rt;
        EnemyGroup g;
        SetUpGroup(g);
        g.Spawn(1, 500, 0);
        RunUpdates(g, 34, 2000, 700);
        g.Damage(0, 10, 5.0, toRight);
        const double sign = toRight ? 1.0 : -1.0;
        SCOPED_TRACE(toRight);
        // 4.7, 4.4, ... 0.2, then one last step a hair past zero, then nothing.
        for (int64_t k = 1; k <= 17; ++k) {
            const double before = g.GetBody(0).GetX();
            g.Update(2000, 700);
            EXPECT_NEAR(g.GetBody(0).GetX() - before, sign * (5.0 - 0.3 * k), 1e-9) << k;
        }
        const double stopped = g.GetBody(0).GetX();
        EXPECT_NEAR(stopped, 1000.0 + sign * 39.1, 1e-9);
        RunUpdates(g, 3, 2000, 700);
        EXPECT_EQ(g.GetBody(0).GetX(), stopped);
        EXPECT_EQ(g.GetState(0), EnemyGroup::kHurt);
        g.Update(2000, 700);  // the 21st update after the hit
        EXPECT_EQ(g.GetState(0), EnemyGroup::kHurt);
        g.Update(2000, 700);
        EXPECT_EQ(g.GetState(0), EnemyGroup::kIdle);
        EXPECT_EQ(g.GetStateTime(0), 1);
        EXPECT_EQ(g.GetBody(0).GetX(), stopped);
        EXPECT_EQ(g.GetBody(0).GetY(), 500.0);
    }
}

TEST(EnemyBehaviour, DyingEnemyIsFlungAndFreesItsSlot) {
    test::FakeRuntime rt;
    EnemyGroup g;
    SetUpGroup(g);
    g.Spawn(1, 500, 0);
    g.Spawn(2, 600, 0);
    RunUpdates(g, 34, 2000, 700);
    g.Damage(0, 100, 5.0, true);
    const double steps[] = {5.7, 5.4, 5.1};
    for (double s : steps) {
        const double x = g.GetBody(0).GetX();
        const double y = g.GetBody(0).GetY();
        g.Update(2000, 700);
        EXPECT_NEAR(g.GetBody(0).GetX() - x, s, 1e-9);
        EXPECT_NEAR(g.GetBody(0).GetY() - y, s, 1e-9);
    }
    RunUpdates(g, 58, 2000, 700);
    EXPECT_TRUE(g.IsAlive(0)) << "61 updates after the hit";
    g.Update(2000, 700);
    EXPECT_FALSE(g.IsAlive(0));
    EXPECT_TRUE(g.AnyAlive());
    g.Spawn(3, 700, 1);
    EXPECT_TRUE(g.IsAlive(0)) << "the freed slot is taken first";
    EXPECT_EQ(g.GetEnemyY(0), 700);
    EXPECT_EQ(g.GetLife(0), 100);
}

TEST(EnemyBehaviour, HurtDuringALineChangeMovesOnceThenLandsIdle) {
    test::FakeRuntime rt;
    EnemyGroup g;
    SetUpGroup(g);
    g.Spawn(1, 500, 0);
    RunUpdates(g, 10, 2000, 700);  // Y 430
    g.Damage(0, 10, 5.0, true);
    g.Update(2000, 700);
    EXPECT_EQ(g.GetBody(0).GetX(), 1005.0);
    EXPECT_EQ(g.GetBody(0).GetY(), 430.0);
    RunUpdates(g, 24, 2000, 700);  // 430 + 3 * 24 passes 500
    EXPECT_EQ(g.GetBody(0).GetX(), 1005.0);
    EXPECT_EQ(g.GetBody(0).GetY(), 500.0);
    EXPECT_EQ(g.GetState(0), EnemyGroup::kIdle);
    EXPECT_EQ(g.GetLineMove(0), EnemyGroup::kLineStay);
}

// A kill during a line change must not leave a lifeless enemy standing on its line: it
// finishes the change, goes on dying and frees its slot, so the game can be cleared.
TEST(EnemyBehaviour, EnemyKilledDuringALineChangeStillDiesAndFreesItsSlot) {
    struct Case {
        int64_t lineIndex, lineY, updatesBeforeHit;
        int64_t landedAfter;  // updates after the hit
        int64_t freedAfter;
    };
    const Case cases[] = {
        {1, 500, 10, 23, 62},   // lands early: freed on the usual count
        {4, 800, 1, 132, 133},  // lands after DeathTime: freed on the next update
    };
    for (const Case& c : cases) {
        test::FakeRuntime rt;
        EnemyGroup g;
        SetUpGroup(g);
        g.Spawn(c.lineIndex, c.lineY, 0);
        RunUpdates(g, c.updatesBeforeHit, 2000, 700);
        g.Damage(0, 100, 5.0, false);
        SCOPED_TRACE(c.lineY);
        RunUpdates(g, c.landedAfter - 1, 2000, 700);
        EXPECT_EQ(g.GetLineMove(0), EnemyGroup::kLineDown);
        g.Update(2000, 700);
        EXPECT_EQ(g.GetLineMove(0), EnemyGroup::kLineStay);
        EXPECT_EQ(g.GetBody(0).GetY(), static_cast<double>(c.lineY));
        EXPECT_EQ(g.GetState(0), EnemyGroup::kDying);
        EXPECT_FALSE(g.HitTest(0, c.lineY, g.GetBody(0).GetX(), c.lineY, 30));
        RunUpdates(g, c.freedAfter - c.landedAfter - 1, 2000, 700);
        EXPECT_TRUE(g.IsAlive(0));
        g.Update(2000, 700);
        EXPECT_FALSE(g.IsAlive(0));
        EXPECT_FALSE(g.AnyAlive());
    }
}

}  // namespace
}  // namespace keldo
