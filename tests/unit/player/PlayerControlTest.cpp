#include <gtest/gtest.h>

#include "PlayerFixture.h"

namespace keldo::test {
namespace {

struct KeyFrame {
    int64_t Frame;  // counted from 1
    double X;
    double Y;
    int64_t State;
    bool OnGround;
};

void ExpectKeyFrames(const std::vector<FrameRecord>& run, const std::vector<KeyFrame>& keys) {
    for (const KeyFrame& k : keys) {
        ASSERT_LE(k.Frame, static_cast<int64_t>(run.size()));
        const FrameRecord& r = run[static_cast<size_t>(k.Frame - 1)];
        EXPECT_EQ(r.X, k.X) << "frame " << k.Frame;
        EXPECT_EQ(r.Y, k.Y) << "frame " << k.Frame;
        EXPECT_EQ(r.State, k.State) << "frame " << k.Frame;
        EXPECT_EQ(r.OnGround, k.OnGround) << "frame " << k.Frame;
    }
}

TEST_F(PlayerTest, StartsInTheAirAboveItsLine) {
    EXPECT_EQ(P.GetX(), 700.0);
    EXPECT_EQ(P.GetY(), 0.0);
    EXPECT_FALSE(P.IsOnGround());
    EXPECT_TRUE(P.IsVulnerable());
    EXPECT_EQ(P.GetState(), 0);
    EXPECT_EQ(P.GetFacing(), 0);
    EXPECT_EQ(P.GetLineY(), 0);
    EXPECT_EQ(P.GetLineShift(), 2);
    EXPECT_EQ(P.GetAttackId(), 100);

    // The scene clamps the line index; the player does not.
    P.AddLine(-1);
    EXPECT_EQ(P.GetLine(), 2);
    P.AddLine(-5);
    EXPECT_EQ(P.GetLine(), -3);
}

TEST_F(PlayerTest, StartFallLandsInThe27thUpdate) {
    const auto run = RunFrames(P, 700, 27);
    ExpectKeyFrames(run, {
                             {1, 700.0, 0.0, 0, false},
                             {2, 700.0, 2.0, 0, false},
                             {26, 700.0, 650.0, 0, false},
                             {27, 700.0, 700.0, 0, true},
                         });
    EXPECT_EQ(P.GetLineY(), 700);
    EXPECT_EQ(P.GetMoveX(), 0.0);
    EXPECT_EQ(P.GetMoveY(), 0.0);
}

TEST_F(PlayerTest, BackHopFromStandingLandsIn14Frames168PixelsBehind) {
    Land(P);
    P.SetOnGround(false);
    P.SetMove(-12.0, -12.0);
    const auto run = RunFrames(P, 700, 14);
    // Ending a step exactly on the line (frame 13) is not a landing.
    ExpectKeyFrames(run, {
                             {1, 688.0, 688.0, 0, false},
                             {6, 628.0, 658.0, 0, false},
                             {7, 616.0, 658.0, 0, false},
                             {13, 544.0, 700.0, 0, false},
                             {14, 532.0, 700.0, 0, true},
                         });
    double top = 700.0;
    for (const FrameRecord& r : run) {
        top = std::min(top, r.Y);
    }
    EXPECT_EQ(top, 658.0);
    EXPECT_EQ(P.GetMoveX(), 0.0);
}

TEST_F(PlayerTest, HopWhileRunningLandsRunningAndReleaseInTheAirStopsIt) {
    Land(P);
    P.SetCommand(true);
    P.SetFacing(0);
    P.SetState(2);
    RunFrames(P, 700, 1);
    P.SetOnGround(false);
    P.SetMove(-12.0, -12.0);
    RunFrames(P, 700, 14);
    ASSERT_TRUE(P.IsOnGround());
    EXPECT_EQ(P.GetState(), 2);
    EXPECT_EQ(P.GetMoveX(), 10.0);

    P.SetOnGround(false);
    P.SetMove(-12.0, -12.0);
    RunFrames(P, 700, 3);
    P.SetCommand(true);
    P.SetState(0);
    RunFrames(P, 700, 1);
    EXPECT_FALSE(P.IsOnGround());
    EXPECT_EQ(P.GetMoveX(), 0.0);
    EXPECT_EQ(P.GetMoveY(), -12.0 + 4 * 2.0);
}

TEST_F(PlayerTest, TouchKnocksBack240PixelsAgainstTheFacingIn12Frames) {
    struct Case {
        int64_t Facing;
        double MoveX;
        double LandX;
    };
    for (const Case& c : {Case{0, -20.0, 460.0}, Case{1, 20.0, 940.0}}) {
        Player p;
        SetUpLikeTheScene(p);
        Land(p);
        p.SetFacing(c.Facing);
        p.Hurt(2.0);
        EXPECT_EQ(p.GetMoveX(), c.MoveX);
        EXPECT_EQ(p.GetMoveY(), -10.0);
        EXPECT_FALSE(p.IsVulnerable());

        const auto run = RunFrames(p, 700, 12);
        ExpectKeyFrames(run, {
                                 {11, 700.0 + 11 * c.MoveX, 700.0, 4, false},
                                 {12, c.LandX, 700.0, 0, true},
                             });
    }
}

TEST_F(PlayerTest, CommandWhileHurtChangesNoMotion) {
    Land(P);
    P.Hurt(2.0);
    P.SetCommand(true);
    RunFrames(P, 700, 1);
    EXPECT_EQ(P.GetMoveX(), -20.0);
    EXPECT_EQ(P.GetState(), 4);
}

TEST_F(PlayerTest, LineChangeSettlesOnTheNewLineInThe21stFrame) {
    struct Case {
        int64_t Shift;
        double Speed;
        int64_t ToY;
    };
    for (const Case& c : {Case{1, -5.0, 600}, Case{2, 5.0, 800}}) {
        Player p;
        SetUpLikeTheScene(p);
        Land(p);
        p.SetLineShift(c.Shift);
        p.SetMove(p.GetMoveX(), c.Speed);

        RunFrames(p, c.ToY, 20);
        EXPECT_EQ(p.GetY(), static_cast<double>(c.ToY));
        EXPECT_EQ(p.GetLineShift(), c.Shift);
        EXPECT_EQ(p.GetMoveY(), c.Speed);

        RunFrames(p, c.ToY, 1);
        EXPECT_EQ(p.GetY(), static_cast<double>(c.ToY));
        EXPECT_EQ(p.GetLineShift(), 0);
        EXPECT_EQ(p.GetMoveY(), 0.0);
        EXPECT_TRUE(p.IsOnGround());
    }
}

TEST_F(PlayerTest, LineChangeUpOnTheTopLineDoesNotVisiblyMove) {
    RunFrames(P, 400, 21);
    ASSERT_TRUE(P.IsOnGround());
    ASSERT_EQ(P.GetY(), 400.0);
    P.SetLineShift(1);
    P.SetMove(P.GetMoveX(), -5.0);
    RunFrames(P, 400, 1);
    EXPECT_EQ(P.GetY(), 400.0);
    EXPECT_EQ(P.GetLineShift(), 0);
    EXPECT_EQ(P.GetMoveY(), 0.0);
}

TEST_F(PlayerTest, RunCommandSetsSpeedAndAngleAndEveryCommandRestartsStateTime) {
    Land(P);
    P.SetCommand(true);
    P.SetFacing(1);
    P.SetState(2);
    RunFrames(P, 700, 1);
    EXPECT_EQ(P.GetMoveX(), -10.0);
    EXPECT_EQ(P.GetAngle(), 3.14159265358979);
    EXPECT_EQ(P.GetX(), 690.0);
    EXPECT_EQ(P.GetStateTime(), 0);

    RunFrames(P, 700, 7);
    EXPECT_EQ(P.GetStateTime(), 7);
    P.SetCommand(true);
    P.SetFacing(0);
    P.SetState(2);
    RunFrames(P, 700, 1);
    EXPECT_EQ(P.GetStateTime(), 0);
    EXPECT_EQ(P.GetMoveX(), 10.0);
    EXPECT_EQ(P.GetAngle(), 0.0);

    // Walking is never commanded by the scene but moves like running, slower.
    P.SetCommand(true);
    P.SetState(1);
    RunFrames(P, 700, 1);
    EXPECT_EQ(P.GetMoveX(), 5.0);
}

TEST_F(PlayerTest, InvulnerableFor60FramesAfterATouchAndBlinksEveryThird) {
    Land(P);
    P.Hurt(2.0);
    for (int64_t n = 1; n <= 61; ++n) {
        RunFrames(P, 700, 1);
        Rt.Draws.clear();
        P.DrawLine(0.0, 0.0, 700);
        const bool drawn = !Rt.Draws.empty();
        EXPECT_EQ(drawn, (n / 3) % 2 == 0) << "frame " << n;
        EXPECT_EQ(P.IsVulnerable(), n == 61) << "frame " << n;
    }
}

}  // namespace
}  // namespace keldo::test
