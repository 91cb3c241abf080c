#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "PlainLibrary.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(Text, IToSWritesDecimal) {
    struct Case {
        int64_t N;
        const char* Text;
    };
    for (const Case& c :
         {Case{0, "0"}, Case{42, "42"}, Case{-7, "-7"}, Case{INT64_MAX, "9223372036854775807"},
          Case{INT64_MIN, "-9223372036854775808"}}) {
        EXPECT_EQ(Take(Lib().IToS(c.N)), c.Text);
    }
}

TEST(Text, IToSFPadsWithoutCutting) {
    struct Case {
        int64_t N, Width;
        bool Zero;
        const char* Text;
    };
    for (const Case& c :
         {Case{42, 5, false, "   42"}, Case{42, 5, true, "00042"}, Case{-42, 5, true, "-0042"},
          Case{-42, 5, false, "  -42"}, Case{123456, 3, true, "123456"}, Case{7, 0, true, "7"}}) {
        EXPECT_EQ(Take(Lib().IToSF(c.N, c.Width, c.Zero)), c.Text) << c.N << " in " << c.Width;
    }
}

TEST(Text, FToSShowsAtMostSixSignificantDigits) {
    struct Case {
        double X;
        const char* Text;
    };
    for (const Case& c :
         {Case{60, "60"}, Case{59.94, "59.94"}, Case{59.99999999, "60"}, Case{0.5, "0.5"},
          Case{-2.25, "-2.25"}, Case{0, "0"}, Case{-0.0, "0"}, Case{1e20, "1e+20"},
          Case{123456789, "1.23457e+08"}, Case{0.0001, "0.0001"}, Case{kInf, "inf"},
          Case{-kInf, "-inf"}, Case{kNaN, "nan"}, Case{-kNaN, "nan"}}) {
        EXPECT_EQ(Take(Lib().FToS(c.X)), c.Text) << c.Text;
    }
}

TEST(Text, FToSFWritesFixedDecimals) {
    struct Case {
        double X;
        int64_t Decimals;
        const char* Text;
    };
    for (const Case& c : {Case{3.14159, 2, "3.14"}, Case{2.5, 0, "2"}, Case{-1, 3, "-1.000"},
                          Case{0.07, 1, "0.1"}, Case{kInf, 2, "inf"}}) {
        EXPECT_EQ(Take(Lib().FToSF(c.X, c.Decimals)), c.Text) << c.Text;
    }
    EXPECT_EQ(RaisedCode([] { Lib().FToSF(1, -1); }), TV_ERR_ARG);
}

TEST(Text, SToIAcceptsOnlyWholeIntegers) {
    struct Case {
        const char* Text;
        bool Ok;
        int64_t Value;
    };
    for (const Case& c :
         {Case{"123", true, 123}, Case{" -45 ", true, -45}, Case{"+7", true, 7},
          Case{"-9223372036854775808", true, INT64_MIN}, Case{"9223372036854775808", false, 0},
          Case{"", false, 0}, Case{"-", false, 0}, Case{"12a", false, 0}, Case{"1.5", false, 0},
          Case{"0x10", false, 0}, Case{"1 2", false, 0}}) {
        bool ok = !c.Ok;
        EXPECT_EQ(Lib().SToI(Str(c.Text).get(), &ok), c.Value) << '"' << c.Text << '"';
        EXPECT_EQ(ok, c.Ok) << '"' << c.Text << '"';
    }
}

TEST(Text, SToFAcceptsOnlyWholeNumbers) {
    struct Case {
        const char* Text;
        bool Ok;
        double Value;
    };
    for (const Case& c : {Case{"0.1", true, 0.1}, Case{" -2.5e3", true, -2500}, Case{"+4", true, 4},
                          Case{"inf", true, kInf}, Case{"", false, 0}, Case{"1.5x", false, 0},
                          Case{"0x1p3", false, 0}, Case{"1e999", false, 0}, Case{"+-1", false, 0},
                          Case{".", false, 0}}) {
        bool ok = !c.Ok;
        EXPECT_EQ(Lib().SToF(Str(c.Text).get(), &ok), c.Value) << '"' << c.Text << '"';
        EXPECT_EQ(ok, c.Ok) << '"' << c.Text << '"';
    }
    bool ok = true;
    EXPECT_TRUE(std::isnan(Lib().SToF(Str("nan").get(), &ok)));
}

TEST(Text, NullStringIsAnArgumentError) {
    bool ok = false;
    EXPECT_EQ(RaisedCode([&] { Lib().SToI(nullptr, &ok); }), TV_ERR_ARG);
    EXPECT_EQ(RaisedCode([&] { Lib().SToF(nullptr, &ok); }), TV_ERR_ARG);
}

}  // namespace
