// A stand-in for the runtime library in unit tests: real math and number text,
// deterministic or scripted random numbers, scripted pad counts, and a record of every
// draw, sound call and debug message the game makes.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

namespace keldo::test {

struct DrawCall {
    std::string Tex;           // file name the texture was loaded from
    bool Rotated = false;      // DrawTexRot (15 values) or DrawTex (12 values)
    std::vector<double> Args;  // the values after the texture, exactly as passed
};

struct SoundCall {
    std::string What;  // "load", "volume" or "play"
    std::string Name;
    std::vector<double> Args;
};

class FakeRuntime {
public:
    // Fills the game's runtime table with the stand-in and clears every record.
    // Turns the game's debug log on so that messages are recorded.
    FakeRuntime();
    ~FakeRuntime();
    FakeRuntime(const FakeRuntime&) = delete;
    FakeRuntime& operator=(const FakeRuntime&) = delete;

    std::vector<DrawCall> Draws;
    std::vector<std::string> Messages;  // every DbgLog call, as UTF-8
    std::vector<SoundCall> Sounds;
    std::vector<std::string> LoadedTextures;
    std::deque<int64_t> RndValues;         // returned by Rnd first (not clamped); then a fixed LCG
    std::deque<double> RndFValues;         // returned by RndF first; then a fixed LCG
    std::map<int64_t, int64_t> PadCounts;  // button -> count returned by Pad(0, button)
    std::vector<std::pair<int64_t, int64_t>> RndCalls;  // (min, max) of every Rnd call
    int64_t RndFCalls = 0;
    int64_t Acts = 0;
    int64_t LiveAllocations = 0;
    // Saved data by name: what LoadSaveData gives (none when absent) and SaveSaveData keeps.
    // SaveSaveData answers true unless SaveRefusals has an entry left: then it answers false,
    // and the entry, when it is not kNoSave, is what another game saved meanwhile.
    static constexpr const char* kNoSave = "";
    std::map<std::string, std::string> Saved;
    std::deque<std::string> SaveRefusals;
    int64_t SaveCalls = 0;

    void ClearRecords();
    static FakeRuntime& Current();
};

}  // namespace keldo::test
