// Reads a finished trace and says how the game in it went, in the same words for every build,
// so that two runs (or two builds) can be compared line by line:
//
//   keldo-trace-summary TRACE
//
// Prints the frames on which the first game was cleared, "Retry?" came up and the title came
// back, the last score of that game, the sword hits and the frames run. Exits 0 when the
// game was cleared, "Retry?" came up and the title came back after it; 1 otherwise; 2 when
// the trace cannot be read.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "BotBrain.h"

using namespace keldo::bot;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: keldo-trace-summary TRACE\n");
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::fprintf(stderr, "keldo-trace-summary: cannot read %s\n", argv[1]);
        return 2;
    }
    long frame = 0;
    long cleared = -1;
    long retry = -1;
    long titleAgain = -1;
    long hits = 0;
    std::string score;
    View view;
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("frame ", 0) != 0) {
            Look(line, view);
            continue;
        }
        frame = std::atol(line.c_str() + 6);
        // The first game only: what follows the title's return is another game.
        if (titleAgain < 0) {
            hits += view.Hits;
            if (view.Clear && cleared < 0) cleared = frame;
            if (view.Retry && retry < 0) retry = frame;
            if (view.Title && retry >= 0) titleAgain = frame;
            if (!view.ScoreLine.empty()) score = Text(view.ScoreLine);
        }
        view = View{};
    }
    std::printf("cleared at frame %ld\n", cleared);
    std::printf("retry at frame %ld\n", retry);
    std::printf("title again at frame %ld\n", titleAgain);
    std::printf("last score %s\n", score.empty() ? "none" : score.c_str());
    std::printf("sword hits %ld\n", hits);
    std::printf("frames %ld\n", frame);
    return cleared >= 0 && retry >= 0 && titleAgain >= 0 ? 0 : 1;
}
