#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "motion/AnimeSprite.h"
#include "support/FakeRuntime.h"

namespace keldo {
namespace {

using Messages = std::vector<std::string>;
using Args = std::vector<double>;

// Frame k of every animation here is cut at SrcX = 100·k, so the chosen frame shows in
// the source rectangle.
void AddFrames(AnimeSprite& s, int64_t id, int64_t count, int64_t time) {
    for (int64_t k = 0; k < count; ++k) {
        s.AddAnimeFrame(id, 100.0 * static_cast<double>(k), 0, 256, 256, 0, time);
    }
}

TEST(AnimeSprite, FrameIsChosenByTime) {
    test::FakeRuntime rt;
    AnimeSprite s;
    s.Init(3, 0, 0, 1600, 900);
    s.AddAnime(100, true, 4);
    AddFrames(s, 100, 4, 15);
    s.AddAnime(200, false, 4);
    AddFrames(s, 200, 4, 15);
    s.AddAnime(300, true, 1);
    AddFrames(s, 300, 1, 300);
    EXPECT_EQ(s.GetTotalTime(100), 60);
    EXPECT_EQ(s.GetTotalTime(300), 300);
    rt.Messages.clear();

    struct Case {
        int64_t id, time, frame;
    };
    const Case cases[] = {
        {100, 0, 0},  {100, 14, 0},  {100, 15, 1},  {100, 59, 3},   {100, 60, 0},   {100, 75, 1},
        {100, -5, 0}, {200, 59, 3},  {200, 60, 3},  {200, 61, 3},   {200, 1000, 3}, {200, -5, 0},
        {300, 0, 0},  {300, 299, 0}, {300, 300, 0}, {300, 4567, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(s.GetFrameAt(c.id, c.time).SrcX, 100.0 * static_cast<double>(c.frame))
            << "id " << c.id << " time " << c.time;
    }
    EXPECT_EQ(s.GetFrame(100, 2).SrcX, 200);
    EXPECT_TRUE(rt.Messages.empty());
}

TEST(AnimeSprite, DrawPlacesTheFrameCentredRelativeToTheView) {
    test::FakeRuntime rt;
    AnimeSprite s;
    s.LoadTex(u"velquint256.vstex");
    s.Init(1, 0, 0, 1600, 900);
    s.AddAnime(100, true, 2);
    s.AddAnimeFrame(100, 0, 0, 256, 256, 0, 10);
    s.AddAnimeFrame(100, 256, 0, -256, 256, 0.5, 10);

    s.Draw(100, 12, 500, 400, 64, 32, 0.25, 0.5, 100, 50);
    ASSERT_EQ(rt.Draws.size(), 1u);
    EXPECT_EQ(rt.Draws[0].Tex, "velquint256.vstex");
    EXPECT_TRUE(rt.Draws[0].Rotated);
    // The negative source width reaches the runtime unchanged: it mirrors the cell.
    EXPECT_EQ(rt.Draws[0].Args,
              (Args{256, 0, -256, 256, 336, 318, 128, 64, 64, 32, 0.75, 1, 1, 1, 0.5}));
}

TEST(AnimeSprite, CullingUsesStrictComparisons) {
    test::FakeRuntime rt;
    AnimeSprite s;
    s.LoadTex(u"rock_enemy.vstex");
    s.Init(1, 0, 0, 1600, 900);
    s.AddAnime(100, true, 1);
    AddFrames(s, 100, 1, 10);
    rt.Messages.clear();

    // View at (100, 50), 1600 × 900; sprite half size 64 × 32.
    struct Case {
        double x, y;
        bool drawn;
    };
    const Case cases[] = {
        {36, 400, false},  {37, 400, true},  {1764, 400, false},
        {1763, 400, true}, {500, 18, false}, {500, 19, true},
        {500, 982, false}, {500, 981, true}, {-500, 400, false},
    };
    for (const Case& c : cases) {
        rt.Draws.clear();
        s.Draw(100, 0, c.x, c.y, 64, 32, 0, 1, 100, 50);
        EXPECT_EQ(rt.Draws.size(), c.drawn ? 1u : 0u) << c.x << "," << c.y;
    }

    // A culled draw does not even look the ID up.
    s.Draw(999, 0, -500, 400, 64, 32, 0, 1, 100, 50);
    EXPECT_TRUE(rt.Messages.empty());
}

// The slots' own messages are the slot row's (AnimeSlotsTest); here, where the frames go.
TEST(AnimeSprite, FramesGoToTheFirstSlotOfAnIdAndNowhereWithoutOne) {
    test::FakeRuntime rt;
    AnimeSprite d;
    d.Init(3, 0, 0, 1600, 900);
    d.AddAnime(100, false, 1);
    d.AddAnime(100, false, 1);
    rt.Messages.clear();
    d.AddAnimeFrame(100, 0, 0, 1, 1, 0, 7);
    d.AddAnimeFrame(100, 0, 0, 1, 1, 0, 5);
    EXPECT_EQ(rt.Messages, (Messages{"err07:AnimeFrame Over. ID:100"}));
    EXPECT_EQ(d.GetTotalTime(100), 7);

    AnimeSprite none;
    none.Init(0, 0, 0, 1600, 900);
    none.AddAnime(100, true, 1);
    none.AddAnimeFrame(100, 0, 0, 1, 1, 0, 5);
    d.AddAnimeFrame(555, 0, 0, 1, 1, 0, 5);
    EXPECT_EQ(none.GetTotalTime(100), 0);
    EXPECT_EQ(d.GetTotalTime(555), 0);
}

TEST(AnimeSprite, MissingIdsFallBackToTheFirstFrameOfTheFirstSlot) {
    test::FakeRuntime rt;
    AnimeSprite s;
    s.LoadTex(u"life.vstex");
    s.Init(2, 0, 0, 1600, 900);
    s.AddAnime(100, false, 2);
    AddFrames(s, 100, 2, 10);
    s.AddAnime(200, false, 3);  // declared but never given a frame
    rt.Messages.clear();

    s.Draw(999, 15, 500, 400, 10, 10, 0, 1, 0, 0);
    s.Draw(200, 15, 500, 400, 10, 10, 0, 1, 0, 0);
    ASSERT_EQ(rt.Draws.size(), 2u);
    EXPECT_EQ(rt.Draws[0].Args[0], 0);
    EXPECT_EQ(rt.Draws[1].Args[0], 0);
    EXPECT_EQ(s.GetFrame(999, 1).SrcX, 0);
    EXPECT_EQ(rt.Messages, (Messages{"err05:AnimeID Not Found.", "err05:AnimeID Not Found.",
                                     "err06:AnimeID Not Found."}));
}

TEST(AnimeSprite, UnusualRequestsStayInsideTheArrays) {
    test::FakeRuntime rt;
    AnimeSprite s;
    s.Init(2, 0, 0, 1600, 900);
    s.AddAnime(100, true, 4);
    s.AddAnimeFrame(100, 100, 0, 1, 1, 0, 10);
    s.AddAnimeFrame(100, 200, 0, 1, 1, 0, 10);
    // A looping animation whose frames take no time cannot wrap: it plays straight.
    s.AddAnime(200, true, 2);
    s.AddAnimeFrame(200, 300, 0, 1, 1, 0, 0);
    s.AddAnimeFrame(200, 400, 0, 1, 1, 0, 0);
    EXPECT_EQ(s.GetTotalTime(200), 0);
    rt.Messages.clear();

    EXPECT_EQ(s.GetFrameAt(200, 0).SrcX, 400);
    EXPECT_EQ(s.GetFrameAt(200, 25).SrcX, 400);
    EXPECT_EQ(s.GetFrameAt(200, -3).SrcX, 300);
    EXPECT_TRUE(rt.Messages.empty());

    // Only the two defined frames of the four declared can be fetched by index.
    for (int64_t index : {-1, 2, 4}) {
        rt.Messages.clear();
        const AnimeFrame& f = s.GetFrame(100, index);
        EXPECT_EQ(f.SrcX, 0) << index;
        EXPECT_EQ(f.Time, 0) << index;
        EXPECT_EQ(rt.Messages,
                  Messages{"err08:AnimeFrame Index Over. ID:100 Index:" + std::to_string(index)});
    }

    // With no frame records in the first slot, or no slots at all, the fallback is a
    // frame of zeros.
    AnimeSprite empty;
    empty.Init(1, 0, 0, 1600, 900);
    empty.AddAnime(100, true, 0);
    AnimeSprite bare;
    bare.Init(0, 0, 0, 1600, 900);
    for (AnimeSprite* sprite : {&empty, &bare}) {
        const AnimeFrame& f = sprite->GetFrameAt(100, 3);
        EXPECT_EQ(f.SrcW, 0);
        EXPECT_EQ(sprite->GetFrame(7, 0).SrcH, 0);
    }
}

}  // namespace
}  // namespace keldo
