#include <gtest/gtest.h>

#include <numbers>
#include <string>
#include <vector>

#include "motion/TexAnimeSet.h"
#include "support/FakeRuntime.h"

namespace keldo {
namespace {

using Messages = std::vector<std::string>;
using Args = std::vector<double>;

constexpr double kPi = std::numbers::pi;
// In-between poses accumulate one step at a time, rounding toward zero each time.
constexpr double kTol = 1e-9;

TEST(AnimeSet, InBetweensTurnTheWayTheCallerChooses) {
    test::FakeRuntime rt;
    struct Case {
        double from, to;
        bool forward;
        double step;  // angle added per in-between
    };
    const Case cases[] = {
        {0, kPi / 2, true, kPi / 20},
        {0, kPi / 2, false, -kPi / 20},
        {kPi / 2, 0, false, -kPi / 20},
        {kPi / 2, 0, true, kPi / 20},  // turns the long way round, past the key angle
    };
    for (const Case& c : cases) {
        AnimeSet set;
        set.Init(1);
        set.AddAnime(100, false);
        set.AddKeyFrame(100, 0, 0, 0, 0, c.from, !c.forward, 99);  // first pose: as given
        set.AddKeyFrame(100, 0, 0, 0, 0, c.to, c.forward, 10);
        const AnimeTrack& track = set.GetAnime(100);
        ASSERT_EQ(track.FrameNum, 11);
        ASSERT_EQ(track.Frames.size(), 11u);
        EXPECT_EQ(track.Frames[0].Angle, c.from);
        for (int k = 1; k <= 10; ++k) {
            EXPECT_NEAR(track.Frames[k].Angle, c.from + k * c.step, kTol)
                << c.from << "->" << c.to << " forward " << c.forward << " pose " << k;
        }
    }
}

TEST(AnimeSet, OffsetsAndCentresMoveLinearly) {
    test::FakeRuntime rt;
    AnimeSet set;
    set.Init(2);
    set.AddAnime(100, true);
    set.AddKeyFrame(100, -25, -10, 40, 8, 0, true, 1);
    set.AddKeyFrame(100, 0, -10, 60, 8, 0, true, 10);
    set.AddKeyFrame(100, 5, 5, 5, 5, 1, true, 1);
    set.AddKeyFrame(100, 5, 5, 5, 5, 1, true, 5);
    EXPECT_EQ(set.GetFrameNum(100), 17);
    EXPECT_EQ(set.GetFrameNum(999), 0);
    EXPECT_TRUE(rt.Messages.size() == 1u);  // only "Set Anime.100"

    const AnimeTrack& track = set.GetAnime(100);
    EXPECT_NEAR(track.Frames[5].OffsetX, -12.5, kTol);
    EXPECT_NEAR(track.Frames[5].CenterX, 50, kTol);
    EXPECT_EQ(track.Frames[5].OffsetY, -10);
    EXPECT_NEAR(track.Frames[10].OffsetX, 0, kTol);
    EXPECT_NEAR(track.Frames[10].CenterX, 60, kTol);
    // One step lands exactly on the key pose; a repeated key pose holds it.
    const AnimePose& key = track.Frames[11];
    EXPECT_NEAR(key.OffsetX, 5, kTol);
    EXPECT_NEAR(key.OffsetY, 5, kTol);
    EXPECT_NEAR(key.CenterY, 5, kTol);
    EXPECT_NEAR(key.Angle, 1, kTol);
    EXPECT_NEAR(track.Frames[16].OffsetX, 5, kTol);
    EXPECT_NEAR(track.Frames[16].Angle, 1, kTol);
}

// The slots' own messages are the slot row's (AnimeSlotsTest); here, the set's own.
TEST(AnimeSet, ReportsAndRefusals) {
    test::FakeRuntime rt;
    AnimeSet none;
    none.Init(0);
    none.AddAnime(100, true);
    none.AddKeyFrame(100, 0, 0, 0, 0, 0, true, 1);
    rt.Messages.clear();
    none.GetAnime(100);
    EXPECT_EQ(rt.Messages, (Messages{"err11:AnimeID Not Found"}));

    AnimeSet set;
    set.Init(2);
    set.AddAnime(100, true);
    set.AddAnime(100, true);
    set.AddAnime(300, true);
    set.AddKeyFrame(200, 0, 0, 0, 0, 0, true, 1);
    set.AddKeyFrame(100, 0, 0, 0, 0, 0, true, 1);
    rt.Messages.clear();
    // Steps below one after the first key pose cannot be spread out: refused, reported.
    set.AddKeyFrame(100, 10, 0, 0, 0, 0, true, 0);
    set.AddKeyFrame(100, 10, 0, 0, 0, 0, true, -4);
    EXPECT_EQ(set.GetFrameNum(100), 1);
    EXPECT_EQ(set.GetAnime(300).FrameNum, 1);  // falls back to the first slot

    EXPECT_EQ(rt.Messages, (Messages{
                               "err12:KeyFrame Steps Under One. ID:100 Steps:0",
                               "err12:KeyFrame Steps Under One. ID:100 Steps:-4",
                               "err11:AnimeID Not Found",
                           }));
}

// A 38-pose swing: pose k sits k pixels right of the anchor, turned about (10, 20).
void LoadSwing(TexAnimeSet& set) {
    set.LoadTex(u"sword_512_128.vstex", 0, 128, 512, 128);
    set.Init(2);
    set.SetView(0, 0, 1600, 900);
    set.AddAnime(100, false);
    set.AddKeyFrame(100, 0, -5, 10, 20, 0, true, 1);
    set.AddKeyFrame(100, 37, -5, 10, 20, 0, true, 37);
}

TEST(TexAnimeSet, DrawAddsThePoseOffsetToTheAnchor) {
    test::FakeRuntime rt;
    TexAnimeSet set;
    LoadSwing(set);
    ASSERT_EQ(set.GetFrameNum(100), 38);

    struct Case {
        int64_t frame;
        double poseX;
    };
    // Past the end the last pose is held; below zero the first pose is shown.
    const Case cases[] = {{0, 0}, {5, 5}, {37, 37}, {1000, 37}, {-3, 0}};
    for (const Case& c : cases) {
        rt.Draws.clear();
        set.Draw(100, c.frame, 500, 400, 128, 32, 0.25, 0.75, 100, 50);
        ASSERT_EQ(rt.Draws.size(), 1u) << c.frame;
        EXPECT_EQ(rt.Draws[0].Tex, "sword_512_128.vstex");
        EXPECT_EQ(rt.Draws[0].Args, (Args{0, 128, 512, 128, 400 + c.poseX, 345, 256, 64, 10, 20,
                                          0.25, 1, 1, 1, 0.75}))
            << c.frame;
    }
}

TEST(TexAnimeSet, CullingMissingIdsAndEmptyTracks) {
    test::FakeRuntime rt;
    TexAnimeSet set;
    LoadSwing(set);
    set.AddAnime(200, false);  // no key poses
    rt.Messages.clear();

    // View at (100, 50) with the size from SetView; half size 128 × 32.
    set.Draw(100, 0, -28, 400, 128, 32, 0, 1, 100, 50);
    set.Draw(100, 0, 500, 982, 128, 32, 0, 1, 100, 50);
    EXPECT_TRUE(rt.Draws.empty());
    set.Draw(100, 0, -27, 981, 128, 32, 0, 1, 100, 50);
    EXPECT_EQ(rt.Draws.size(), 1u);

    rt.Draws.clear();
    set.Draw(999, 2, 500, 400, 128, 32, 0, 1, 100, 50);
    ASSERT_EQ(rt.Draws.size(), 1u);
    EXPECT_EQ(rt.Draws[0].Args[4], 402);  // pose 2 of the first slot
    EXPECT_EQ(rt.Messages, Messages{"err11:AnimeID Not Found"});

    // A track without poses has nothing to draw.
    rt.Draws.clear();
    set.Draw(200, 0, 500, 400, 128, 32, 0, 1, 100, 50);
    EXPECT_TRUE(rt.Draws.empty());

    TexAnimeSet bare;
    bare.LoadTex(u"slash_effect.vstex", 0, 0, 64, 64);
    bare.Init(0);
    bare.SetView(0, 0, 1600, 900);
    bare.Draw(100, 0, 500, 400, 32, 32, 0, 1, 0, 0);
    EXPECT_TRUE(rt.Draws.empty());
}

}  // namespace
}  // namespace keldo
