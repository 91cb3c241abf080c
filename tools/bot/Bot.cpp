// A small bot that plays a whole game of KELDO in lock-step with the runtime library:
// it reads the trace up to "frame F", looks at where the hero and the rocks were drawn,
// and writes the buttons for frame F to the input pipe. It starts a game from the title
// screen, fights until "Retry?" comes up, leaves for the title screen and stops.
//
//   keldo-bot [--seed N] [--frames N] [--keldo PATH] [--trace-copy FILE]
//
// Prints one summary line and exits 0 when the game was cleared and the title came back.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "BotBrain.h"

namespace {

using namespace keldo::bot;

class Brain {
public:
    // The buttons to hold in the next frame.
    std::set<int> Decide(const View& v, long frame) {
        std::set<int> down;
        if (v.Retry) {
            SawRetry = true;
            if (frame % 4 == 0) down.insert(kSpace);  // press and let go
            return down;
        }
        if (v.Title) {
            if (SawRetry) {
                BackOnTitle = true;
            }
            if (frame % 4 == 0) down.insert(kSpace);
            return down;
        }
        if (v.Clear) SawClear = true;
        if (!v.ScoreLine.empty()) {
            if (BackOnTitle) {
                // The next game: a fresh score, the best one of the run kept.
                SecondScore = Text(v.ScoreLine);
                SecondHiScore = Text(v.HiScoreLine);
                return down;
            }
            FirstScore = Text(v.ScoreLine);
            FirstHiScore = Text(v.HiScoreLine);
        }
        return Fight.Decide(v, frame);
    }

    bool SawRetry = false;
    bool SawClear = false;
    bool BackOnTitle = false;
    std::string FirstScore, FirstHiScore, SecondScore, SecondHiScore;

private:
    Fighter Fight;
};

}  // namespace

int main(int argc, char** argv) {
    std::string keldo = "build/bin/keldo";
    std::string seed = "1";
    long frames = 40000;
    std::string traceCopy;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--keldo")
            keldo = argv[i + 1];
        else if (a == "--seed")
            seed = argv[i + 1];
        else if (a == "--frames")
            frames = std::atol(argv[i + 1]);
        else if (a == "--trace-copy")
            traceCopy = argv[i + 1];
        else {
            std::fprintf(stderr, "keldo-bot: unknown option %s\n", a.c_str());
            return 2;
        }
    }
    char dir[] = "/tmp/keldo-bot-XXXXXX";
    if (mkdtemp(dir) == nullptr) return 2;
    const std::string tracePath = std::string(dir) + "/trace";
    const std::string inputPath = std::string(dir) + "/input";
    mkfifo(tracePath.c_str(), 0600);
    mkfifo(inputPath.c_str(), 0600);
    signal(SIGPIPE, SIG_IGN);

    const pid_t pid = fork();
    if (pid == 0) {
        setenv("TOLVEX_HEADLESS", getenv("TOLVEX_HEADLESS") ? getenv("TOLVEX_HEADLESS") : "null",
               1);
        setenv("TOLVEX_SEED", seed.c_str(), 1);
        setenv("TOLVEX_FRAMES", std::to_string(frames).c_str(), 1);
        setenv("TOLVEX_TRACE", tracePath.c_str(), 1);
        setenv("TOLVEX_INPUT", inputPath.c_str(), 1);
        execl(keldo.c_str(), keldo.c_str(), static_cast<char*>(nullptr));
        std::perror("keldo-bot: cannot start the game");
        _exit(127);
    }
    // The library opens the trace before the input script.
    std::ifstream trace(tracePath);
    FILE* input = std::fopen(inputPath.c_str(), "w");
    std::ofstream copy;
    if (!traceCopy.empty()) copy.open(traceCopy);

    Brain brain;
    View view;
    long frame = -1;
    long clearedAt = -1;
    int hits = 0;
    std::string line;
    while (std::getline(trace, line)) {
        if (copy.is_open()) copy << line << '\n';
        if (line.rfind("frame ", 0) != 0) {
            Look(line, view);
            continue;
        }
        frame = std::atol(line.c_str() + 6);
        hits += view.Hits;
        const std::set<int> want = brain.Decide(view, frame);
        if (brain.SawClear && clearedAt < 0) clearedAt = frame;
        view = View{};
        if (input == nullptr) continue;
        if (!brain.SecondScore.empty()) {
            // Done: let go of everything and let the game run out its frames.
            std::fprintf(input, "%ld\n", frame);
            std::fclose(input);
            input = nullptr;
            continue;
        }
        // Every frame gets its line, so that the game moves in step with the bot.
        std::fprintf(input, "%ld", frame);
        for (int b : want) std::fprintf(input, " %d", b);
        std::fprintf(input, "\n");
        std::fflush(input);
    }
    if (input != nullptr) std::fclose(input);
    int status = 0;
    waitpid(pid, &status, 0);
    unlink(tracePath.c_str());
    unlink(inputPath.c_str());
    rmdir(dir);
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    std::printf(
        "keldo-bot: seed %s, %ld frames, %d sword hits, cleared at frame %ld, %s, exit %d\n",
        seed.c_str(), frame, hits, clearedAt,
        brain.BackOnTitle ? "back on the title screen" : "NOT back on the title screen", code);
    std::printf("keldo-bot: the game ended with %s and %s; the next one began with %s and %s\n",
                brain.FirstScore.c_str(), brain.FirstHiScore.c_str(), brain.SecondScore.c_str(),
                brain.SecondHiScore.c_str());
    // The next game starts from score 0 and keeps the best score of the run.
    const std::string best = brain.FirstScore.size() > 6 ? brain.FirstScore.substr(6) : "";
    const bool nextGameRight = brain.SecondScore == "SCORE:000000000000" &&
                               brain.SecondHiScore == "HISCORE:" + best && best != "000000000000";
    return (code == 0 && brain.BackOnTitle && clearedAt >= 0 && nextGameRight) ? 0 : 1;
}
