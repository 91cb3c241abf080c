#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "motion/ActorBody.h"
#include "motion/Body.h"
#include "motion/MathHelpers.h"
#include "motion/Vec.h"
#include "support/FakeRuntime.h"

namespace keldo {
namespace {

// The game runs with rounding toward zero, so a quotient can land one unit low.
constexpr double kTol = 1e-12;

Vec MakeVec(double x, double y) {
    Vec v;
    v.Set(x, y);
    return v;
}

TEST(Vec, NormalizeInPlaceAndIntoNewVector) {
    test::FakeRuntime rt;
    struct Case {
        double x, y, wantX, wantY;
    };
    const Case cases[] = {{0, 0, 0, 0}, {3, 4, 0.6, 0.8}, {-5, 0, -1, 0}};
    for (const Case& c : cases) {
        Vec v = MakeVec(c.x, c.y);
        const Vec n = VecNormalized(v);
        EXPECT_NEAR(n.GetX(), c.wantX, kTol) << c.x << "," << c.y;
        EXPECT_NEAR(n.GetY(), c.wantY, kTol) << c.x << "," << c.y;
        EXPECT_EQ(v.GetX(), c.x);
        EXPECT_EQ(v.GetY(), c.y);

        v.Normalize();
        EXPECT_NEAR(v.GetX(), c.wantX, kTol) << c.x << "," << c.y;
        EXPECT_NEAR(v.GetY(), c.wantY, kTol) << c.x << "," << c.y;
    }
}

TEST(Vec, LengthsCrossAndDifference) {
    test::FakeRuntime rt;
    const Vec v = MakeVec(3, 4);
    EXPECT_EQ(v.Len(), 5.0);
    EXPECT_EQ(v.LenSq(), 25.0);
    EXPECT_NEAR(VecLen(v), 5.0, kTol);  // squares through the runtime's Pow

    struct Cross {
        double ax, ay, bx, by, want;
    };
    const Cross crosses[] = {{1, 0, 0, 1, 1}, {0, 1, 1, 0, -1}, {2, 3, 4, 6, 0}};
    for (const Cross& c : crosses) {
        EXPECT_EQ(VecCross(MakeVec(c.ax, c.ay), MakeVec(c.bx, c.by)), c.want);
    }

    const Vec a = MakeVec(5, 7);
    const Vec b = MakeVec(2, 3);
    const Vec d = VecSub(a, b);
    EXPECT_EQ(d.GetX(), 3);
    EXPECT_EQ(d.GetY(), 4);
    EXPECT_EQ(a.GetX(), 5);
    EXPECT_EQ(b.GetY(), 3);

    Vec s = MakeVec(1, -2);
    s.Add(1, 1);
    s.AddX(0.5);
    s.AddY(-1);
    s.Scale(2);
    EXPECT_EQ(s.GetX(), 5);
    EXPECT_EQ(s.GetY(), -4);
}

TEST(MathHelpers, ReachTheRuntime) {
    test::FakeRuntime rt;
    rt.RndValues.push_back(17);
    rt.RndFValues.push_back(0.25);
    EXPECT_EQ(Rnd(100, 200), 17);
    EXPECT_EQ(rt.RndCalls, (std::vector<std::pair<int64_t, int64_t>>{{100, 200}}));
    EXPECT_EQ(RndF(), 0.25);
    EXPECT_EQ(Hypot(3, 4), 5);
    EXPECT_NEAR(InvRot(0, 1), std::numbers::pi / 2, kTol);
}

TEST(Body, PolarAndComponentViewsMeetOnlyOnRequest) {
    test::FakeRuntime rt;
    Body b;
    b.Init();

    b.SetPolar(10, 20, 0, 5);
    EXPECT_EQ(b.GetX(), 10);
    EXPECT_EQ(b.GetY(), 20);
    EXPECT_EQ(b.GetVelX(), 5);
    EXPECT_EQ(b.GetVelY(), 0);
    EXPECT_EQ(b.GetAngle(), 0);
    EXPECT_EQ(b.GetSpeed(), 5);

    b.Set(0, 0, 3, 4);
    EXPECT_NEAR(b.GetSpeed(), 5, kTol);
    EXPECT_EQ(b.GetAngle(), InvRot(3, 4));

    const double angle = b.GetAngle();
    b.SetVel(1, 1);
    EXPECT_EQ(b.GetAngle(), angle);
    EXPECT_NEAR(b.GetSpeed(), 5, kTol);
    b.UpdateSpeed();
    b.UpdateAngle();
    EXPECT_NEAR(b.GetSpeed(), std::sqrt(2.0), kTol);
    EXPECT_NEAR(b.GetAngle(), std::numbers::pi / 4, kTol);

    b.SetAngle(0);
    b.SetSpeed(2);
    b.UpdateVel();
    EXPECT_EQ(b.GetVelX(), 2);
    EXPECT_EQ(b.GetVelY(), 0);

    b.SetAngle(0);
    for (int i = 0; i < 10; ++i) {
        b.AddAngle(1);
    }
    EXPECT_EQ(b.GetAngle(), 10);
}

TEST(Body, NormalizeVelKeepsSpeedAndReachesEarlierReferences) {
    test::FakeRuntime rt;
    Body b;
    b.Init();
    Vec& vel = b.GetVel();

    b.SetVel(0, 0);
    b.NormalizeVel();
    EXPECT_EQ(b.GetVelX(), 0);
    EXPECT_EQ(b.GetVelY(), 0);

    b.Set(0, 0, 3, 4);
    const double speed = b.GetSpeed();
    b.NormalizeVel();
    EXPECT_NEAR(b.GetVelX(), 0.6, kTol);
    EXPECT_NEAR(b.GetVelY(), 0.8, kTol);
    EXPECT_EQ(b.GetSpeed(), speed);
    EXPECT_NEAR(vel.GetX(), 0.6, kTol);
}

TEST(Body, GettersHandOutTheBodysOwnVectors) {
    test::FakeRuntime rt;
    ActorBody b;
    b.Init();
    b.GetPos().Set(7, 8);
    b.GetVel().AddX(2);
    EXPECT_EQ(b.GetX(), 7);
    EXPECT_EQ(b.GetY(), 8);
    EXPECT_EQ(b.GetVelX(), 2);

    b.SetMove(1, 1);
    b.Init();
    EXPECT_EQ(b.GetX(), 0);
    EXPECT_EQ(b.GetVelX(), 0);
    EXPECT_EQ(b.GetMoveX(), 0);
}

TEST(ActorBody, StepAddsMoveUnchanged) {
    test::FakeRuntime rt;
    ActorBody b;
    b.Init();
    b.SetPos(100, 50);
    b.Step();
    EXPECT_EQ(b.GetX(), 100);
    EXPECT_EQ(b.GetY(), 50);

    b.SetMove(3, -2);
    b.Step();
    b.Step();
    EXPECT_EQ(b.GetX(), 106);
    EXPECT_EQ(b.GetY(), 46);
    EXPECT_EQ(b.GetMoveX(), 3);
    EXPECT_EQ(b.GetMoveY(), -2);
}

TEST(ActorBody, MoveLengthAndAngle) {
    test::FakeRuntime rt;
    ActorBody b;
    b.Init();
    for (int i = 0; i < 3; ++i) {
        b.AddMove(0, 1);
    }
    EXPECT_EQ(b.GetMoveX(), 0);
    EXPECT_EQ(b.GetMoveY(), 3);
    EXPECT_NEAR(b.GetMoveLen(), 3, kTol);
    EXPECT_NEAR(b.GetMoveLenSq(), 9, kTol);

    b.SetMove(0, 5);
    EXPECT_EQ(b.GetMoveAngle(), 0);
    b.UpdateMoveAngle();
    EXPECT_EQ(b.GetMoveAngle(), InvRot(0, 5));
}

}  // namespace
}  // namespace keldo
