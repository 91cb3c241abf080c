// Frame pacing in a real window: the game runs 600 frames (ten seconds at 60 Hz) while this
// program reads its trace through a named pipe and stamps every "frame F" line as it arrives
// (the library flushes the trace at each Act, right after the frame's deadline). Prints the
// distribution of the intervals and the CPU the game used, once idle on the title screen, once
// playing a scripted game, and once on the title while the screenshot key is hammered (300
// presses 5 ms apart, typed with xdotool from frame 60 on). Needs a display: run it under
// xvfb-run.
//
// Then a busy machine: two busy loops (`yes > /dev/null`) beside a 20-second scripted game, each
// build in turn, in the same run: the share of real time the game keeps (game frames against
// the clock) and the pictures it shows a second, skipping the others.
//
// Given the path of another build's keldo (an older one, say, or tools/xbuild/wine-keldo.sh for
// the Windows build under wine), runs it side by side with this one, in turns, so that both
// meet the same machine; this build is then also run with the accelerated renderer forced, to
// tell the renderer's share from the rest.
#include <poll.h>
#include <sched.h>
#include <sys/stat.h>
#include <sys/syscall.h>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "BenchProcess.h"

namespace {

constexpr int kFrames = 600;
constexpr int kSkip = 5;  // start-up frames left out of the intervals
constexpr double kPeriodMs = 1000.0 / 60.0;
constexpr double kTitleCpuTarget = 10;    // % of a core
constexpr double kPlayingCpuTarget = 60;  // % of a core
constexpr int kRounds = 2;                // turns of every build, for a busy machine's sake
constexpr int kBusyFrames = 1200;         // the 20-second game beside the busy loops
constexpr int kBusyLoops = 2;
constexpr double kRealTimeTarget = 97.5;  // % of real time kept beside the busy loops
constexpr size_t kBurstAtFrame = 60;
constexpr const char* kBurst =
    "xdotool search --sync --name '^KELDO' windowfocus --sync 2>/dev/null; "
    "xdotool key --delay 5 $(yes F12 | head -n 300)";

struct Build {
    std::string Label;
    std::string Keldo;
    bench::Env Extra;
};

struct Paced {
    std::vector<double> IntervalsMs;
    int Skipped = 0;  // frames whose pictures were skipped, after the start-up frames
    bench::Outcome Run;
};

// The stamps must be the game's timing, not this program's. Woken by a frame's line on a core
// that another program is using, this program would wait for that program's turn to run out,
// a millisecond or more, as the game's pacing thread would; so it asks the kernel for the same
// short turn as the game does (Linux 6.12 and later; elsewhere the request changes nothing).
void AskForShortTurns() {
    struct SchedAttr {  // the kernel's first layout
        uint32_t Size, Policy;
        uint64_t Flags;
        int32_t Nice;
        uint32_t Priority;
        uint64_t Runtime, Deadline, Period;
    };
    constexpr uint64_t kShortTurnNs = 100'000;
    constexpr uint64_t kResetOnFork = 1;  // the games started from here get the usual turn
    SchedAttr attr{};
    if (syscall(SYS_sched_getattr, 0, &attr, sizeof attr, 0) == 0 && attr.Policy == SCHED_OTHER) {
        attr.Size = sizeof attr;
        attr.Flags = kResetOnFork;
        attr.Runtime = kShortTurnNs;
        syscall(SYS_sched_setattr, 0, &attr, 0);
    }
}

// Types the burst of screenshot keys into the game's window.
pid_t StartBurst() {
    const pid_t pid = fork();
    if (pid == 0) {
        execl("/bin/sh", "sh", "-c", kBurst, static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

// `pictures`: the screenshot key is hammered, and the pictures go there.
Paced RunPaced(const Build& build, const std::string& fifo, const std::string& script,
               const std::string& pictures = "", int frames = kFrames) {
    bench::Env env{{"TOLVEX_FRAMES", std::to_string(frames)},
                   {"TOLVEX_TRACE", fifo},
                   {"TOLVEX_SEED", "7"},
                   {"SDL_AUDIODRIVER", "dummy"}};
    if (!script.empty()) env.push_back({"TOLVEX_INPUT", script});
    if (!pictures.empty()) env.push_back({"XDG_PICTURES_DIR", pictures});
    pid_t burst = -1;
    env.insert(env.end(), build.Extra.begin(), build.Extra.end());
    const double started = bench::Now();
    const pid_t pid = bench::Start(build.Keldo, env);
    const int fd = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    if (fd < 0) {
        std::perror("open trace pipe");
        std::exit(1);
    }
    std::vector<double> stamps;  // arrival of "frame F", F = 0, 1, ...
    int skipped = 0;
    std::string pending;
    bool connected = false;
    char buffer[1 << 16];
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        const int ready = poll(&p, 1, 100);
        const double now = bench::Now();
        if (ready > 0) {
            const ssize_t n = read(fd, buffer, sizeof buffer);
            if (n > 0) {
                connected = true;
                pending.append(buffer, static_cast<size_t>(n));
                size_t start = 0;
                for (size_t nl; (nl = pending.find('\n', start)) != std::string::npos;
                     start = nl + 1) {
                    if (pending.compare(start, 6, "frame ") == 0) stamps.push_back(now);
                    if (pending.compare(start, nl - start, "skip") == 0 && stamps.size() > kSkip) {
                        ++skipped;
                    }
                }
                if (!pictures.empty() && burst < 0 && stamps.size() >= kBurstAtFrame) {
                    burst = StartBurst();
                }
                pending.erase(0, start);
                continue;
            }
            if (n == 0 && connected) break;  // the game closed the trace
        }
        // Until the game opens the pipe, make sure it has not died on the way.
        if (!connected) {
            siginfo_t info{};
            if (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
                info.si_pid == pid) {
                break;
            }
            if (ready > 0) usleep(1000);
        }
    }
    close(fd);
    if (burst > 0) {
        waitpid(burst, nullptr, 0);
    }
    Paced out;
    out.Skipped = skipped;
    out.Run = bench::Finish(pid, started);
    if (out.Run.ExitCode != 0) {
        std::fprintf(stderr, "keldo ended with code %d\n", out.Run.ExitCode);
        std::exit(1);
    }
    for (size_t i = kSkip + 1; i < stamps.size(); ++i) {
        out.IntervalsMs.push_back((stamps[i] - stamps[i - 1]) * 1e3);
    }
    return out;
}

void Report(const std::string& build, const char* scene, double cpuTarget, const Paced& r) {
    const std::string labelText = build + ", " + scene;
    const char* label = labelText.c_str();
    const auto& v = r.IntervalsMs;
    const double median = bench::Quantile(v, 0.5);
    const double p1 = bench::Quantile(v, 0.01);
    const double p99 = bench::Quantile(v, 0.99);
    const double max = bench::Max(v);
    const bool steady = std::abs(median - kPeriodMs) < 0.1 && std::abs(p99 - kPeriodMs) <= 1.0 &&
                        std::abs(p1 - kPeriodMs) <= 1.0;
    double total = 0;
    for (const double interval : v) total += interval;
    std::printf(
        "  %s: %zu intervals: median %.3f ms, 1st pct %.3f ms, 99th pct %.3f ms, max "
        "%.3f ms; %.1f frames/s\n",
        label, v.size(), median, p1, p99, max, total > 0 ? v.size() * 1e3 / total : 0.0);
    std::printf("  %s: target median %.2f ms, 1st/99th pct within 1 ms of it: %s\n", label,
                kPeriodMs, bench::Verdict(steady));
    // On a busy machine the game gets a core less often and its run stretches, which makes the
    // share of the wall time look smaller than it is; the CPU a frame costs does not stretch.
    const double perFrameMs = r.Run.Cpu / kFrames * 1e3;
    const double atFullRate = perFrameMs / kPeriodMs * 100;
    std::printf(
        "  %s: CPU %.3f s over %.3f s wall = %.1f %% of a core; %.2f ms a frame = %.1f %% of a "
        "core at 60 frames/s (start-up included); target at most %.0f %%: %s\n",
        label, r.Run.Cpu, r.Run.Wall, r.Run.Cpu / r.Run.Wall * 100, perFrameMs, atFullRate,
        cpuTarget, bench::Verdict(atFullRate <= cpuTarget));
}

// `yes > /dev/null`: a program that uses a whole core for as long as it is let.
pid_t StartBusyLoop() {
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) dup2(null, STDOUT_FILENO);
        execlp("yes", "yes", static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

struct BusyRow {
    std::string Label;
    double RealTime = 0;  // %
    double Shown = 0;     // pictures a second
    double Cpu = 0;       // ms a game frame
};

BusyRow ReportBusy(const std::string& build, const Paced& r) {
    double span = 0;
    for (const double interval : r.IntervalsMs) span += interval;
    const double frames = static_cast<double>(r.IntervalsMs.size());
    BusyRow row{build, span > 0 ? frames * kPeriodMs / span * 100 : 0,
                span > 0 ? (frames - r.Skipped) * 1e3 / span : 0, r.Run.Cpu / kBusyFrames * 1e3};
    std::printf(
        "  %s, playing beside %d busy loops: %.0f game frames in %.2f s = %.1f %% of real time "
        "(target at least %.1f %%: %s); %.1f pictures shown a second (%d skipped); CPU %.2f ms "
        "a frame\n",
        build.c_str(), kBusyLoops, frames, span / 1e3, row.RealTime, kRealTimeTarget,
        bench::Verdict(row.RealTime >= kRealTimeTarget), row.Shown, r.Skipped, row.Cpu);
    return row;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2 || (argc == 2 && access(argv[1], X_OK) != 0)) {
        std::fprintf(stderr, "usage: bench_pacing [KELDO of another build to compare with]\n");
        return 2;
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // figures as they come, also into a file
    AskForShortTurns();
    std::vector<Build> builds;
    if (argc == 2) {
        builds.push_back({"other build", argv[1], {}});
        builds.push_back(
            {"this build, accelerated", KELDO_PATH, {{"TOLVEX_RENDERER", "accelerated"}}});
    }
    builds.push_back({"this build", KELDO_PATH, {}});
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') {
        std::printf("bench_pacing: skipped: needs a display (run under xvfb-run)\n");
        return 0;
    }
    bench::TempDir dir("keldo-bench-pacing");
    const std::string fifo = (dir.Path / "trace").string();
    if (mkfifo(fifo.c_str(), 0600) != 0) {
        std::perror("mkfifo");
        return 1;
    }
    const std::string script = (dir.Path / "play.txt").string();
    {
        // Start a game, then run right and swing now and then.
        std::ofstream out(script);
        out << "2 0\n4\n";
        for (int f = 60; f < kFrames; f += 40) {
            out << f << " 13\n" << f + 20 << "\n" << f + 25 << " 2\n" << f + 28 << "\n";
        }
    }
    std::printf("bench_pacing: %d frames in a window, DISPLAY=%s\n", kFrames, display);
    const int rounds = builds.size() > 1 ? kRounds : 1;
    for (int round = 1; round <= rounds; ++round) {
        std::printf(" round %d of %d\n", round, rounds);
        for (const Build& build : builds) {
            bench::PrintLoad();
            Report(build.Label, "title (idle)", kTitleCpuTarget, RunPaced(build, fifo, ""));
            Report(build.Label, "game (playing)", kPlayingCpuTarget, RunPaced(build, fifo, script));
            // The pictures are encoded and written on a thread of their own: that CPU is the
            // writer's, the intervals are the game's.
            Report(build.Label, "title, F12 hammered", kPlayingCpuTarget,
                   RunPaced(build, fifo, "", (dir.Path / "shots").string()));
        }
    }
    const std::string busyScript = (dir.Path / "busy.txt").string();
    {
        // Start a game, then run both ways, change lines and swing for twenty seconds.
        std::ofstream out(busyScript);
        out << "2 0\n4\n";
        for (int f = 60, i = 0; f + 60 < kBusyFrames; f += 60, ++i) {
            out << f << " " << (i % 2 ? 12 : 13) << "\n"
                << f + 42 << " 2\n"
                << f + 47 << "\n"
                << f + 50 << " " << (i % 3 ? 14 : 15) << "\n"
                << f + 55 << " 2\n"
                << f + 58 << "\n";
        }
    }
    std::printf(" a busy machine: %d busy loops beside each build in turn\n", kBusyLoops);
    std::vector<pid_t> loops;
    for (int i = 0; i < kBusyLoops; ++i) loops.push_back(StartBusyLoop());
    std::vector<BusyRow> rows;
    for (const Build& build : builds) {
        if (build.Extra.empty()) {  // as a player gets it
            bench::PrintLoad();
            rows.push_back(
                ReportBusy(build.Label, RunPaced(build, fifo, busyScript, "", kBusyFrames)));
        }
    }
    for (const pid_t loop : loops) {
        kill(loop, SIGTERM);
        waitpid(loop, nullptr, 0);
    }
    std::printf(
        "\n| Build, %d busy loops beside it | Real time kept | Pictures shown/s | CPU a frame |\n"
        "|---|---|---|---|\n",
        kBusyLoops);
    for (const BusyRow& row : rows) {
        std::printf("| %s | %.1f %% (%s) | %.1f | %.2f ms |\n", row.Label.c_str(), row.RealTime,
                    bench::Verdict(row.RealTime >= kRealTimeTarget), row.Shown, row.Cpu);
    }
    return 0;
}
