// An endurance run: one game process kept playing for a million frames or more, headless
// and unrendered, in lock-step through the trace and input pipes. Games are played by
// seeded random presses leaning toward the bot's fighting moves, so that they do get
// cleared; after "Retry?" the run leaves for the title and starts the next game.
//
//   keldo-endurance [--keldo PATH] [--seed N] [--frames N] [--sample N]
//
// Prints the resident memory of the game every --sample frames (50000), and at the end
// the frames run, the games cleared, whether each of them came back to the title, the
// peak memory and how much it grew after warm-up. Exits 0 when the game exited 0 and every
// cleared game came back to the title.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "BotBrain.h"
#include "LockStep.h"
#include "Options.h"

namespace {

using namespace keldo::bot;

// A /proc/<pid>/status field in kB, or -1.
long StatusKb(pid_t pid, const char* field) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    const std::string prefix = std::string(field) + ":";
    while (std::getline(in, line)) {
        if (line.rfind(prefix, 0) == 0) return std::atol(line.c_str() + prefix.size());
    }
    return -1;
}

// Plays game after game: the fighter most of the time, random presses the rest.
class Player {
public:
    explicit Player(unsigned long seed) : Rng(seed) {}

    std::set<int> Decide(const View& v, long frame) {
        if (v.Retry) {
            if (Phase == Playing) Phase = Retrying;
            return Pulse(frame);
        }
        if (v.Title) {
            if (Phase == Retrying) ++(ClearSeen ? BackOnTitle : LostBackOnTitle);
            Phase = OnTitle;
            return Pulse(frame);
        }
        if (v.Clear && Phase == Playing && !ClearSeen) {
            ClearSeen = true;
            ++Cleared;
        }
        if (!v.ScoreLine.empty() && Phase == OnTitle) {
            Phase = Playing;
            ClearSeen = false;
            ++Started;
        }
        std::set<int> down = Fight.Decide(v, frame);
        if (std::uniform_real_distribution<double>(0.0, 1.0)(Rng) < 0.25) down = RandomPress();
        return down;
    }

    enum { OnTitle, Playing, Retrying } Phase = OnTitle;
    bool ClearSeen = false;
    long Started = 0;
    long Cleared = 0;
    long BackOnTitle = 0;      // cleared games that came back to the title
    long LostBackOnTitle = 0;  // games lost that came back to the title

private:
    static std::set<int> Pulse(long frame) {
        return frame % 4 == 0 ? std::set<int>{kSpace} : std::set<int>{};
    }

    // Mostly attacks, then runs toward the rocks (or anywhere), line changes and hops.
    std::set<int> RandomPress() {
        const int pick = std::uniform_int_distribution<int>(0, 99)(Rng);
        if (pick < 45) return {kAttack};
        if (pick < 70) {
            if (Fight.Hero && !LastRocks.empty()) {
                return {LastRocks.front().X > Fight.Hero->X ? kRight : kLeft};
            }
            return {pick % 2 == 0 ? kRight : kLeft};
        }
        if (pick < 80) return {pick % 2 == 0 ? kUp : kDown};
        if (pick < 88) return {kSpace};
        if (pick < 94) return {kAttack, pick % 2 == 0 ? kRight : kLeft};
        return {};
    }

public:
    std::vector<Sprite> LastRocks;

private:
    std::mt19937_64 Rng;
    Fighter Fight;
};

}  // namespace

int main(int argc, char** argv) {
    std::string keldo = "build/bin/keldo";
    unsigned long seed = 1;
    long frames = 1'000'000;
    long sample = 50'000;
    int code = 0;
    if (!ParseOptions(
            argc, argv,
            "[--keldo PROGRAM] [--seed N] [--frames N] [--sample N]\n"
            "Plays keldo at random in lock-step and samples its memory every N frames.",
            {{"--keldo", [&](const char* v) { return !(keldo = v).empty(); }},
             {"--seed", [&](const char* v) { return (seed = std::strtoul(v, nullptr, 10), true); }},
             {"--frames", [&](const char* v) { return (frames = std::atol(v)) > 0; }},
             {"--sample", [&](const char* v) { return (sample = std::atol(v)) > 0; }}},
            code)) {
        return code;
    }
    if (frames < 1 || sample < 1) {
        std::fprintf(stderr, "keldo-endurance: --frames and --sample must be 1 or more\n");
        return 2;
    }
    LockStep game;
    if (!game.Start(keldo,
                    {{"TOLVEX_HEADLESS", "null"},
                     {"SDL_AUDIODRIVER", "dummy"},
                     {"TOLVEX_SEED", std::to_string(seed)},
                     {"TOLVEX_FRAMES", std::to_string(frames)}},
                    "keldo-endurance")) {
        return 2;
    }

    const auto start = std::chrono::steady_clock::now();
    Player player(seed);
    View view;
    long frame = -1;
    long peakRss = 0;
    std::vector<std::pair<long, long>> samples;  // (frame, VmRSS kB)
    std::string line;
    while (game.ReadLine(line)) {
        if (line.rfind("frame ", 0) != 0) {
            Look(line, view);
            continue;
        }
        frame = std::atol(line.c_str() + 6);
        if (frame % sample == 0 || frame == frames) {
            const long rss = StatusKb(game.Pid, "VmRSS");
            peakRss = std::max(peakRss, StatusKb(game.Pid, "VmHWM"));
            samples.emplace_back(frame, rss);
            const double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            std::printf("frame %8ld  VmRSS %7ld kB  games %ld started, %ld cleared  %.0f s\n",
                        frame, rss, player.Started, player.Cleared, seconds);
            std::fflush(stdout);
        }
        if (!view.Rocks.empty()) player.LastRocks = view.Rocks;
        const std::set<int> want = player.Decide(view, frame);
        view = View{};
        if (frame < frames) game.Write(frame, want);
    }
    code = game.Finish();

    // Memory after warm-up: the samples from the third on (frame 100000 by default).
    long lowAfter = -1;
    long highAfter = -1;
    for (size_t i = std::min<size_t>(2, samples.size()); i < samples.size(); ++i) {
        if (samples[i].second < 0) continue;
        lowAfter = lowAfter < 0 ? samples[i].second : std::min(lowAfter, samples[i].second);
        highAfter = std::max(highAfter, samples[i].second);
    }
    // A game cut off by the frame limit after its "Clear!" cannot have come back yet.
    const long owed = player.Cleared - (player.Phase == Player::OnTitle ? 0 : player.ClearSeen);
    const bool allBack = player.BackOnTitle >= owed;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf(
        "keldo-endurance: seed %lu, %ld frames in %.0f s, %ld games started, %ld cleared, "
        "%ld of them back on the title (%s), %ld lost and back on the title, exit %d\n",
        seed, frame, seconds, player.Started, player.Cleared, player.BackOnTitle,
        allBack ? "every cleared game" : "NOT every cleared game", player.LostBackOnTitle, code);
    std::printf("keldo-endurance: memory peak %ld kB; after warm-up %ld to %ld kB (%+ld kB)\n",
                peakRss, lowAfter, highAfter, highAfter - lowAfter);
    return code == 0 && frame == frames && allBack ? 0 : 1;
}
