#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>
#include <string>
#include <vector>

#include "PlainLibrary.h"

namespace {

TEST(Sort, EachKindSortsAscending) {
    std::vector<int64_t> ints = {5, -3, INT64_MAX, 0, INT64_MIN, 5};
    Lib().Sort(ints.data(), static_cast<int64_t>(ints.size()), 0);
    EXPECT_EQ(ints, (std::vector<int64_t>{INT64_MIN, -3, 0, 5, 5, INT64_MAX}));

    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::vector<double> reals = {2.5, nan, -1, 0.5, -INFINITY};
    Lib().Sort(reals.data(), static_cast<int64_t>(reals.size()), 1);
    EXPECT_EQ(std::vector<double>(reals.begin(), reals.end() - 1),
              (std::vector<double>{-INFINITY, -1, 0.5, 2.5}));
    EXPECT_TRUE(std::isnan(reals.back()));

    const StrPtr pear = Str("pear"), apple = Str("apple"), app = Str("app");
    std::vector<const TvStr*> strs = {pear.get(), apple.get(), app.get()};
    Lib().Sort(strs.data(), 3, 2);
    EXPECT_EQ(strs, (std::vector<const TvStr*>{app.get(), apple.get(), pear.get()}));

    std::vector<uint8_t> u8 = {200, 3, 255, 0};
    Lib().Sort(u8.data(), 4, 3);
    EXPECT_EQ(u8, (std::vector<uint8_t>{0, 3, 200, 255}));
    std::vector<uint16_t> u16 = {65535, 1, 300};
    Lib().Sort(u16.data(), 3, 4);
    EXPECT_EQ(u16, (std::vector<uint16_t>{1, 300, 65535}));
    std::vector<uint32_t> u32 = {4000000000u, 2, 1};
    Lib().Sort(u32.data(), 3, 5);
    EXPECT_EQ(u32, (std::vector<uint32_t>{1, 2, 4000000000u}));
    std::vector<uint64_t> u64 = {UINT64_MAX, 0, 1};
    Lib().Sort(u64.data(), 3, 6);
    EXPECT_EQ(u64, (std::vector<uint64_t>{0, 1, UINT64_MAX}));
}

TEST(Sort, BadArgumentsAreRefused) {
    int64_t item = 0;
    EXPECT_EQ(RaisedCode([&] { Lib().Sort(&item, 1, 99); }), TV_ERR_ARG);
    EXPECT_EQ(RaisedCode([&] { Lib().Sort(&item, -1, 0); }), TV_ERR_ARG);
    EXPECT_EQ(RaisedCode([&] { Lib().Sort(nullptr, 3, 0); }), TV_ERR_ARG);
    const TvStr* strs[2] = {nullptr, nullptr};
    EXPECT_EQ(RaisedCode([&] { Lib().Sort(strs, 2, 2); }), TV_ERR_ARG);
    EXPECT_EQ(RaisedCode([&] { Lib().Reverse(&item, 1, 0); }), TV_ERR_ARG);
}

TEST(Sort, ReverseAndShuffleMoveWholeItems) {
    struct Item {
        int32_t A;
        char Tag[20];
    };
    std::vector<Item> items(7);
    for (int i = 0; i < 7; ++i) {
        items[i].A = i;
        std::fill(std::begin(items[i].Tag), std::end(items[i].Tag), static_cast<char>('a' + i));
    }
    Lib().Reverse(items.data(), 7, sizeof(Item));
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(items[i].A, 6 - i);
        EXPECT_EQ(items[i].Tag[19], 'a' + 6 - i);
    }

    std::vector<int64_t> deck(52);
    std::iota(deck.begin(), deck.end(), 0);
    Lib().Shuffle(deck.data(), 52, sizeof(int64_t));
    std::vector<int64_t> sorted = deck;
    std::sort(sorted.begin(), sorted.end());
    std::vector<int64_t> ordered(52);
    std::iota(ordered.begin(), ordered.end(), 0);
    EXPECT_EQ(sorted, ordered);
    EXPECT_NE(deck, ordered);
}

TEST(Compare, CmpStrUsesUtf16UnitOrder) {
    struct Case {
        std::u16string A, B;
        int64_t Expected;
    };
    // A surrogate pair (U+1F600) orders by its first unit, 0xD83D, before U+FF01.
    for (const Case& c : {Case{u"abc", u"abd", -1}, Case{u"abc", u"abc", 0}, Case{u"b", u"abc", 1},
                          Case{u"ab", u"abc", -1}, Case{u"", u"", 0}, Case{u"Z", u"a", -1},
                          Case{u"\U0001F600", u"\uFF01", -1}}) {
        EXPECT_EQ(Lib().CmpStr(Str(c.A).get(), Str(c.B).get()), c.Expected);
        EXPECT_EQ(Lib().CmpStr(Str(c.B).get(), Str(c.A).get()), -c.Expected);
    }
}

TEST(Compare, NumbersCompareAsTheirTypes) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(Lib().CmpInt(-5, 3), -1);
    EXPECT_EQ(Lib().CmpInt(INT64_MAX, INT64_MIN), 1);
    EXPECT_EQ(Lib().CmpFloat(0.0, -0.0), 0);
    EXPECT_EQ(Lib().CmpFloat(nan, 1e300), 1);
    EXPECT_EQ(Lib().CmpFloat(nan, nan), 0);
    EXPECT_EQ(Lib().CmpByte8(255, 1), 1);
    EXPECT_EQ(Lib().CmpByte16(1, 65535), -1);
    EXPECT_EQ(Lib().CmpByte32(4000000000u, 4000000000u), 0);
    EXPECT_EQ(Lib().CmpByte64(UINT64_MAX, 0), 1);
}

}  // namespace
