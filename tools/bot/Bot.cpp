// A small bot that plays a whole game of KELDO in lock-step with the runtime library:
// it reads the trace up to "frame F", looks at where the hero and the rocks were drawn,
// and writes the buttons for frame F to the input pipe. It starts a game from the title
// screen, fights until "Retry?" comes up, leaves for the title screen and stops.
//
//   keldo-bot [--seed N] [--frames N] [--keldo PATH] [--trace-copy FILE] [--script-copy FILE]
//
// --script-copy keeps every line sent, an input script that replays the same game from a file.
// Prints one summary line and exits 0 when the game was cleared and the title came back.
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
#include "LockStep.h"
#include "Options.h"

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
    std::string scriptCopy;
    int code = 0;
    if (!ParseOptions(argc, argv,
                      "[--keldo PROGRAM] [--seed N] [--frames N] [--trace-copy FILE]"
                      " [--script-copy FILE]\n"
                      "Plays a whole game of keldo in lock-step and checks how it ends.",
                      {{"--keldo", [&](const char* v) { return !(keldo = v).empty(); }},
                       {"--seed", [&](const char* v) { return !(seed = v).empty(); }},
                       {"--frames", [&](const char* v) { return (frames = std::atol(v)) > 0; }},
                       {"--trace-copy", [&](const char* v) { return !(traceCopy = v).empty(); }},
                       {"--script-copy", [&](const char* v) { return !(scriptCopy = v).empty(); }}},
                      code)) {
        return code;
    }
    LockStep game;
    const char* headless = getenv("TOLVEX_HEADLESS");
    if (!game.Start(keldo,
                    {{"TOLVEX_HEADLESS", headless != nullptr ? headless : "null"},
                     {"TOLVEX_SEED", seed},
                     {"TOLVEX_FRAMES", std::to_string(frames)}},
                    "keldo-bot")) {
        return 2;
    }
    std::ofstream copy;
    if (!traceCopy.empty()) copy.open(traceCopy);
    std::ofstream script;
    if (!scriptCopy.empty()) script.open(scriptCopy);
    // Sent to the game, and kept when asked to.
    const auto send = [&game, &script](long frame, const std::set<int>& down) {
        game.Write(frame, down);
        if (script.is_open()) {
            script << frame;
            for (int b : down) script << ' ' << b;
            script << '\n';
        }
    };

    Brain brain;
    View view;
    long frame = -1;
    long clearedAt = -1;
    int hits = 0;
    int titleLoads = 0;  // the title screen loads its picture on every visit
    std::string line;
    while (game.ReadLine(line)) {
        if (copy.is_open()) copy << line << '\n';
        if (line == "load_tex title.vstex") ++titleLoads;
        if (line.rfind("frame ", 0) != 0) {
            Look(line, view);
            continue;
        }
        frame = std::atol(line.c_str() + 6);
        hits += view.Hits;
        const std::set<int> want = brain.Decide(view, frame);
        if (brain.SawClear && clearedAt < 0) clearedAt = frame;
        view = View{};
        if (!brain.SecondScore.empty()) {
            // Done: let go of everything and let the game run out its frames.
            if (game.Input != nullptr) send(frame, std::set<int>{});
            game.CloseInput();
            continue;
        }
        // Every frame gets its line, so that the game moves in step with the bot.
        send(frame, want);
    }
    code = game.Finish();
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
    std::printf("keldo-bot: the title picture was loaded %d times\n", titleLoads);
    return (code == 0 && brain.BackOnTitle && clearedAt >= 0 && nextGameRight && titleLoads >= 2)
               ? 0
               : 1;
}
