#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "scenes/BestScore.h"
#include "support/FakeRuntime.h"

namespace keldo {
namespace {

// A score as the game saves it: 8 bytes, least significant first.
std::string Bytes(uint64_t score) {
    std::string bytes;
    for (int i = 0; i < 8; ++i) {
        bytes.push_back(static_cast<char>(score >> (8 * i)));
    }
    return bytes;
}

// The game shows what the save gives back in its next game, so a refused save must give the
// higher best it read, never its own lower score.
TEST(BestScore, ASaveKeepsAndGivesTheHigherOfItsScoreAndWhatAnotherGameSavedMeanwhile) {
    struct Case {
        const char* What;
        std::vector<std::string> Refusals;  // see FakeRuntime::SaveRefusals
        uint64_t Kept;
        int64_t Saves;
        int64_t Best;
    };
    const std::string none = test::FakeRuntime::kNoSave;
    for (const Case& c : {
             Case{"nobody else saved", {}, 3425, 1, 3425},
             Case{"another game saved a higher score", {Bytes(5000)}, 5000, 1, 5000},
             Case{"another game saved the same score", {Bytes(3425)}, 3425, 1, 3425},
             Case{"another game saved a lower score", {Bytes(1725)}, 3425, 2, 3425},
             Case{"two more saved, lower each time", {Bytes(1725), Bytes(2000)}, 3425, 3, 3425},
             Case{"a lower one, then a higher one", {Bytes(1725), Bytes(9000)}, 9000, 2, 9000},
             Case{"saving fails whatever is there", {none, none, none, none}, 1000, 2, 3425},
         }) {
        SCOPED_TRACE(c.What);
        test::FakeRuntime rt;
        rt.Saved["best"] = Bytes(1000);
        rt.SaveRefusals.assign(c.Refusals.begin(), c.Refusals.end());
        EXPECT_EQ(SaveBestScore(3425), c.Best);
        EXPECT_EQ(rt.Saved["best"], Bytes(c.Kept));
        EXPECT_EQ(rt.SaveCalls, c.Saves);
        EXPECT_EQ(rt.LiveAllocations, 0);
    }
}

TEST(BestScore, OnlyAScoreTheScoreLineCanShowIsBelieved) {
    struct Case {
        std::string Saved;
        int64_t Loaded;
        bool Warned;
    };
    for (const Case& c : {
             Case{Bytes(999'999'999'999), 999'999'999'999, false},
             Case{Bytes(1'000'000'000'000), 0, true},
             Case{Bytes(INT64_MAX), 0, true},
             Case{Bytes(UINT64_MAX), 0, true},
             Case{"short", 0, false},
         }) {
        test::FakeRuntime rt;
        rt.Saved["best"] = c.Saved;
        testing::internal::CaptureStderr();
        EXPECT_EQ(LoadBestScore(), c.Loaded);
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(said.starts_with("keldo: warning: "), c.Warned) << said;
    }
}

}  // namespace
}  // namespace keldo
