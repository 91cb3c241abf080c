// What entering the game scene asks of the runtime library, with rendering on (headless, the
// software renderer): loading its fifteen pictures and four sounds and releasing the handles
// again. The first round is the first game of a session (files decoded); every later game
// finds them in the library's cache. The whole of it must fit in a frame so that starting a
// game drops none.
#include <dlfcn.h>
#include <xmmintrin.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "BenchProcess.h"
#include "BoundRuntime.h"
#include "Tolvex.h"

namespace {

constexpr double kTargetMs = 16.0;
constexpr int kWarmRounds = 200;

constexpr std::array<const char*, 15> kPictures = {
    "ground.vstex",        "distant_view.vstex", "wood.vstex",       "velquint256.vstex",
    "sword_512_128.vstex", "bullet.vstex",       "smog.vstex",       "slash_effect.vstex",
    "hit_effect.vstex",    "life.vstex",         "gauge.vstex",      "generate_hole.vstex",
    "rock_enemy.vstex",    "combo.vstex",        "font_128_64.vstex"};
constexpr std::array<const char*, 4> kSounds = {"tm2_hit005.ogg", "tm2_swing004.ogg",
                                                "tm2_slash003.ogg", "sha00.ogg"};

using tvtools::Entries;
using tvtools::MakeStr;

// One scene entry: every load as the game makes it (a fresh name string each time), then the
// handles released as the scene does when it ends. Returns milliseconds of wall time and,
// in CPU, of this process's CPU time.
// When LOADS is given, it receives each load's own milliseconds by name.
double EnterScene(const Entries& e, double* cpu = nullptr,
                  std::vector<std::pair<double, std::string>>* loads = nullptr) {
    static const TvType texType{"Tex"};
    static const TvType sndType{"Snd"};
    std::vector<void*> handles;
    const double start = bench::Now();
    const double startCpu = bench::CpuNow();
    auto load = [&](const char* name, auto entry, const TvType* type) {
        const double t = bench::Now();
        TvStr* s = MakeStr(e, name);
        handles.push_back(entry(type, s));
        e.FreeMem(s);
        if (loads != nullptr) loads->emplace_back((bench::Now() - t) * 1e3, name);
    };
    for (const char* name : kPictures) load(name, e.LoadTex, &texType);
    for (const char* name : kSounds) load(name, e.LoadSnd, &sndType);
    for (void* h : handles) e.FreeMem(h);
    if (cpu != nullptr) *cpu = (bench::CpuNow() - startCpu) * 1e3;
    return (bench::Now() - start) * 1e3;
}

}  // namespace

int main() {
    Entries e;
    try {
        tvtools::OpenLibrary(TOLVEX_LIBRARY_PATH, e);
    } catch (const std::runtime_error& error) {
        std::fprintf(stderr, "bench_scene_entry: %s\n", error.what());
        return 1;
    }

    setenv("TOLVEX_HEADLESS", "1", 1);
    for (const char* v : {"TOLVEX_FRAMES", "TOLVEX_INPUT", "TOLVEX_TRACE", "TOLVEX_SHOT"}) {
        unsetenv(v);
    }
    // The game's floating-point mode, which the library must cope with.
    _mm_setcsr(TV_GAME_FP_MODE);
    double cold = 0;
    double coldCpu = 0;
    double afterTitle = 0;
    double afterTitleCpu = 0;
    std::vector<std::pair<double, std::string>> coldLoads;
    std::vector<double> warm;
    try {
        uint64_t cell = 0;
        TvStr* title = MakeStr(e, "bench");
        const TvInitParams params = tvtools::StartRecord(&cell, title);
        e.Init(&params);
        e.Act();
        cold = EnterScene(e, &coldCpu, &coldLoads);
        e.Act();
        e.Free();
        // As a player starts it: the title screen is up for half a second first, while
        // the library decodes the pictures in the background.
        e.Init(&params);
        for (int frame = 0; frame < 30; ++frame) {
            e.Act();
            std::this_thread::sleep_for(std::chrono::microseconds(16667));
        }
        afterTitle = EnterScene(e, &afterTitleCpu, nullptr);
        e.Act();
        for (int i = 0; i < kWarmRounds; ++i) {
            warm.push_back(EnterScene(e));
            e.Act();
        }
        e.Free();
    } catch (const TvError& error) {
        std::fprintf(stderr, "bench_scene_entry: %s\n", error.Message);
        return 1;
    }

    const double median = bench::Quantile(warm, 0.5);
    const double max = bench::Max(warm);
    std::printf("bench_scene_entry: game scene set-up, %zu pictures + %zu sounds, headless=1\n",
                kPictures.size(), kSounds.size());
    bench::PrintLoad();
    std::printf("  first game, Space on the very first frame  %.2f ms wall, %.2f ms CPU\n", cold,
                coldCpu);
    std::printf(
        "  first game after 0.5 s on the title  %.2f ms wall, %.2f ms CPU   (target under %.0f "
        "ms) %s\n",
        afterTitle, afterTitleCpu, kTargetMs, bench::Verdict(afterTitle < kTargetMs));
    std::sort(coldLoads.rbegin(), coldLoads.rend());
    std::printf("  slowest cold loads:");
    for (size_t i = 0; i < 5 && i < coldLoads.size(); ++i) {
        std::printf(" %s %.1f ms%s", coldLoads[i].second.c_str(), coldLoads[i].first,
                    i + 1 < 5 ? "," : "\n");
    }
    std::printf(
        "  later games (warm, %d rounds)  median %.3f ms, max %.3f ms   (target under "
        "%.0f ms) %s\n",
        kWarmRounds, median, max, kTargetMs, bench::Verdict(max < kTargetMs));
    return 0;
}
