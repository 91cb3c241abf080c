#include <gtest/gtest.h>

#include <type_traits>

#include "present/InputState.h"
#include "present/Tex.h"
#include "support/FakeRuntime.h"

namespace keldo {
namespace {

// Space is pad button 0, in slot 4 of the tracked buttons.
constexpr int64_t kSpace = 0;

TEST(InputState, EdgesFollowTheHeldCount) {
    test::FakeRuntime rt;
    InputState input;
    input.Init();
    struct Step {
        int64_t count;  // what the library reports for Space in this frame
        bool held, pushed, released;
    };
    // Held for three frames, then up; a button that stays up never shows anything.
    const Step steps[] = {
        {0, false, false, false}, {1, true, true, false},  {2, true, false, false},
        {3, true, false, false},  {0, false, false, true}, {0, false, false, false},
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        rt.PadCounts[kSpace] = steps[i].count;
        input.Update();
        EXPECT_EQ(input.HeldButton0(), steps[i].held) << i;
        EXPECT_EQ(input.PushedButton0(), steps[i].pushed) << i;
        EXPECT_EQ(input.ReleasedButton0(), steps[i].released) << i;
        EXPECT_FALSE(input.HeldLeft() || input.PushedLeft() || input.ReleasedLeft()) << i;
    }
}

TEST(InputState, ASecondUpdateInOneFrameKeepsHeldAndPushedButDropsReleased) {
    test::FakeRuntime rt;
    InputState input;
    input.Init();
    rt.PadCounts[12] = 3;  // left
    input.Update();
    rt.PadCounts[12] = 1;  // let go and pressed again: the count fell
    rt.PadCounts[2] = 1;   // attack
    input.Update();
    EXPECT_TRUE(input.ReleasedLeft());
    EXPECT_TRUE(input.PushedLeft());
    input.Update();
    EXPECT_FALSE(input.ReleasedLeft());
    EXPECT_TRUE(input.PushedLeft());
    EXPECT_TRUE(input.HeldLeft());
    EXPECT_TRUE(input.PushedButton2());
}

TEST(InputState, EachSlotReadsItsOwnPadButton) {
    test::FakeRuntime rt;
    InputState input;
    input.Init();
    for (int64_t b : {14, 15, 12, 13, 0, 1, 2, 3, 4, 5}) rt.PadCounts[b] = 1;
    input.Update();
    EXPECT_TRUE(input.PushedUp() && input.PushedDown() && input.PushedLeft() &&
                input.PushedRight() && input.PushedButton0() && input.PushedButton1() &&
                input.PushedButton2());
    EXPECT_TRUE(input.HeldButton3() && input.HeldButton4() && input.HeldButton5());
    rt.PadCounts.clear();
    input.Update();
    EXPECT_TRUE(input.ReleasedUp() && input.ReleasedDown() && input.ReleasedRight() &&
                input.ReleasedButton1());
}

// Only the library makes pictures: the game can neither make nor copy one.
static_assert(!std::is_default_constructible_v<Tex>);
static_assert(!std::is_copy_constructible_v<Tex>);
static_assert(!std::is_copy_assignable_v<Tex>);

}  // namespace
}  // namespace keldo
