#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "PlainLibrary.h"

namespace {

TEST(Math, ModTakesTheSignOfTheDividend) {
    struct Case {
        double X, Y, Expected;
    };
    for (const Case& c : {Case{-500, 2000, -500}, Case{500, -2000, 500}, Case{2500, 2000, 500},
                          Case{-2500, 2000, -500}, Case{7.5, 2, 1.5}, Case{-7.5, -2, -1.5}}) {
        EXPECT_EQ(Lib().Mod(c.X, c.Y), c.Expected) << c.X << " mod " << c.Y;
    }
}

TEST(Math, InvRotGivesTheAngleInEveryQuadrant) {
    const double pi = std::acos(-1.0);
    struct Case {
        double X, Y, Angle;
    };
    for (const Case& c :
         {Case{1, 0, 0}, Case{1, 1, pi / 4}, Case{0, 1, pi / 2}, Case{-1, 1, 3 * pi / 4},
          Case{-1, 0, pi}, Case{-1, -1, -3 * pi / 4}, Case{0, -1, -pi / 2}, Case{1, -1, -pi / 4}}) {
        EXPECT_NEAR(Lib().InvRot(c.X, c.Y), c.Angle, 1e-12) << c.X << ", " << c.Y;
    }
    // The inverse of building a direction with Cos and Sin.
    EXPECT_NEAR(Lib().InvRot(Lib().Cos(2.5), Lib().Sin(2.5)), 2.5, 1e-12);
}

// The library carries its own sine, cosine, arc tangent, hypotenuse and power, so that every
// platform gives the same bits; they must also be right. A sweep from tiny to huge arguments
// (huge angles need the long reduction by pi/2), checked against the system's maths.
TEST(Math, OwnFunctionsAgreeWithTheSystemsAcrossTheirRange) {
    constexpr double kTolerance = 4 * std::numeric_limits<double>::epsilon();
    const auto close = [&](double got, double want) {
        return std::fabs(got - want) <= kTolerance * std::max(1.0, std::fabs(want));
    };
    for (double magnitude = 1e-300; magnitude < 1e300; magnitude *= 7.3) {
        for (double x : {magnitude, -magnitude, magnitude * 1.618, -magnitude / 3.7}) {
            ASSERT_TRUE(close(Lib().Sin(x), std::sin(x))) << "sin " << x;
            ASSERT_TRUE(close(Lib().Cos(x), std::cos(x))) << "cos " << x;
            ASSERT_TRUE(close(Lib().ATan(x), std::atan(x))) << "atan " << x;
            for (double y : {1.0, -2.5, 1e-5, 3e7}) {
                ASSERT_TRUE(close(Lib().InvRot(x, y), std::atan2(y, x)))
                    << "atan2 " << y << ", " << x;
                ASSERT_TRUE(close(Lib().Hypot(x, y), std::hypot(x, y)))
                    << "hypot " << x << ", " << y;
            }
            if (std::fabs(x) < 1e150) {
                ASSERT_TRUE(close(Lib().Pow(x, 2.0), x * x)) << "pow " << x;
            }
            ASSERT_TRUE(close(Lib().Pow(std::fabs(x), 0.37), std::pow(std::fabs(x), 0.37))) << x;
        }
    }
    EXPECT_TRUE(std::isnan(Lib().Pow(-2.0, 0.5)));
    EXPECT_EQ(Lib().Pow(0.0, -1.0), std::numeric_limits<double>::infinity());
}

TEST(Math, RotTurnsAboutTheOrigin) {
    double x = 2;
    double y = 0;
    Lib().Rot(&x, &y, std::acos(-1.0) / 2);
    EXPECT_NEAR(x, 0, 1e-12);
    EXPECT_NEAR(y, 2, 1e-12);
    EXPECT_EQ(RaisedCode([] { Lib().Rot(nullptr, nullptr, 1); }), TV_ERR_ARG);
}

TEST(Math, PowIWrapsAndTruncatesNegativeExponents) {
    struct Case {
        int64_t X, Y, Expected;
    };
    for (const Case& c :
         {Case{2, 10, 1024}, Case{-3, 3, -27}, Case{0, 0, 1}, Case{7, 0, 1}, Case{2, 63, INT64_MIN},
          Case{2, 64, 0}, Case{2, -1, 0}, Case{1, -5, 1}, Case{-1, -3, -1}, Case{-1, -4, 1}}) {
        EXPECT_EQ(Lib().PowI(c.X, c.Y), c.Expected) << c.X << " ^ " << c.Y;
    }
    EXPECT_EQ(RaisedCode([] { Lib().PowI(0, -1); }), TV_ERR_ARG);
}

TEST(Math, LogInAnyBase) {
    EXPECT_NEAR(Lib().Log(2, 1024), 10, 1e-12);
    EXPECT_NEAR(Lib().Log(10, 0.001), -3, 1e-12);
    EXPECT_TRUE(std::isnan(Lib().Log(1, 1)));
}

TEST(Math, ChaseStepsTowardTheTargetAndStopsOnIt) {
    struct Case {
        double From, Target, Speed, After;
        bool Reached;
    };
    for (const Case& c :
         {Case{0, 10, 3, 3, false}, Case{10, 0, 3, 7, false}, Case{9, 10, 3, 10, true},
          Case{10, 10, 0, 10, true}, Case{0, -10, -4, -4, false}}) {
        double x = c.From;
        EXPECT_EQ(Lib().Chase(&x, c.Target, c.Speed), c.Reached) << c.From << " -> " << c.Target;
        EXPECT_EQ(x, c.After) << c.From << " -> " << c.Target;
    }
}

}  // namespace
