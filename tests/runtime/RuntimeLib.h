// The real library, copied with its own Data folder into a temporary folder (the library
// looks for pictures and sounds next to itself), loaded once and bound by name.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Tolvex.h"

namespace rt {

struct Library {
    void* Handle = nullptr;
    std::filesystem::path Root;  // holds Data/
    std::filesystem::path Data;
#define RT_ENTRY_FIELD(name, result, params) result(*name) params = nullptr;
    TOLVEX_ENTRIES(RT_ENTRY_FIELD)
#undef RT_ENTRY_FIELD
};

Library& Lib();

struct StrFree {
    void operator()(TvStr* s) const { std::free(s); }
};
using StrPtr = std::unique_ptr<TvStr, StrFree>;
StrPtr MakeStr(std::string_view ascii);

struct Rgba {
    uint8_t R, G, B, A;
};
// Writes a PNG picture into the Data folder.
void WritePicture(const std::string& name, int w, int h, const std::function<Rgba(int, int)>& at);
void WriteFile(const std::filesystem::path& path, std::string_view bytes);
// Writes a stereo 44,100 Hz WAV sound into the Data folder: a square wave (period 100
// samples) at +-level that starts at +level on its very first sample.
void WriteTone(const std::string& name, int level, size_t samples);
std::string ReadText(const std::filesystem::path& path);

struct Picture {
    int W = 0;
    int H = 0;
    std::vector<uint8_t> Rgb;
    Rgba At(int x, int y) const;
};
Picture ReadPicture(const std::filesystem::path& path);

// Sets TOLVEX_* variables for one test and clears all of them afterwards.
class Env {
public:
    Env(std::initializer_list<std::pair<const char*, std::string>> vars);
    ~Env();
    Env(const Env&) = delete;
    Env& operator=(const Env&) = delete;
};

// Init on construction (title "test", no icon unless given), Free on destruction.
class Session {
public:
    explicit Session(const std::string& icon = "");
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

private:
    StrPtr Title;
    StrPtr Icon;
    uint64_t ExceptionCell = 0;
};
// Calls Init and gives back the TvError it raises (Code 0 if it succeeds; then Free).
TvError InitError(const std::string& icon = "");

TvTex* LoadTex(const std::string& name);
TvSnd* LoadSnd(const std::string& name);

// Runs `fn` and gives back the TvError it raised (Code 0 if none).
TvError Caught(const std::function<void()>& fn);

// A fresh, empty scratch folder for one test's files.
std::filesystem::path Scratch(const std::string& name);

}  // namespace rt
