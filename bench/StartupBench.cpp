// Start-up to the first presented frame and peak memory: the game run with a frame limit of
// one, so that its first Act shows the first picture and ends the run, timed from fork to
// exit. Headless with the software renderer many times; in a real window too when there is a
// display (run under xvfb-run for that).
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "BenchProcess.h"

namespace {

constexpr int kRuns = 20;
constexpr int kWindowRuns = 5;
constexpr double kTargetMs = 150;
constexpr double kTargetMb = 64;

void Measure(const char* label, const bench::Env& env, int runs) {
    std::vector<double> wall;
    std::vector<double> cpu;
    double peak = 0;
    for (int i = 0; i < runs; ++i) {
        const bench::Outcome o = bench::Run(KELDO_PATH, env);
        wall.push_back(o.Wall * 1e3);
        cpu.push_back(o.Cpu * 1e3);
        peak = std::max(peak, o.PeakRssMb);
    }
    const double median = bench::Quantile(wall, 0.5);
    const double max = bench::Max(wall);
    std::printf("  %s, %d runs: median %.1f ms, max %.1f ms   (target under %.0f ms) %s\n", label,
                runs, median, max, kTargetMs, bench::Verdict(median < kTargetMs));
    std::printf("  %s CPU (user + sys): median %.1f ms\n", label, bench::Quantile(cpu, 0.5));
    std::printf("  %s peak RSS: %.1f MB   (target under %.0f MB) %s\n", label, peak, kTargetMb,
                bench::Verdict(peak < kTargetMb));
}

}  // namespace

int main() {
    std::printf("bench_startup: exec to exit after the first presented frame\n");
    bench::PrintLoad();
    Measure("headless=1", {{"TOLVEX_HEADLESS", "1"}, {"TOLVEX_FRAMES", "1"}}, kRuns);
    const char* display = std::getenv("DISPLAY");
    if (display != nullptr && *display != '\0') {
        Measure("window", {{"TOLVEX_FRAMES", "1"}, {"SDL_AUDIODRIVER", "dummy"}}, kWindowRuns);
    } else {
        std::printf("  window: skipped, needs a display (run under xvfb-run)\n");
    }
    return 0;
}
