#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <set>
#include <vector>

#include "PlainLibrary.h"

namespace {

TEST(Random, RndStaysWithinBothBoundsAndReachesThem) {
    struct Case {
        int64_t Min, Max, Low, High;
    };
    // Reversed bounds are swapped.
    for (const Case& c : {Case{0, 1, 0, 1}, Case{1, 3, 1, 3}, Case{1, 4, 1, 4},
                          Case{100, 200, 100, 200}, Case{5, 5, 5, 5}, Case{3, -2, -2, 3}}) {
        std::set<int64_t> seen;
        for (int i = 0; i < 20000; ++i) {
            const int64_t n = Lib().Rnd(c.Min, c.Max);
            ASSERT_GE(n, c.Low) << c.Min << ".." << c.Max;
            ASSERT_LE(n, c.High) << c.Min << ".." << c.Max;
            seen.insert(n);
        }
        EXPECT_EQ(seen.size(), static_cast<size_t>(c.High - c.Low + 1)) << c.Min << ".." << c.Max;
    }
    // The widest range must not overflow into a constant.
    std::set<int64_t> wide;
    for (int i = 0; i < 100; ++i) {
        wide.insert(Lib().Rnd(INT64_MIN, INT64_MAX));
    }
    EXPECT_GT(wide.size(), 90u);
}

TEST(Random, RndIsRoughlyUniform) {
    int64_t counts[4] = {};
    constexpr int kDraws = 40000;
    for (int i = 0; i < kDraws; ++i) {
        ++counts[Lib().Rnd(0, 3)];
    }
    for (int64_t count : counts) {
        EXPECT_NEAR(static_cast<double>(count), kDraws / 4.0, kDraws * 0.02);
    }
}

TEST(Random, FractionsLieInTheHalfOpenUnitInterval) {
    double low = 1;
    double high = 0;
    for (int i = 0; i < 20000; ++i) {
        const double f = Lib().RndF();
        ASSERT_GE(f, 0.0);
        ASSERT_LT(f, 1.0);
        low = std::min(low, f);
        high = std::max(high, f);
    }
    EXPECT_LT(low, 0.01);
    EXPECT_GT(high, 0.99);
}

TEST(Random, SeededGeneratorReplaysFromItsSeed) {
    int64_t a = Lib().MakeRndSeed(1234);
    int64_t b = Lib().MakeRndSeed(1234);
    int64_t other = Lib().MakeRndSeed(1235);
    std::vector<int64_t> first, second, third;
    for (int i = 0; i < 50; ++i) {
        first.push_back(Lib().GetRnd(&a, 0, 1000000));
        second.push_back(Lib().GetRnd(&b, 0, 1000000));
        third.push_back(Lib().GetRnd(&other, 0, 1000000));
    }
    EXPECT_EQ(first, second);
    EXPECT_NE(first, third);

    int64_t seed = Lib().MakeRndSeed(7);
    std::set<int64_t> seen;
    for (int i = 0; i < 2000; ++i) {
        const int64_t n = Lib().GetRnd(&seed, -3, 3);
        ASSERT_GE(n, -3);
        ASSERT_LE(n, 3);
        seen.insert(n);
        const double f = Lib().GetRndF(&seed);
        ASSERT_GE(f, 0.0);
        ASSERT_LT(f, 1.0);
    }
    EXPECT_EQ(seen.size(), 7u);
    EXPECT_EQ(RaisedCode([] { Lib().GetRnd(nullptr, 0, 1); }), TV_ERR_ARG);
}

TEST(Random, HashIsStableAndSeesEveryByte) {
    // FNV-1a: the empty input hashes to the offset basis.
    EXPECT_EQ(static_cast<uint64_t>(Lib().MakeHash(Bytes("").get())), 0xCBF29CE484222325ULL);
    EXPECT_EQ(static_cast<uint64_t>(Lib().MakeHash(Bytes("a").get())), 0xAF63DC4C8601EC8CULL);
    EXPECT_NE(Lib().MakeHash(Bytes("ab").get()), Lib().MakeHash(Bytes("ba").get()));
}

}  // namespace
