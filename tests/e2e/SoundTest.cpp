// What the player hears: the game's sound, captured through TOLVEX_AUDIO_OUT, checked
// against the `play` lines of the trace and against the sound files themselves.
#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "GameRun.h"

namespace keldo::e2e {
namespace {

constexpr size_t kFrameSamples = 735;  // 44,100 Hz at 60 frames per second
// Headless, the mixer works in buffers of 32 sample frames, so a sound started in a frame
// begins up to 31 sample frames into that frame's share of the file.
constexpr size_t kStartSlack = 32;
// A block is an onset when its peak is this much above the block before, and above the
// floor; a sound that starts from silence clears that by far. A block right after an onset
// is not one: a slow attack (the swing) may still more than double in its second frame.
constexpr double kOnsetRise = 1.5;
constexpr int kOnsetFloor = 256;
constexpr int kSilence = 64;

struct Wav {
    std::vector<int16_t> Samples;  // left and right, interleaved
    size_t Frames() const { return Samples.size() / 2; }
    // Largest magnitude on either side over sample frames [from, to).
    int Peak(size_t from, size_t to) const {
        int peak = 0;
        for (size_t i = 2 * from; i < std::min(2 * to, Samples.size()); ++i) {
            peak = std::max(peak, std::abs(static_cast<int>(Samples[i])));
        }
        return peak;
    }
    int BlockPeak(size_t frame) const {
        return Peak(frame * kFrameSamples, (frame + 1) * kFrameSamples);
    }
};

uint32_t Le(const std::string& bytes, size_t at, int n) {
    uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) {
        v = (v << 8) | static_cast<uint8_t>(bytes[at + static_cast<size_t>(i)]);
    }
    return v;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Wav ReadWav(const std::string& path) {
    const std::string bytes = ReadBytes(path);
    Wav w;
    EXPECT_GE(bytes.size(), 44u) << path;
    if (bytes.size() < 44) return w;
    EXPECT_EQ(bytes.substr(0, 4), "RIFF");
    EXPECT_EQ(bytes.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(Le(bytes, 20, 2), 1u);      // integer samples
    EXPECT_EQ(Le(bytes, 22, 2), 2u);      // stereo
    EXPECT_EQ(Le(bytes, 24, 4), 44100u);  // rate
    EXPECT_EQ(Le(bytes, 34, 2), 16u);     // bits
    EXPECT_EQ(bytes.substr(36, 4), "data");
    const uint32_t data = Le(bytes, 40, 4);
    EXPECT_EQ(data, bytes.size() - 44);
    EXPECT_EQ(Le(bytes, 4, 4), bytes.size() - 8);
    w.Samples.resize(data / 2);
    for (size_t i = 0; i < w.Samples.size(); ++i) {
        w.Samples[i] = static_cast<int16_t>(Le(bytes, 44 + 2 * i, 2));
    }
    return w;
}

// A sound file as the mixer decodes it: its own peak and its length in sample frames.
struct Own {
    int Peak = 0;
    size_t Length = 0;
};

std::map<std::string, Own> DecodeSounds(const std::set<std::string>& names) {
    std::map<std::string, Own> out;
    SDL_SetHint(SDL_HINT_AUDIODRIVER, "dummy");
    if (SDL_Init(SDL_INIT_AUDIO) != 0 ||
        Mix_OpenAudioDevice(44100, MIX_DEFAULT_FORMAT, 2, 1024, nullptr, 0) != 0) {
        ADD_FAILURE() << "no mixer: " << SDL_GetError();
        return out;
    }
    for (const std::string& name : names) {
        Mix_Chunk* chunk = Mix_LoadWAV((BuiltDataDir() + "/" + name).c_str());
        if (chunk == nullptr) {
            ADD_FAILURE() << name << ": " << Mix_GetError();
            continue;
        }
        Own own;
        const auto* s = reinterpret_cast<const int16_t*>(chunk->abuf);
        for (size_t i = 0; i < chunk->alen / 2; ++i) {
            own.Peak = std::max(own.Peak, std::abs(static_cast<int>(s[i])));
        }
        own.Length = chunk->alen / 4;
        out[name] = own;
        Mix_FreeChunk(chunk);
    }
    Mix_CloseAudio();
    SDL_Quit();
    return out;
}

struct Plays {
    std::map<size_t, std::vector<std::string>> ByFrame;  // frame -> sounds started in it
    std::map<std::string, double> Volume;
    size_t Lines = 0;
};

Plays ReadPlays(const std::vector<std::vector<std::string>>& frames) {
    Plays p;
    for (size_t f = 0; f < frames.size(); ++f) {
        for (const std::string& line : frames[f]) {
            const auto w = Fields(line);
            if (w.size() == 5 && w[0] == "play") {
                p.ByFrame[f].push_back(w[1]);
                ++p.Lines;
            } else if (w.size() == 3 && w[0] == "volume") {
                p.Volume[w[1]] = std::stod(w[2]);
            }
        }
    }
    return p;
}

std::vector<std::vector<std::string>> ReadTraceFile(const std::string& path) {
    std::vector<std::vector<std::string>> frames(1);
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("frame ", 0) == 0) {
            frames.resize(std::stoul(line.substr(6)) + 1);
        } else {
            frames.back().push_back(line);
        }
    }
    return frames;
}

std::set<size_t> Onsets(const Wav& w) {
    std::set<size_t> out;
    for (size_t f = 1; f < w.Frames() / kFrameSamples; ++f) {
        if (w.BlockPeak(f) > kOnsetRise * w.BlockPeak(f - 1) + kOnsetFloor &&
            out.count(f - 1) == 0) {
            out.insert(f);
        }
    }
    return out;
}

// For every play that rings alone (nothing else started while it sounds, and what came
// before has died away), its peak in the file over its own file's peak, in dB against the
// volume the game set for it.
std::map<std::string, std::vector<double>> LevelErrorsDb(const Wav& w, const Plays& p,
                                                         const std::map<std::string, Own>& own) {
    std::map<std::string, std::vector<double>> out;
    size_t quietFrom = 0;  // the sample frame from which everything started so far is over
    for (auto it = p.ByFrame.begin(); it != p.ByFrame.end(); ++it) {
        const size_t start = it->first * kFrameSamples;
        size_t end = start;
        for (const std::string& name : it->second) {
            end = std::max(end, start + own.at(name).Length + kStartSlack);
        }
        const auto next = std::next(it);
        const bool alone = it->second.size() == 1 && quietFrom <= start &&
                           (next == p.ByFrame.end() || next->first * kFrameSamples >= end);
        if (alone) {
            const std::string& name = it->second.front();
            const double ratio = static_cast<double>(w.Peak(start, end)) / own.at(name).Peak;
            out[name].push_back(20 * std::log10(ratio / p.Volume.at(name)));
        }
        quietFrom = std::max(quietFrom, end);
    }
    return out;
}

std::map<std::string, Own> OwnSounds(const Plays& p) {
    std::set<std::string> names;
    for (const auto& [name, v] : p.Volume) names.insert(name);
    return DecodeSounds(names);
}

TEST(Sound, AScriptedGameIsHeardAsTracedTheSameOnEveryRun) {
    // Start, a run to the right (steps), attacks while running and a combo (swing), then
    // standing still in the middle line until the rocks come and hit the hero.
    GameRun run;
    run.Script = "30 0\n32\n100 13\n160 13 2\n161 13\n170 13 2\n171 13\n180 2\n181\n190 2\n191\n";
    run.Env["TOLVEX_SEED"] = "7";
    run.Env["TOLVEX_FRAMES"] = "600";
    const std::string dir = MakeTempDir();
    run.Env["TOLVEX_AUDIO_OUT"] = dir + "/one.wav";
    const GameResult r = run.Run();
    ASSERT_EQ(r.ExitCode, 0) << r.Stderr;
    run.Env["TOLVEX_AUDIO_OUT"] = dir + "/two.wav";
    ASSERT_EQ(run.Run().ExitCode, 0);
    EXPECT_TRUE(ReadBytes(dir + "/one.wav") == ReadBytes(dir + "/two.wav"));

    const Wav w = ReadWav(dir + "/one.wav");
    ASSERT_EQ(w.Frames(), 600 * kFrameSamples);
    const Plays p = ReadPlays(r.Frames);
    ASSERT_FALSE(p.ByFrame.empty());
    const size_t first = p.ByFrame.begin()->first;
    EXPECT_EQ(w.Peak(0, first * kFrameSamples), 0) << "sound before the first play";

    // Each started where its frame's share of the file starts.
    const std::set<size_t> onsets = Onsets(w);
    for (const auto& [frame, names] : p.ByFrame) {
        EXPECT_TRUE(onsets.count(frame)) << names.front() << " in frame " << frame;
        EXPECT_GT(w.Peak(frame * kFrameSamples, frame * kFrameSamples + kStartSlack + 64), 0)
            << names.front() << " in frame " << frame << " starts late";
    }
    for (size_t f : onsets) EXPECT_TRUE(p.ByFrame.count(f)) << "a sound nobody played, frame " << f;

    const auto errors = LevelErrorsDb(w, p, OwnSounds(p));
    for (const char* name : {"sha00.ogg", "tm2_swing004.ogg", "tm2_hit005.ogg"}) {
        EXPECT_FALSE(errors.count(name) == 0) << name << " never rang alone";
    }
    for (const auto& [name, dbs] : errors) {
        for (double db : dbs) EXPECT_LT(std::abs(db), 1.0) << name;
    }
}

// Onsets that the file shows against the plays that the trace lists, over a whole game
// played by the bot. Plays in one frame start at the same sample and are one onset; a play
// that starts while an earlier one still rings near its peak may not rise above it (the
// detector needs the peak to grow by half), and merges into it: that is allowed within
// kMergeFrames of the earlier play, and nowhere else.
TEST(Sound, ABotPlayedGameHasAnOnsetForEveryPlay) {
    constexpr size_t kMergeFrames = 6;
    const std::string dir = MakeTempDir();
    const std::string wav = dir + "/bot.wav";
    const std::string trace = dir + "/bot.txt";
    const std::string command = "TOLVEX_AUDIO_OUT=" + wav + " " + KELDO_BOT + " --keldo " +
                                BuiltProgram() + " --seed 1 --frames 4600 --trace-copy " + trace +
                                " > " + dir + "/bot.out 2>&1";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << ReadBytes(dir + "/bot.out");

    const Wav w = ReadWav(wav);
    const Plays p = ReadPlays(ReadTraceFile(trace));
    ASSERT_EQ(w.Frames(), 4600 * kFrameSamples);
    const std::set<size_t> onsets = Onsets(w);
    size_t merged = 0;
    size_t previous = 0;
    for (const auto& [frame, names] : p.ByFrame) {
        if (onsets.count(frame) == 0) {
            ++merged;
            EXPECT_LE(frame - previous, kMergeFrames) << names.front() << " in frame " << frame;
            EXPECT_GE(w.BlockPeak(frame - 1), kSilence) << "from silence, frame " << frame;
        }
        previous = frame;
    }
    for (size_t f : onsets) EXPECT_TRUE(p.ByFrame.count(f)) << "a sound nobody played, frame " << f;
    EXPECT_EQ(onsets.size() + merged, p.ByFrame.size());
    std::printf("%zu play lines in %zu frames; %zu onsets; %zu merged into an earlier sound\n",
                p.Lines, p.ByFrame.size(), onsets.size(), merged);

    const auto errors = LevelErrorsDb(w, p, OwnSounds(p));
    for (const auto& [name, dbs] : errors) {
        const auto [low, high] = std::minmax_element(dbs.begin(), dbs.end());
        std::printf("%s alone %zu times: %+.3f to %+.3f dB from its volume\n", name.c_str(),
                    dbs.size(), *low, *high);
        for (double db : dbs) EXPECT_LT(std::abs(db), 1.0) << name;
    }
}

}  // namespace
}  // namespace keldo::e2e
