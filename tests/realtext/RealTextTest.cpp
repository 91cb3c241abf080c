#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "plain/RealText.h"

namespace {

using tolvex::kRealTextMax;

std::string Standard(double x) {
    char text[kRealTextMax];
    return std::string(text, std::to_chars(text, text + sizeof text, x).ptr);
}

std::string Portable(double x) {
    char text[kRealTextMax];
    return std::string(text, tolvex::WriteRealPortable(text, x));
}

std::vector<double> Awkward() {
    const double inf = std::numeric_limits<double>::infinity();
    return {0.0,
            -0.0,
            1.0,
            -1.0,
            0.1,
            0.5,
            1.5,
            2.0 / 3.0,
            100.0,
            1e15,
            1e16,
            1e17,
            1e21,
            1e22,
            1e23,
            123456789012345680000.0,
            9007199254740993.0,
            1e-5,
            1e-7,
            0.0001,
            0.00012345,
            5e-324,
            2.2250738585072014e-308,
            std::numeric_limits<double>::max(),
            std::numeric_limits<double>::lowest(),
            1600.0,
            900.0,
            0.016666666666666666,
            3.141592653589793,
            -273.15,
            4.35,
            0.3,
            1234567.0,
            12345678901234567.0,
            inf,
            -inf,
            std::nan(""),
            -std::nan("")};
}

// Doubles of every exponent: random bit patterns, and random values of the sizes a game has.
std::vector<double> Many() {
    std::mt19937_64 random(20261210);
    std::vector<double> out;
    for (int i = 0; i < 20000; ++i) {
        const uint64_t bits = random();
        double x;
        std::memcpy(&x, &bits, sizeof x);
        out.push_back(x);
    }
    std::uniform_real_distribution<double> screen(-4000.0, 4000.0);
    for (int i = 0; i < 20000; ++i) {
        const double x = screen(random);
        out.push_back(x);
        out.push_back(std::round(x * 100.0) / 100.0);  // short decimals, the common case
    }
    return out;
}

TEST(RealText, PortableWritesWhatTheStandardLibraryWrites) {
    for (double x : Awkward()) {
        EXPECT_EQ(Portable(x), Standard(x)) << "bits of " << Standard(x);
    }
    int wrong = 0;
    for (double x : Many()) {
        if (Portable(x) != Standard(x) && ++wrong <= 10) {
            ADD_FAILURE() << Portable(x) << " instead of " << Standard(x);
        }
    }
    EXPECT_EQ(wrong, 0);
}

TEST(RealText, PortableReadsWhatTheStandardLibraryReads) {
    const char* texts[] = {
        "0",
        "-0",
        "1",
        "-1.5",
        ".5",
        "5.",
        "1e3",
        "1E-3",
        "1e+3",
        "inf",
        "-INF",
        "infinity",
        "nan",
        "NaN",
        "nan(12)",
        "1e400",
        "-1e400",
        "1e-400",
        "5e-324",
        "2e-320",
        "1.7976931348623157e308",
        "",
        "-",
        "+1",
        "++1",
        " 1",
        "1 ",
        "0x10",
        "-0x1p3",
        "1e",
        "e5",
        "1.2.3",
        "abc",
        "1,5",
        "00012",
        "0.000000000000000000000000000001",
        "12345678901234567890123456789",
    };
    for (const char* text : texts) {
        const char* end = text + std::strlen(text);
        double standard = -7.0;
        const auto [stop, error] = std::from_chars(text, end, standard);
        const bool standardOk = error == std::errc{} && stop == end;
        double portable = -7.0;
        const bool portableOk = tolvex::ReadRealPortable(text, end, portable);
        EXPECT_EQ(portableOk, standardOk) << '"' << text << '"';
        if (standardOk && portableOk) {
            EXPECT_EQ(Standard(portable), Standard(standard)) << '"' << text << '"';
        }
    }
    // Everything written reads back as the same double.
    for (double x : Many()) {
        const std::string text = Portable(x);
        double back = 0.0;
        if (std::isnan(x)) continue;
        ASSERT_TRUE(tolvex::ReadRealPortable(text.data(), text.data() + text.size(), back)) << text;
        ASSERT_EQ(std::memcmp(&back, &x, sizeof x), 0) << text;
    }
}

}  // namespace
