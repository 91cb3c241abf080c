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

namespace {

struct Sprite {
    double X = 0.0;  // centre on the screen
    double Y = 0.0;
    double SrcY = 0.0;
};

// What one frame of the trace showed.
struct View {
    std::optional<Sprite> Hero;
    std::vector<Sprite> Rocks;  // rocks that can be hit (walking or standing)
    std::optional<double> HoleX;
    bool Title = false;
    bool Clear = false;
    bool Retry = false;
    int Hits = 0;                        // cut sounds
    std::map<double, char> ScoreLine;    // glyphs of the score line, by x
    std::map<double, char> HiScoreLine;  // glyphs of the high-score line, by x
};

std::string Text(const std::map<double, char>& glyphs) {
    std::string out;
    for (const auto& [x, c] : glyphs) out.push_back(c);
    return out;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> out;
    std::istringstream in(line);
    std::string f;
    while (in >> f) out.push_back(f);
    return out;
}

void Look(const std::string& line, View& view) {
    const auto f = Fields(line);
    if (f.size() < 2) return;
    if (f[0] == "draw_rot" && f.size() >= 10) {
        Sprite s;
        s.SrcY = std::stod(f[3]);
        s.X = std::stod(f[6]) + std::stod(f[8]) / 2.0;
        s.Y = std::stod(f[7]) + std::stod(f[9]) / 2.0;
        if (f[1] == "velquint256.vstex") {
            view.Hero = s;
        } else if (f[1] == "rock_enemy.vstex" && s.SrcY != 0.0) {
            view.Rocks.push_back(s);
        } else if (f[1] == "generate_hole.vstex") {
            view.HoleX = s.X;
        }
    } else if (f[0] == "draw" && f.size() >= 10) {
        if (f[1] == "title.vstex") view.Title = true;
        if (f[1] == "font_128_64.vstex" && f[8] == "30") {
            const int code = 32 + std::stoi(f[3]) / 128 * 16 + std::stoi(f[2]) / 64;
            if (f[7] == "90") view.ScoreLine[std::stod(f[6])] = static_cast<char>(code);
            if (f[7] == "30") view.HiScoreLine[std::stod(f[6])] = static_cast<char>(code);
        }
        // Big glyphs at y 300: "Clear!" in 100-wide cells, "Retry?" in 75-wide ones.
        if (f[1] == "font_128_64.vstex" && f[7] == "300") {
            if (f[8] == "100") view.Clear = true;
            if (f[8] == "75") view.Retry = true;
        }
    } else if (f[0] == "play" && f[1] == "tm2_slash003.ogg") {
        ++view.Hits;
    }
}

enum Button { kSpace = 0, kAttack = 2, kLeft = 12, kRight = 13, kUp = 14, kDown = 15 };

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
        if (v.Hero) Hero = *v.Hero;
        if (!Hero) return down;
        const bool grounded = std::fmod(Hero->Y, 100.0) == 0.0;
        const bool facingRight = Hero->SrcY == 0.0 || Hero->SrcY == 512.0;

        // The nearest rock, weighing other lines as farther away.
        const Sprite* target = nullptr;
        double best = 1e18;
        for (const auto& r : v.Rocks) {
            const double cost = std::fabs(r.X - Hero->X) + 4.0 * std::fabs(r.Y - Hero->Y);
            if (cost < best) {
                best = cost;
                target = &r;
            }
        }
        const bool tap = frame % 2 == 0;
        if (target == nullptr) {
            // Wait beside the hole the rocks come from.
            if (v.HoleX) {
                const double want = *v.HoleX - 250.0;
                if (Hero->X < want - 60.0) down.insert(kRight);
                if (Hero->X > want + 60.0) down.insert(kLeft);
            } else {
                down.insert(kRight);
            }
            return down;
        }
        const double dx = target->X - Hero->X;
        const double dy = target->Y - Hero->Y;
        if (std::fabs(dy) >= 50.0) {
            if (grounded && tap) down.insert(dy < 0 ? kUp : kDown);
            return down;
        }
        const bool wantRight = dx > 0;
        if (wantRight != facingRight) {
            if (tap) down.insert(wantRight ? kRight : kLeft);
            return down;
        }
        const double dist = std::fabs(dx);
        if (dist > 230.0) {
            down.insert(wantRight ? kRight : kLeft);
            return down;
        }
        if (dist < 90.0 && grounded) {
            if (tap) down.insert(kSpace);  // too close for the blade: hop back
            return down;
        }
        if (tap) down.insert(kAttack);  // attack, and chain while the blade bites
        return down;
    }

    bool SawRetry = false;
    bool SawClear = false;
    bool BackOnTitle = false;
    std::string FirstScore, FirstHiScore, SecondScore, SecondHiScore;

private:
    std::optional<Sprite> Hero;
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
