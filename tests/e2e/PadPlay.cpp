// The whole game played with a game controller: the game runs in this process (with the
// real library, in a real window, no input script) on a thread of its own, while the test
// plugs in SDL's virtual controllers, presses them, pulls them out, and follows the hero
// through the trace the library writes.
#include <SDL.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>

#include "startup/Startup.h"
#include "support/VirtualPad.h"

namespace {

constexpr Sint16 kStickFar = 20000;
constexpr Sint16 kStickNear = 8000;  // inside the dead zone: a resting stick drifts this much
constexpr auto kPatience = std::chrono::seconds(60);

// The game on its own thread, and what its trace has said so far.
class Game {
public:
    explicit Game(const std::string& trace) : TracePath(trace) {
        setenv("TOLVEX_TRACE", trace.c_str(), 1);
        setenv("TOLVEX_SEED", "3", 1);
        Thread = std::thread([this] {
            Code = keldo::RunProgram();
            Done = true;
        });
    }
    ~Game() {
        if (Thread.joinable()) {
            Quit();
        }
        unsetenv("TOLVEX_TRACE");
        unsetenv("TOLVEX_SEED");
    }

    int Quit() {
        SDL_Event quit{};
        quit.type = SDL_QUIT;
        SDL_PushEvent(&quit);
        Thread.join();
        return Code;
    }

    // Until the frame has begun; false if the game ended or took far too long.
    bool WaitFrame(long frame) {
        const auto until = std::chrono::steady_clock::now() + kPatience;
        while (Frame < frame) {
            if (Done || std::chrono::steady_clock::now() > until) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            Read();
        }
        return true;
    }
    bool Wait(long frames) { return WaitFrame(Frame + frames); }

    long Now() const { return Frame; }
    long GameStart() const { return Started; }
    // Where the hero was last drawn on the screen, across.
    double HeroX() const { return LastHeroX; }

private:
    void Read() {
        if (!In.is_open()) In.open(TracePath);
        if (!In.is_open()) return;
        In.clear();
        std::string chunk;
        char buffer[4096];
        while (In.read(buffer, sizeof buffer) || In.gcount() > 0) {
            chunk.append(buffer, static_cast<size_t>(In.gcount()));
        }
        Pending += chunk;
        size_t end;
        while ((end = Pending.find('\n')) != std::string::npos) {
            Line(Pending.substr(0, end));
            Pending.erase(0, end + 1);
        }
    }
    void Line(const std::string& line) {
        std::istringstream in(line);
        std::string word;
        in >> word;
        if (word == "frame") {
            in >> Frame;
        } else if (word == "load_tex") {
            in >> word;
            if (word == "ground.vstex" && Started < 0) Started = Frame;
        } else if (word == "draw_rot") {
            std::string name;
            double v[8];
            in >> name;
            for (double& x : v) in >> x;
            if (name == "velquint256.vstex") LastHeroX = v[4] + v[6] / 2;
        }
    }

    std::string TracePath;
    std::thread Thread;
    std::atomic<bool> Done{false};
    int Code = -1;
    std::ifstream In;
    std::string Pending;
    long Frame = -1;
    long Started = -1;
    double LastHeroX = 0;
};

// The frames from `from` to `to` at which the game's recording has pad button `button` down.
int FramesWithButton(const std::string& recording, long from, long to, int button) {
    std::ifstream in(recording);
    std::string line;
    std::map<long, bool> changes;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        long frame = 0;
        fields >> frame;
        int b = 0;
        bool down = false;
        while (fields >> b) down = down || b == button;
        changes[frame] = down;
    }
    int count = 0;
    bool down = false;
    for (long f = 0; f <= to; ++f) {
        const auto change = changes.find(f);
        if (change != changes.end()) down = change->second;
        count += f >= from && down ? 1 : 0;
    }
    return count;
}

// Holds `press` for a while and reports how far across the hero went.
template <typename Press>
double Moved(Game& game, Press press, long frames = 12) {
    const double from = game.HeroX();
    press(true);
    EXPECT_TRUE(game.Wait(frames));
    const double to = game.HeroX();
    press(false);
    EXPECT_TRUE(game.Wait(4));
    return to - from;
}

TEST(PadPlay, APadStartsTheGameMovesTheHeroAndCanBePulledOutAndReplaced) {
    if (std::getenv("DISPLAY") == nullptr && std::getenv("SDL_VIDEODRIVER") == nullptr) {
        GTEST_SKIP() << "no display";
    }
    char dir[] = "/tmp/keldo-padplay-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    Game game(std::string(dir) + "/trace.txt");
    ASSERT_TRUE(game.WaitFrame(10)) << "the title screen";

    auto pad = std::make_unique<VirtualPad>();
    ASSERT_TRUE(game.Wait(5));
    pad->Button(SDL_CONTROLLER_BUTTON_A, true);
    ASSERT_TRUE(game.Wait(5));
    pad->Button(SDL_CONTROLLER_BUTTON_A, false);
    for (int i = 0; i < 300 && game.GameStart() < 0; ++i) ASSERT_TRUE(game.Wait(1));
    ASSERT_GE(game.GameStart(), 0) << "A on the title did not start the game";
    // The hero drops in and lands on its line in the game's 27th frame.
    ASSERT_TRUE(game.WaitFrame(game.GameStart() + 45));

    auto button = [&](SDL_GameControllerButton b) {
        return [&pad, b](bool down) { pad->Button(b, down); };
    };
    auto stick = [&](Sint16 value) {
        return [&pad, value](bool down) { pad->Axis(SDL_CONTROLLER_AXIS_LEFTX, down ? value : 0); };
    };
    EXPECT_GT(Moved(game, button(SDL_CONTROLLER_BUTTON_DPAD_RIGHT)), 50) << "d-pad right";
    EXPECT_LT(Moved(game, stick(-kStickFar)), -50) << "stick left";
    EXPECT_EQ(Moved(game, stick(kStickNear)), 0) << "stick inside the dead zone";
    const double still = game.HeroX();
    ASSERT_TRUE(game.Wait(8));
    EXPECT_EQ(game.HeroX(), still) << "let go, the hero stops";

    // Pulled out while held: the hero stops.
    pad->Button(SDL_CONTROLLER_BUTTON_DPAD_RIGHT, true);
    ASSERT_TRUE(game.Wait(6));
    EXPECT_GT(game.HeroX(), still) << "running before the pad goes";
    pad.reset();
    ASSERT_TRUE(game.Wait(3));
    const double stopped = game.HeroX();
    ASSERT_TRUE(game.Wait(12));
    EXPECT_EQ(game.HeroX(), stopped) << "still running after the pad was pulled out";

    // The keyboard goes on working: a tap of the right arrow is a step.
    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    key.key.keysym.scancode = SDL_SCANCODE_RIGHT;
    SDL_PushEvent(&key);
    ASSERT_TRUE(game.Wait(6));
    EXPECT_GT(game.HeroX(), stopped) << "the keyboard after the pad";

    // A pad plugged in later drives the hero as the first one did.
    pad = std::make_unique<VirtualPad>();
    ASSERT_TRUE(game.Wait(3));
    EXPECT_LT(Moved(game, button(SDL_CONTROLLER_BUTTON_DPAD_LEFT)), -50) << "the later pad";
    pad.reset();
    EXPECT_EQ(game.Quit(), 0);
}

// The pause menu worked with a controller alone: Start opens it, the d-pad and A choose, a
// button is bound to attack, B goes back and Start resumes; the new button attacks, the old one
// no longer does (the game's own recording of its buttons), and pad.conf keeps it. No frame
// passes in the menu, so it is paced by time.
TEST(PadPlay, TheControllerWorksThePauseMenuAndBindsAttack) {
    if (std::getenv("DISPLAY") == nullptr && std::getenv("SDL_VIDEODRIVER") == nullptr) {
        GTEST_SKIP() << "no display";
    }
    char dir[] = "/tmp/keldo-padmenu-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    setenv("XDG_CONFIG_HOME", dir, 1);
    const std::string recording = std::string(dir) + "/game.rec";
    setenv("TOLVEX_RECORD", recording.c_str(), 1);
    Game game(std::string(dir) + "/trace.txt");
    ASSERT_TRUE(game.WaitFrame(10)) << "the title screen";
    VirtualPad pad;
    ASSERT_TRUE(game.Wait(5));
    const auto tap = [&pad](SDL_GameControllerButton b) {
        pad.Button(b, true);
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        pad.Button(b, false);
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
    };
    tap(SDL_CONTROLLER_BUTTON_A);
    for (int i = 0; i < 300 && game.GameStart() < 0; ++i) ASSERT_TRUE(game.Wait(1));
    ASSERT_TRUE(game.WaitFrame(game.GameStart() + 45));

    tap(SDL_CONTROLLER_BUTTON_START);
    // Controls is the fifth row of the menu, attack the second of the controls.
    for (int i = 0; i < 4; ++i) tap(SDL_CONTROLLER_BUTTON_DPAD_DOWN);
    tap(SDL_CONTROLLER_BUTTON_A);
    tap(SDL_CONTROLLER_BUTTON_DPAD_DOWN);
    tap(SDL_CONTROLLER_BUTTON_A);
    tap(SDL_CONTROLLER_BUTTON_Y);
    tap(SDL_CONTROLLER_BUTTON_B);
    tap(SDL_CONTROLLER_BUTTON_START);
    ASSERT_TRUE(game.Wait(30)) << "the game did not go on after Start";

    const auto held = [&pad, &game](SDL_GameControllerButton b) {
        const long from = game.Now();
        pad.Button(b, true);
        EXPECT_TRUE(game.Wait(10));
        pad.Button(b, false);
        EXPECT_TRUE(game.Wait(10));
        return std::make_pair(from, game.Now());
    };
    const auto [xFrom, xTo] = held(SDL_CONTROLLER_BUTTON_X);
    const auto [yFrom, yTo] = held(SDL_CONTROLLER_BUTTON_Y);
    const int kAttack = 2;
    EXPECT_EQ(game.Quit(), 0);
    unsetenv("TOLVEX_RECORD");
    EXPECT_EQ(FramesWithButton(recording, xFrom, xTo, kAttack), 0) << "X still attacks";
    EXPECT_GE(FramesWithButton(recording, yFrom, yTo, kAttack), 5) << "Y does not attack";
    std::ifstream file(std::string(dir) + "/keldo/pad.conf");
    std::stringstream kept;
    kept << file.rdbuf();
    EXPECT_NE(kept.str().find("attack = y\n"), std::string::npos) << kept.str();
    unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
