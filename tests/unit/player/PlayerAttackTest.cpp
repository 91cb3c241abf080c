#include <gtest/gtest.h>

#include <string>

#include "PlayerFixture.h"

namespace keldo::test {
namespace {

TEST_F(PlayerTest, InitAttackLabelsEachStageAndItsTablesFitExactly) {
    std::vector<std::string> labels;
    for (const std::string& m : Rt.Messages) {
        if (m.rfind("SetAttackFrameAct.", 0) == 0 || m.rfind("SetMoveFrameAct.", 0) == 0) {
            labels.push_back(m);
        }
        EXPECT_EQ(m.find("Frame Over"), std::string::npos) << m;
        EXPECT_EQ(m.find("Frame Lost"), std::string::npos) << m;
    }
    EXPECT_EQ(labels,
              (std::vector<std::string>{"SetAttackFrameAct. ID:100", "SetMoveFrameAct. ID:100",
                                        "SetAttackFrameAct. ID:200", "SetMoveFrameAct. ID:200",
                                        "SetAttackFrameAct. ID:300", "SetMoveFrameAct. ID:300"}));
    EXPECT_EQ(P.GetAttackTotalFrame(), 38);
}

TEST_F(PlayerTest, UnchainedFirstStageHitsInFrames21To30AndEndsIn39th118PixelsOn) {
    struct Case {
        int64_t Facing;
        double Sign;
    };
    for (const Case& c : {Case{0, 1.0}, Case{1, -1.0}}) {
        Player p;
        SetUpLikeTheScene(p);
        Land(p);
        p.SetFacing(c.Facing);
        const auto run = Attack(p, 40);
        EXPECT_EQ(run[0].ActFrame, 0);
        for (int64_t k = 1; k <= 38; ++k) {
            EXPECT_EQ(run[k].ActFrame, k);
            EXPECT_EQ(run[k].State, 3) << k;
            EXPECT_EQ(run[k].HitActive, k >= 21 && k <= 30) << k;
        }
        EXPECT_EQ(run[39].State, 0);
        EXPECT_EQ(run[39].ActFrame, 0);
        EXPECT_FALSE(run[39].HitActive);
        EXPECT_EQ(p.GetAttackId(), 100);

        struct Step {
            int64_t Frame;
            double Moved;
        };
        for (const Step& s :
             {Step{0, 2.0}, Step{21, 44.0}, Step{31, 104.0}, Step{38, 118.0}, Step{39, 118.0}}) {
            EXPECT_EQ(run[s.Frame].X, 700.0 + c.Sign * s.Moved) << s.Frame;
        }
    }
}

TEST_F(PlayerTest, HitQueriesFollowStageFrameAndFacing) {
    struct Case {
        int64_t Chains;
        double HitX;
        int64_t Damage;
        double Push;
        int64_t Score;
    };
    for (const Case& c : {Case{0, 150.0, 18, 8.0, 10}, Case{1, 150.0, 12, 10.0, 15},
                          Case{2, 200.0, 25, 15.0, 40}}) {
        Player p;
        SetUpLikeTheScene(p);
        ReachStage(p, c.Chains);
        ASSERT_EQ(p.GetAttackId(), (c.Chains + 1) * 100);

        ASSERT_EQ(p.GetActFrame(), 21);
        EXPECT_EQ(p.GetHitX(), p.GetX() + c.HitX);
        EXPECT_EQ(p.GetHitY(), p.GetY() + 40.0);
        EXPECT_EQ(p.GetHitRadius(), 40.0);
        EXPECT_EQ(p.GetHitDamage(), c.Damage);
        EXPECT_EQ(p.GetHitPush(), c.Push);
        EXPECT_EQ(p.GetHitScore(), c.Score);
        p.SetFacing(1);
        EXPECT_EQ(p.GetHitX(), p.GetX() - c.HitX);

        // Past the window the circle sits harmless on the player.
        RunFrames(p, 700, 10);
        ASSERT_EQ(p.GetActFrame(), 31);
        EXPECT_EQ(p.GetHitX(), p.GetX());
        EXPECT_EQ(p.GetHitY(), p.GetY());
        EXPECT_EQ(p.GetHitRadius(), 40.0);
        EXPECT_EQ(p.GetHitDamage(), 0);
        EXPECT_EQ(p.GetHitScore(), 0);
    }
}

TEST_F(PlayerTest, ComboChainsOnlyInTheHitWindowAndAtMostTwice) {
    Land(P);
    const auto first = Attack(P, 21);
    ASSERT_EQ(first.back().ActFrame, 20);
    EXPECT_FALSE(P.NextCombo());
    EXPECT_EQ(P.GetAttackId(), 100);

    RunFrames(P, 700, 1);
    ASSERT_TRUE(P.IsHitActive());
    EXPECT_TRUE(P.NextCombo());
    EXPECT_EQ(P.GetAttackId(), 200);
    EXPECT_EQ(P.GetActFrame(), 0);
    EXPECT_FALSE(P.IsHitActive());
    // The stage's own frames count from the chaining frame on.
    RunFrames(P, 700, 1);
    EXPECT_EQ(P.GetActFrame(), 1);
    EXPECT_EQ(P.GetAttackId(), 200);

    RunFrames(P, 700, 20);
    ASSERT_TRUE(P.IsHitActive());
    const double chainX = P.GetX();
    ASSERT_TRUE(P.NextCombo());
    EXPECT_EQ(P.GetAttackId(), 300);

    // The last stage draws back 4 pixels a frame, then lunges; it ends in the 38th frame
    // after the one it was chained in.
    const auto last = RunFrames(P, 700, 39);
    EXPECT_EQ(last[20].X, chainX - 84.0);
    EXPECT_TRUE(last[20].HitActive);
    EXPECT_FALSE(P.NextCombo());
    EXPECT_EQ(last[37].State, 3);
    EXPECT_EQ(last[38].State, 0);
    EXPECT_EQ(last[38].X, chainX - 84.0 + 120.0 + 14.0);
    EXPECT_EQ(P.GetAttackId(), 100);
}

TEST_F(PlayerTest, TouchDuringTheHitWindowClosesIt) {
    Land(P);
    Attack(P, 26);
    ASSERT_EQ(P.GetActFrame(), 25);
    ASSERT_TRUE(P.IsHitActive());

    P.Hurt(2.0);
    EXPECT_FALSE(P.IsHitActive());
    EXPECT_EQ(P.GetActFrame(), 25);
    EXPECT_FALSE(P.NextCombo());

    const auto run = RunFrames(P, 700, 30);
    for (size_t i = 0; i < run.size(); ++i) {
        EXPECT_FALSE(run[i].HitActive) << i;
        EXPECT_EQ(run[i].ActFrame, 25) << i;
    }
    EXPECT_EQ(P.GetState(), 0);
}

}  // namespace
}  // namespace keldo::test
