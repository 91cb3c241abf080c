// How fast the game simulates with nothing drawn: a whole scripted session of 200,000 frames
// (about 55 minutes of play at 60 Hz) run headless in null mode without a trace, timed from
// start to exit. A short run of the same script gives the start-up cost, which is taken off.
// The script keeps the hero busy: runs both ways, hops, line changes and attack combos; the
// same Space that hops also starts a game from the title and leaves the retry prompt, so the
// session goes through many games.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "BenchProcess.h"

namespace {

constexpr int64_t kFrames = 200000;
constexpr int64_t kShortFrames = 10;
constexpr int kShortRuns = 5;
constexpr double kTargetFps = 20000;

enum Button { kSpace = 0, kAttack = 2, kLeft = 12, kRight = 13, kUp = 14, kDown = 15 };

// One line per change of buttons; a release between moves so that every press is a new one.
void WriteScript(const std::string& path) {
    std::ofstream out(path);
    out << "2 " << kSpace << "\n4\n";
    uint64_t state = 0x2545F4914F6CDD1DULL;
    auto next = [&](uint64_t n) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return static_cast<int64_t>(state % n);
    };
    int64_t f = 40;
    auto hold = [&](const std::string& buttons, int64_t frames) {
        out << f << (buttons.empty() ? "" : " ") << buttons << "\n";
        f += frames;
        out << f << "\n";
        f += 1 + next(3);
    };
    while (f < kFrames) {
        switch (next(7)) {
            case 0:
                hold(std::to_string(kRight), 20 + next(40));
                break;
            case 1:
                hold(std::to_string(kLeft), 10 + next(30));
                break;
            case 2:
                hold(std::to_string(kSpace), 3);
                break;
            case 3:
                hold(std::to_string(next(2) == 0 ? kUp : kDown), 3);
                break;
            case 4:  // a three-stage combo
                for (int i = 0; i < 3; ++i) hold(std::to_string(kAttack), 2 + next(2));
                break;
            case 5:
                hold(std::to_string(kRight) + " " + std::to_string(kAttack), 4);
                break;
            default:
                hold(std::to_string(kLeft) + " " + std::to_string(kUp), 4);
                break;
        }
    }
}

}  // namespace

int main() {
    bench::TempDir dir("keldo-bench-sim");
    const std::string script = (dir.Path / "busy.txt").string();
    WriteScript(script);
    auto env = [&](int64_t frames) {
        return bench::Env{{"TOLVEX_HEADLESS", "null"},
                          {"TOLVEX_SEED", "12345"},
                          {"TOLVEX_FRAMES", std::to_string(frames)},
                          {"TOLVEX_INPUT", script},
                          {"SDL_AUDIODRIVER", "dummy"}};
    };

    std::vector<double> shortRuns;
    for (int i = 0; i < kShortRuns; ++i) {
        shortRuns.push_back(bench::Run(KELDO_PATH, env(kShortFrames)).Wall);
    }
    const double startup = bench::Quantile(shortRuns, 0.5);
    const bench::Outcome whole = bench::Run(KELDO_PATH, env(kFrames));

    const double simulated = whole.Wall - startup;
    const double fps = static_cast<double>(kFrames - kShortFrames) / simulated;
    const double cpuFps = static_cast<double>(kFrames) / whole.Cpu;
    const double usPerFrame = 1e6 / fps;
    std::printf("bench_simulation: %lld frames, headless null, busy script, no trace\n",
                static_cast<long long>(kFrames));
    bench::PrintLoad();
    std::printf("  whole run          %.3f s wall, %.3f s CPU\n", whole.Wall, whole.Cpu);
    std::printf("  start-up (%lld frames, median of %d) %.1f ms\n",
                static_cast<long long>(kShortFrames), kShortRuns, startup * 1e3);
    std::printf("  frames per second  %.0f   (target at least %.0f) %s\n", fps, kTargetFps,
                bench::Verdict(fps >= kTargetFps));
    std::printf("  frames per CPU second (start-up included) %.0f\n", cpuFps);
    std::printf("  per frame          %.2f us = %.2f %% of a 60 Hz frame (target under 1 %%)\n",
                usPerFrame, usPerFrame / (1e6 / 60) * 100);
    return 0;
}
