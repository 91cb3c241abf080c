// TOLVEX_AUDIO_OUT through the real library: a plain tone played at known volumes and
// frames must come out of the mixer at those levels, from those frames, and the same on
// every run.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "RuntimeLib.h"

namespace rt {
namespace {

namespace fs = std::filesystem;

constexpr size_t kFrameSamples = 735;
constexpr size_t kStartSlack = 32;  // the headless mixer's buffer
constexpr int kToneLevel = 16000;
constexpr size_t kToneSamples = 2000;  // under three frames

std::vector<int16_t> Samples(const fs::path& wav) {
    const std::string bytes = ReadText(wav);
    std::vector<int16_t> out;
    for (size_t i = 44; i + 1 < bytes.size(); i += 2) {
        out.push_back(static_cast<int16_t>(static_cast<uint8_t>(bytes[i]) |
                                           (static_cast<uint8_t>(bytes[i + 1]) << 8)));
    }
    return out;
}

int Peak(const std::vector<int16_t>& s, size_t from, size_t to) {
    int peak = 0;
    for (size_t i = 2 * from; i < 2 * to && i < s.size(); ++i)
        peak = std::max(peak, std::abs(s[i]));
    return peak;
}

struct Cue {
    int64_t Frame;
    double Volume;
    int Copies;  // started in the same frame
};
constexpr Cue kCues[] = {{2, 0.4, 1}, {6, 0.5, 1}, {10, 0.6, 1}, {14, 0.5, 2}};
constexpr int64_t kFrames = 18;

void PlayCues(const fs::path& out) {
    Env env{{"TOLVEX_HEADLESS", "null"}, {"TOLVEX_AUDIO_OUT", out.string()}};
    Session session;
    Library& L = Lib();
    TvSnd* tone = LoadSnd("tone.wav");
    for (int64_t frame = 0; frame < kFrames; ++frame) {
        for (const Cue& cue : kCues) {
            if (cue.Frame != frame) continue;
            L.VolumeSnd(tone, cue.Volume);
            for (int i = 0; i < cue.Copies; ++i) L.PlaySnd(tone, 0, false, 0);
        }
        L.Act();
    }
    L.FreeMem(tone);
}

TEST(SoundCapture, HearsEachPlayFromItsFrameAtItsVolumeTheSameOnEveryRun) {
    WriteTone("tone.wav", kToneLevel, kToneSamples);
    const fs::path dir = Scratch("capture");
    PlayCues(dir / "one.wav");
    PlayCues(dir / "two.wav");
    EXPECT_EQ(ReadText(dir / "one.wav"), ReadText(dir / "two.wav"));

    const std::vector<int16_t> s = Samples(dir / "one.wav");
    ASSERT_EQ(s.size(), 2 * kFrameSamples * kFrames);
    EXPECT_EQ(Peak(s, 0, kCues[0].Frame * kFrameSamples), 0) << "sound before the first play";
    for (const Cue& cue : kCues) {
        const size_t start = static_cast<size_t>(cue.Frame) * kFrameSamples;
        // The tone is loud from its first sample, so where it starts is plain to see.
        size_t first = start;
        while (first < start + kFrameSamples && s[2 * first] == 0) ++first;
        EXPECT_LT(first - start, kStartSlack) << "frame " << cue.Frame;
        EXPECT_EQ(Peak(s, start - kFrameSamples, start), 0) << "frame " << cue.Frame;
        // The mixer's volume steps are 1/128; copies started together add up.
        const double expected = kToneLevel * cue.Volume * cue.Copies;
        const int peak = Peak(s, start, start + kToneSamples + kStartSlack);
        EXPECT_NEAR(peak, expected, kToneLevel / 128.0 * cue.Copies) << "frame " << cue.Frame;
    }
}

TEST(SoundCapture, AnUnwritableFileFailsInitNamingTheVariable) {
    Env env{{"TOLVEX_HEADLESS", "null"}, {"TOLVEX_AUDIO_OUT", "/nonexistent/dir/out.wav"}};
    const TvError e = InitError();
    EXPECT_EQ(e.Code, TV_ERR_CONFIG);
    EXPECT_NE(std::string(e.Message).find("TOLVEX_AUDIO_OUT"), std::string::npos) << e.Message;
}

}  // namespace
}  // namespace rt
