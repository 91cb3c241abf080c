#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "PlayerFixture.h"

namespace keldo::test {
namespace {

std::vector<DrawCall> DrawsOf(const FakeRuntime& rt, const std::string& tex) {
    std::vector<DrawCall> out;
    std::copy_if(rt.Draws.begin(), rt.Draws.end(), std::back_inserter(out),
                 [&](const DrawCall& d) { return d.Tex == tex; });
    return out;
}

size_t FirstDrawOf(const FakeRuntime& rt, const std::string& tex) {
    return static_cast<size_t>(std::find_if(rt.Draws.begin(), rt.Draws.end(),
                                            [&](const DrawCall& d) { return d.Tex == tex; }) -
                               rt.Draws.begin());
}

void ExpectArgsNear(const std::vector<double>& got, const std::vector<double>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_NEAR(got[i], want[i], 1e-9) << "argument " << i;
    }
}

TEST_F(PlayerTest, SetUpLoadsEveryPictureWithoutAnimationErrors) {
    for (const char* name : {"velquint256.vstex", "sword_512_128.vstex", "bullet.vstex",
                             "smog.vstex", "slash_effect.vstex", "hit_effect.vstex"}) {
        EXPECT_NE(std::find(Rt.LoadedTextures.begin(), Rt.LoadedTextures.end(), name),
                  Rt.LoadedTextures.end())
            << name;
    }
    for (const std::string& m : Rt.Messages) {
        EXPECT_NE(m.rfind("err", 0), 0u) << m;
    }
}

TEST_F(PlayerTest, DrawsOnlyInThePassOfItsOwnLine) {
    ReachStage(P, 0);
    P.EmitHit(P.GetHitX(), P.GetHitY());
    Rt.Draws.clear();
    P.DrawLine(0.0, 0.0, 600);
    EXPECT_TRUE(Rt.Draws.empty());
    P.DrawLine(0.0, 0.0, 700);
    EXPECT_EQ(DrawsOf(Rt, "hit_effect.vstex").size(), 1u);
    EXPECT_EQ(DrawsOf(Rt, "velquint256.vstex").size(), 1u);
    EXPECT_EQ(DrawsOf(Rt, "sword_512_128.vstex").size(), 1u);
}

TEST_F(PlayerTest, BodyAnimationFollowsFacingGroundAndState) {
    struct Case {
        int64_t Facing;
        bool OnGround;
        int64_t State;
        int64_t StateTime;
        double SrcX;
        double SrcY;
    };
    const Case cases[] = {
        {0, true, 0, 0, 0, 0},         // 100 stand
        {1, true, 0, 0, 0, 256},       // 200
        {0, true, 1, 30, 512, 0},      // 110 walk, third frame
        {1, true, 1, 30, 512, 256},    // 210
        {0, true, 2, 10, 0, 512},      // 120 run, second frame
        {1, true, 2, 10, 0, 768},      // 220
        {1, true, 2, 45, 256, 768},    // 220 loops after 40 frames
        {0, true, 3, 0, 256, 512},     // 130 attack
        {0, true, 4, 0, 0, 0},         // state 4 on the ground stands
        {0, false, 0, 0, 256, 512},    // 130 airborne
        {1, false, 2, 10, 256, 768},   // 230
        {0, false, 4, 500, 256, 512},  // knock-back
    };
    Land(P);
    for (const Case& c : cases) {
        P.SetFacing(c.Facing);
        P.SetOnGround(c.OnGround);
        P.SetState(c.State);
        P.SetStateTime(c.StateTime);
        Rt.Draws.clear();
        P.DrawLine(100.0, 50.0, 700);
        const auto body = DrawsOf(Rt, "velquint256.vstex");
        ASSERT_EQ(body.size(), 1u);
        // The body is drawn 200 pixels wide, centred on the player, after the camera.
        EXPECT_EQ(body[0].Args, (std::vector<double>{c.SrcX, c.SrcY, 256, 256, 500, 550, 200, 200,
                                                     100, 100, 0, 1, 1, 1, 1}))
            << c.Facing << " " << c.OnGround << " " << c.State << " " << c.StateTime;
        EXPECT_EQ(DrawsOf(Rt, "sword_512_128.vstex").size(), c.State == 3 ? 1u : 0u);
    }
}

TEST_F(PlayerTest, SwordPoseFollowsStageFacingAndActFrame) {
    struct Case {
        int64_t Stage;
        int64_t Facing;
        double OffsetX;
        double OffsetY;
        double Angle;
    };
    // Pose 5 of each swing: halfway between its first two key poses.
    const Case cases[] = {
        {0, 0, -12.5, -10.0, -2.35619449019235 + 0.5 * (2.44346095279206 - 2.35619449019235)},
        {1, 0, -12.5, 50.0, 0.436332312998582},
        {1, 1, 12.5, 50.0, 2.35619449019235},
        {2, 0, -20.0, 20.0, -0.785398163397449 + 0.5 * (0.261799387799149 + 0.785398163397449)},
    };
    for (const Case& c : cases) {
        Player p;
        SetUpLikeTheScene(p);
        if (c.Stage == 0) {
            Land(p);
            Attack(p, 6);
        } else {
            ReachStage(p, c.Stage - 1);
            ASSERT_TRUE(p.NextCombo());
            RunFrames(p, 700, 5);
        }
        ASSERT_EQ(p.GetActFrame(), 5);
        p.SetFacing(c.Facing);
        Rt.Draws.clear();
        p.DrawLine(100.0, 0.0, 700);
        const auto sword = DrawsOf(Rt, "sword_512_128.vstex");
        ASSERT_EQ(sword.size(), 1u);
        ExpectArgsNear(sword[0].Args,
                       {0, 0, 512, 128, p.GetX() - 100.0 + c.OffsetX, p.GetY() + c.OffsetY, 200, 50,
                        12.5, 12.5, c.Angle, 1, 1, 1, 1});
    }
}

TEST_F(PlayerTest, EmitHitScattersASparkAndAddsTheStageArc) {
    struct Case {
        int64_t Stage;
        int64_t Facing;
        bool Arc;
        double ArcOffsetX;
        double ArcAngle;
    };
    const Case cases[] = {
        {0, 0, true, -140.0, 0.0},               // 110
        {0, 1, true, -20.0, 0.0},                // 120
        {1, 0, true, -140.0, 2.35619449019235},  // 210
        {1, 1, true, -20.0, 2.35619449019235},   // 220
        {2, 0, false, 0.0, 0.0},
        {2, 1, false, 0.0, 0.0},
    };
    for (const Case& c : cases) {
        Player p;
        SetUpLikeTheScene(p);
        ReachStage(p, c.Stage);
        p.SetFacing(c.Facing);
        // The first draw scatters X, the second Y.
        Rt.RndFValues = {0.25, 0.75};
        p.EmitHit(650.0, 740.0);
        const double x = (c.Facing == 0 ? 700.0 : 600.0) + 5.0;
        const double y = 755.0;

        Rt.Draws.clear();
        p.DrawLine(0.0, 0.0, 700);
        const auto arcs = DrawsOf(Rt, "slash_effect.vstex");
        const auto sparks = DrawsOf(Rt, "hit_effect.vstex");
        ASSERT_EQ(sparks.size(), 1u);
        EXPECT_EQ(sparks[0].Args, (std::vector<double>{0, 0, 256, 256, x - 80, y - 80, 160, 160, 80,
                                                       80, 0, 1, 1, 1, 1}));
        ASSERT_EQ(arcs.size(), c.Arc ? 1u : 0u);
        if (c.Arc) {
            EXPECT_EQ(arcs[0].Args,
                      (std::vector<double>{0, 0, 256, 256, x + c.ArcOffsetX, y - 80, 160, 160, 80,
                                           80, c.ArcAngle, 1, 1, 1, 1}));
            // The arc goes under the spark.
            EXPECT_LT(FirstDrawOf(Rt, "slash_effect.vstex"), FirstDrawOf(Rt, "hit_effect.vstex"));
        }
    }
}

TEST_F(PlayerTest, HitPoolHoldsTenSparks) {
    ReachStage(P, 2);
    for (int i = 0; i < 11; ++i) {
        P.EmitHit(650.0, 740.0);
    }
    Rt.Draws.clear();
    P.DrawLine(0.0, 0.0, 700);
    EXPECT_EQ(DrawsOf(Rt, "hit_effect.vstex").size(), 10u);
}

TEST_F(PlayerTest, RunningRaisesAPuffAtTheFeetEveryTenFrames) {
    Land(P);
    P.SetCommand(true);
    P.SetFacing(0);
    P.SetState(2);
    struct Case {
        int64_t Frames;  // since the run command, counting its frame
        size_t Puffs;
    };
    int64_t done = 0;
    for (const Case& c : {Case{1, 0}, Case{2, 1}, Case{11, 1}, Case{12, 2}, Case{31, 3}}) {
        RunFrames(P, 700, c.Frames - done);
        done = c.Frames;
        Rt.Draws.clear();
        P.DrawLine(0.0, 0.0, 700);
        EXPECT_EQ(DrawsOf(Rt, "smog.vstex").size(), c.Puffs) << c.Frames;
    }
    // The first puff rose at X 710 (one frame into the run), 50 below the centre; it has
    // since been turned and faded 30 times.
    const auto smoke = DrawsOf(Rt, "smog.vstex");
    ExpectArgsNear(smoke[0].Args, {0, 0, 128, 128, 680, 720, 60, 60, 30, 30, 30 * 0.261799387799149,
                                   1, 1, 1, 1 - 30 * 0.0166666666666667});
    EXPECT_NEAR(smoke[0].Args[14], 0.5, 1e-9);
}

TEST_F(PlayerTest, BlinkingHidesBodyAndSwordButNotTheEffects) {
    ReachStage(P, 0);
    P.EmitHit(650.0, 740.0);
    P.Hurt(2.0);
    P.SetState(3);  // keep the sword in play to see that it hides too
    RunFrames(P, 700, 3);
    Rt.Draws.clear();
    P.DrawLine(0.0, 0.0, 700);
    EXPECT_TRUE(DrawsOf(Rt, "velquint256.vstex").empty());
    EXPECT_TRUE(DrawsOf(Rt, "sword_512_128.vstex").empty());
    EXPECT_EQ(DrawsOf(Rt, "hit_effect.vstex").size(), 1u);
}

}  // namespace
}  // namespace keldo::test
