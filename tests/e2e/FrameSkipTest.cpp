// Skipping pictures changes nothing but the pictures: the same game, frame for frame, whatever
// frames a slow machine leaves unshown, and the frames it shows are the pictures it would have
// shown anyway.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "GameRun.h"

namespace keldo::e2e {
namespace {

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A game's opening minutes in brief: the title, the start, running, line changes, attacks.
std::string BusyScript() {
    std::string script = "20 0\n22\n";
    const int buttons[] = {13, 2, 12, 2, 0, 14, 2, 15, 13, 2};
    for (int k = 0; k < 16; ++k) {
        script += std::to_string(40 + k * 20) + " " + std::to_string(buttons[k % 10]) + "\n";
        script += std::to_string(40 + k * 20 + 9) + "\n";
    }
    return script;
}

constexpr int kFrames = 380;
// Frames every pattern below shows, and one (150) that every one of them would skip: a frame
// whose picture is asked for is drawn all the same.
const std::vector<int> kShotFrames = {61, 150, 205, 325};

struct Played {
    GameResult Result;
    std::string Dir;
};

Played Play(const std::string& pattern) {
    GameRun run;
    run.WorkDir = MakeTempDir();
    run.Script = BusyScript();
    run.Env = {{"TOLVEX_HEADLESS", "1"},
               {"TOLVEX_SEED", "5"},
               {"TOLVEX_FRAMES", std::to_string(kFrames)},
               {"TOLVEX_AUDIO_OUT", "sound.wav"},
               {"TOLVEX_SKIP", pattern}};
    std::string shots;
    for (const int f : kShotFrames) {
        shots += (shots.empty() ? "" : ",") + std::to_string(f) + ":" + std::to_string(f) + ".png";
    }
    run.Env["TOLVEX_SHOT"] = shots;
    return {run.Run(), run.WorkDir};
}

TEST(FrameSkip, ForcedSkippingChangesNothingButWhichPicturesAreShown) {
    const Played all = Play("");
    ASSERT_EQ(all.Result.ExitCode, 0) << all.Result.Stderr;
    ASSERT_EQ(all.Result.Frames.size(), static_cast<size_t>(kFrames) + 1);
    for (const std::string pattern : {"ds", "dsss", "ddsdss"}) {
        SCOPED_TRACE(pattern);
        const Played skipping = Play(pattern);
        ASSERT_EQ(skipping.Result.ExitCode, 0) << skipping.Result.Stderr;
        ASSERT_EQ(skipping.Result.Frames.size(), all.Result.Frames.size());
        int skipped = 0;
        for (size_t f = 0; f < all.Result.Frames.size(); ++f) {
            std::vector<std::string> lines = skipping.Result.Frames[f];
            const bool marked = !lines.empty() && lines.front() == "skip";
            if (marked) {
                lines.erase(lines.begin());
                ++skipped;
            }
            const bool asked = std::find(kShotFrames.begin(), kShotFrames.end(),
                                         static_cast<int>(f)) != kShotFrames.end();
            const bool skips = f > 0 && pattern[(f - 1) % pattern.size()] == 's' && !asked;
            ASSERT_EQ(marked, skips) << "frame " << f;
            // The game's every call, its loads, draws and sounds, exactly as without skipping.
            ASSERT_EQ(lines, all.Result.Frames[f]) << "frame " << f;
        }
        EXPECT_GT(skipped, kFrames / 4);
        EXPECT_TRUE(ReadBytes(skipping.Dir + "/sound.wav") == ReadBytes(all.Dir + "/sound.wav"));
        for (const int f : kShotFrames) {
            const std::string name = "/" + std::to_string(f) + ".png";
            const std::string picture = ReadBytes(all.Dir + name);
            ASSERT_FALSE(picture.empty()) << name;
            EXPECT_TRUE(ReadBytes(skipping.Dir + name) == picture) << name;
        }
    }
}

}  // namespace
}  // namespace keldo::e2e
