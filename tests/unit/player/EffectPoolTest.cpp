#include <gtest/gtest.h>

#include "player/EffectPool.h"
#include "support/FakeRuntime.h"

namespace keldo {
namespace {

TEST(EffectPool, ParticleLivesLifePlusOneUpdatesThenFrees) {
    test::FakeRuntime rt;
    EffectPool pool;
    pool.Init(0.0, 0.0, 20, 80.0, 1.0, -0.5, 10);
    EXPECT_EQ(pool.GetCapacity(), 10);
    EXPECT_EQ(pool.GetSize(), 80.0);

    pool.Emit(110, 30.0, 40.0);
    EXPECT_TRUE(pool.IsAlive(0));
    EXPECT_EQ(pool.GetAge(0), 0);
    EXPECT_EQ(pool.GetKind(0), 110);
    EXPECT_EQ(pool.GetAlpha(0), 1.0);
    for (int i = 0; i < 21; ++i) {
        pool.Update();
    }
    EXPECT_TRUE(pool.IsAlive(0));
    EXPECT_EQ(pool.GetAge(0), 21);
    // The drift accelerates: after n updates it has moved 1 + 2 + ... + n times accel.
    EXPECT_EQ(pool.GetX(0), 30.0 + 231.0);
    EXPECT_EQ(pool.GetY(0), 40.0 - 115.5);
    pool.Update();
    EXPECT_FALSE(pool.IsAlive(0));
    EXPECT_EQ(pool.GetAge(0), 21);
}

TEST(EffectPool, FullPoolDropsEmissions) {
    test::FakeRuntime rt;
    EffectPool pool;
    pool.Init(0.0, 0.0, 20, 80.0, 0.0, 0.0, 10);
    for (int i = 1; i <= 11; ++i) {
        pool.Emit(i, 10.0 * i, 0.0);
    }
    for (int i = 0; i < 10; ++i) {
        EXPECT_TRUE(pool.IsAlive(i));
        EXPECT_EQ(pool.GetKind(i), i + 1);
    }
}

TEST(EffectPool, FirstFreedSlotIsReusedBeforeHigherFreeOnes) {
    test::FakeRuntime rt;
    EffectPool pool;
    pool.Init(0.0, 0.0, 3, 80.0, 0.0, 0.0, 10);
    pool.Emit(1, 0.0, 0.0);
    pool.Update();
    pool.Update();
    pool.Emit(2, 0.0, 0.0);
    for (int i = 0; i < 3; ++i) {
        pool.Update();
    }
    ASSERT_FALSE(pool.IsAlive(0));
    ASSERT_TRUE(pool.IsAlive(1));

    pool.Emit(3, 5.0, 6.0);
    EXPECT_TRUE(pool.IsAlive(0));
    EXPECT_EQ(pool.GetKind(0), 3);
    EXPECT_EQ(pool.GetAge(0), 0);
    EXPECT_EQ(pool.GetX(0), 5.0);
    EXPECT_EQ(pool.GetY(0), 6.0);
    EXPECT_FALSE(pool.IsAlive(2));
}

TEST(EffectPool, SpinAndFadeAccumulateAndAReusedSlotKeepsItsAngle) {
    test::FakeRuntime rt;
    const double spin = 0.261799387799149;
    const double fade = 0.0166666666666667;
    EffectPool pool;
    pool.Init(spin, fade, 60, 30.0, 0.0, 0.0, 10);
    pool.Emit(100, 0.0, 0.0);
    EXPECT_EQ(pool.GetAngle(0), 0.0);
    for (int i = 0; i < 30; ++i) {
        pool.Update();
    }
    EXPECT_NEAR(pool.GetAngle(0), 30 * spin, 1e-9);
    EXPECT_NEAR(pool.GetAlpha(0), 0.5, 1e-9);
    for (int i = 0; i < 31; ++i) {
        pool.Update();
    }
    // Not clamped: the last of its 61 updates leaves it just below zero.
    EXPECT_LT(pool.GetAlpha(0), 0.0);
    EXPECT_NEAR(pool.GetAlpha(0), 1.0 - 61 * fade, 1e-9);
    pool.Update();
    ASSERT_FALSE(pool.IsAlive(0));

    pool.Emit(100, 0.0, 0.0);
    EXPECT_EQ(pool.GetAlpha(0), 1.0);
    EXPECT_NEAR(pool.GetAngle(0), 61 * spin, 1e-9);
    pool.Update();
    EXPECT_NEAR(pool.GetAngle(0), 62 * spin, 1e-9);
}

}  // namespace
}  // namespace keldo
