#include <gtest/gtest.h>

#include "present/BitmapText.h"
#include "runtime/RtString.h"
#include "support/FakeRuntime.h"

namespace keldo {
namespace {

TEST(BitmapText, FormatNumCases) {
    test::FakeRuntime rt;
    BitmapText text;
    text.Init();
    struct Case {
        int64_t n, digits;
        bool zeroPad;
        const char16_t* want;
    };
    const Case cases[] = {
        {1234, 6, true, u"001234"}, {1234, 3, true, u"234"}, {7, 4, false, u"   7"},
        {0, 3, true, u"000"},       {-5, 3, false, u"   "},  {1234, 12, true, u"000000001234"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(text.FormatNum(c.n, c.digits, c.zeroPad), c.want) << c.n << " " << c.digits;
    }
}

TEST(BitmapText, DrawStrCutsCellsAndLaysOutLeftToRight) {
    test::FakeRuntime rt;
    BitmapText text;
    text.Init();
    text.DrawStr(u"A!", 100, 50, 25, 50, 0.5);
    ASSERT_EQ(rt.Draws.size(), 2u);
    EXPECT_EQ(rt.Draws[0].Tex, "font_128_64.vstex");
    EXPECT_EQ(rt.Draws[0].Args,
              (std::vector<double>{64, 256, 64, 128, 100, 50, 25, 50, 1, 1, 1, 0.5}));
    EXPECT_EQ(rt.Draws[1].Args,
              (std::vector<double>{64, 0, 64, 128, 125, 50, 25, 50, 1, 1, 1, 0.5}));

    rt.Draws.clear();
    text.DrawStr(u"ver 0.2", 800, 600, 25, 50, 1.0);
    ASSERT_EQ(rt.Draws.size(), 7u);
    EXPECT_EQ(rt.Draws.back().Args[4], 950);

    rt.Draws.clear();
    text.DrawStr(u"", 0, 0, 25, 50, 1.0);
    EXPECT_TRUE(rt.Draws.empty());
}

}  // namespace
}  // namespace keldo
