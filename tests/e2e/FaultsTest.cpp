// The game under faults: every picture and sound file damaged in turn, the run ended at
// random frames, and signals while it starts, plays, waits for input or writes a picture. A damaged
// file must end the run with one line naming it; an ending asked from outside must run the shutdown
// and exit with code 0. Never a crash, never a hang.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "GameRun.h"

namespace keldo::e2e {
namespace {

namespace fs = std::filesystem;

// Space down at frame 2 and up at 4: the title gives way to a game, which loads the rest.
constexpr const char* kStartAGame = "2 0\n4\n";

// --- Damaged files -------------------------------------------------------------------

// Scrambled keeps a picture's chunk structure and spoils the compressed pixels inside it,
// which only the decoder itself can notice.
enum class Damage { Missing, Empty, Truncated, Garbage, WrongFormat, Scrambled };

const char* DamageName(Damage d) {
    switch (d) {
        case Damage::Missing:
            return "Missing";
        case Damage::Empty:
            return "Empty";
        case Damage::Truncated:
            return "Truncated";
        case Damage::Garbage:
            return "Garbage";
        case Damage::WrongFormat:
            return "WrongFormat";
        case Damage::Scrambled:
            return "Scrambled";
    }
    return "?";
}

// Every picture and sound the game loads: the .vstex pictures, the icon and the sounds.
std::vector<std::string> LoadedFiles() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(BuiltDataDir())) {
        const std::string name = entry.path().filename().string();
        const std::string ext = entry.path().extension().string();
        if (ext == ".vstex" || ext == ".ogg" || name == "icon.png") {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Some file of the other kind: a sound for a picture, a picture for a sound.
std::string OtherKind(const std::vector<std::string>& files, const std::string& name) {
    const bool sound = name.ends_with(".ogg");
    for (const auto& other : files) {
        if (other.ends_with(".ogg") != sound) {
            return other;
        }
    }
    return {};
}

void DamageFile(const std::string& path, Damage damage, const std::string& otherKindPath) {
    const std::string bytes = ReadFile(path);
    switch (damage) {
        case Damage::Missing:
            fs::remove(path);
            return;
        case Damage::Empty:
            std::ofstream(path, std::ios::binary | std::ios::trunc);
            return;
        case Damage::Truncated:
            std::ofstream(path, std::ios::binary | std::ios::trunc)
                << bytes.substr(0, bytes.size() / 2);
            return;
        case Damage::Garbage: {
            std::mt19937 rng(static_cast<unsigned>(bytes.size()));
            std::string noise(bytes.size(), '\0');
            for (char& c : noise) c = static_cast<char>(rng() & 0xFF);
            std::ofstream(path, std::ios::binary | std::ios::trunc) << noise;
            return;
        }
        case Damage::WrongFormat:
            std::ofstream(path, std::ios::binary | std::ios::trunc) << ReadFile(otherKindPath);
            return;
        case Damage::Scrambled: {
            std::string spoiled = bytes;
            const size_t data = spoiled.find("IDAT");
            for (size_t i = data + 40; i < data + 80 && i < spoiled.size(); ++i) {
                spoiled[i] = static_cast<char>(spoiled[i] ^ 0x5A);
            }
            std::ofstream(path, std::ios::binary | std::ios::trunc) << spoiled;
            return;
        }
    }
}

using FileCase = std::tuple<std::string, Damage>;

class DamagedFile : public testing::TestWithParam<FileCase> {};

TEST_P(DamagedFile, EndsTheRunWithOneLineNamingIt) {
    const auto& [name, damage] = GetParam();
    const std::string dir = MakeTempDir();
    fs::copy_file(BuiltProgram(), dir + "/keldo");
    fs::copy(BuiltDataDir(), dir + "/Data", fs::copy_options::recursive);
    DamageFile(dir + "/Data/" + name, damage,
               BuiltDataDir() + "/" + OtherKind(LoadedFiles(), name));

    GameRun run;
    run.Program = dir + "/keldo";
    run.Script = kStartAGame;
    run.Env["TOLVEX_FRAMES"] = "30";
    run.TimeoutSeconds = 60;
    const GameResult r = run.Run();

    EXPECT_GT(r.ExitCode, 0) << r.Stderr;
    EXPECT_LT(r.ExitCode, 128) << "ended by a signal or timed out: " << r.Stderr;
    EXPECT_NE(r.Stderr.find(name), std::string::npos) << r.Stderr;
    EXPECT_EQ(std::count(r.Stderr.begin(), r.Stderr.end(), '\n'), 1) << r.Stderr;
    EXPECT_TRUE(r.Stderr.ends_with("\n")) << r.Stderr;
    EXPECT_TRUE(r.Stderr.starts_with("keldo: ")) << "a decoder spoke too: " << r.Stderr;
    fs::remove_all(dir);
}

std::string CaseName(const testing::TestParamInfo<FileCase>& info) {
    std::string name = std::get<0>(info.param);
    std::replace_if(
        name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
    return name + "_" + DamageName(std::get<1>(info.param));
}

INSTANTIATE_TEST_SUITE_P(EveryFile, DamagedFile,
                         testing::Combine(testing::ValuesIn(LoadedFiles()),
                                          testing::Values(Damage::Missing, Damage::Empty,
                                                          Damage::Truncated, Damage::Garbage,
                                                          Damage::WrongFormat)),
                         CaseName);

// A sound whose inner pages are spoiled may still play in part, so only pictures are
// scrambled: their data is checked.
std::vector<std::string> Pictures() {
    std::vector<std::string> pictures;
    for (const auto& name : LoadedFiles()) {
        if (!name.ends_with(".ogg")) pictures.push_back(name);
    }
    return pictures;
}

INSTANTIATE_TEST_SUITE_P(EveryPicture, DamagedFile,
                         testing::Combine(testing::ValuesIn(Pictures()),
                                          testing::Values(Damage::Scrambled)),
                         CaseName);

TEST(DamagedFiles, TheDataFolderHoldsEveryFileTheGameLoads) {
    // Guards the table above against an empty or half-built Data folder.
    const auto files = LoadedFiles();
    EXPECT_EQ(std::count_if(files.begin(), files.end(),
                            [](const std::string& f) { return f.ends_with(".vstex"); }),
              16);
    EXPECT_EQ(std::count_if(files.begin(), files.end(),
                            [](const std::string& f) { return f.ends_with(".ogg"); }),
              4);
    EXPECT_NE(std::find(files.begin(), files.end(), "icon.png"), files.end());
}

TEST(DamagedFiles, TheUndamagedCopyRunsCleanly) {
    // So that the failures above come from the damage, not from the copy.
    const std::string dir = MakeTempDir();
    fs::copy_file(BuiltProgram(), dir + "/keldo");
    fs::copy(BuiltDataDir(), dir + "/Data", fs::copy_options::recursive);
    GameRun run;
    run.Program = dir + "/keldo";
    run.Script = kStartAGame;
    run.Env["TOLVEX_FRAMES"] = "30";
    const GameResult r = run.Run();
    EXPECT_EQ(r.ExitCode, 0) << r.Stderr;
    EXPECT_TRUE(r.Stderr.empty()) << r.Stderr;
    fs::remove_all(dir);
}

// --- Endings from outside ------------------------------------------------------------

TEST(Ending, TheFrameLimitAtRandomFramesEndsWithCodeZero) {
    struct Limit {
        int Frames;
        bool Scripted;
    };
    // On the title with no script at all; then, scripted, on the title, while Space is down and
    // on the first game frame.
    std::vector<Limit> limits = {{5, false}, {1, true}, {3, true}, {5, true}};
    std::mt19937 rng(20261210);
    std::uniform_int_distribution<int> inGame(6, 900);
    for (int i = 0; i < 4; ++i) limits.push_back({inGame(rng), true});
    for (const Limit& limit : limits) {
        const std::string name =
            "limit " + std::to_string(limit.Frames) + (limit.Scripted ? "" : ", no script");
        GameRun run;
        if (limit.Scripted) {
            // Start a game, then run right and swing now and then, so the game has things going.
            run.Script = std::string(kStartAGame) + "20 13\n40 13 2\n44 13\n200 12\n260 2\n270\n";
            run.Env["TOLVEX_SEED"] = std::to_string(limit.Frames);
        }
        run.Env["TOLVEX_FRAMES"] = std::to_string(limit.Frames);
        const GameResult r = run.Run();
        EXPECT_EQ(r.ExitCode, 0) << name << ": " << r.Stderr;
        EXPECT_TRUE(r.Stderr.empty()) << name << ": " << r.Stderr;
        // Frame 0 to the limit.
        EXPECT_EQ(r.Frames.size(), static_cast<size_t>(limit.Frames) + 1) << name;
    }
}

// A game started in the background, to be signalled while it runs.
class Background {
public:
    Background(std::map<std::string, std::string> env) : Dir(MakeTempDir()) {
        GameRun run;
        run.Env = std::move(env);
        Pid = run.Start(Dir);
    }
    ~Background() {
        if (Pid > 0 && !Reaped) {
            kill(Pid, SIGKILL);
            waitpid(Pid, nullptr, 0);
        }
        fs::remove_all(Dir);
    }

    // Waits until the trace shows that `frame` has begun; false if the game ended first.
    bool WaitForFrame(int frame) {
        const std::string wanted = "frame " + std::to_string(frame) + "\n";
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (std::chrono::steady_clock::now() < deadline) {
            if (ReadFile(Dir + "/trace.txt").find(wanted) != std::string::npos) return true;
            if (waitpid(Pid, &Status, WNOHANG) == Pid) {
                Reaped = true;
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    // Waits until the game has a handler for `sig` (the library's, from the start of Init).
    bool WaitForHandler(int sig) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (std::chrono::steady_clock::now() < deadline) {
            std::ifstream status("/proc/" + std::to_string(Pid) + "/status");
            std::string line;
            while (std::getline(status, line)) {
                if (line.starts_with("SigCgt:") &&
                    (std::stoull(line.substr(7), nullptr, 16) >> (sig - 1) & 1) != 0) {
                    return true;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    void Send(int sig) {
        SentAt = std::chrono::steady_clock::now();
        kill(Pid, sig);
    }

    // The exit code (128 + n for a signal n), after at most a minute.
    int Finish() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!Reaped) {
            if (waitpid(Pid, &Status, WNOHANG) == Pid) {
                Reaped = true;
                EndedAt = std::chrono::steady_clock::now();
            } else if (std::chrono::steady_clock::now() > deadline) {
                kill(Pid, SIGKILL);
                waitpid(Pid, &Status, 0);
                Reaped = true;
                TimedOut = true;
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        }
        return WIFEXITED(Status) ? WEXITSTATUS(Status) : 128 + WTERMSIG(Status);
    }

    std::string Stderr() const {
        return (TimedOut ? "timed out\n" : "") + ReadFile(Dir + "/stderr.txt");
    }
    std::string Trace() const { return ReadFile(Dir + "/trace.txt"); }
    // From Send to the end of the process, as Finish saw it.
    std::chrono::duration<double> Ending() const { return EndedAt - SentAt; }

    const std::string Dir;
    pid_t Pid = -1;

private:
    int Status = 0;
    bool Reaped = false;
    bool TimedOut = false;
    std::chrono::steady_clock::time_point SentAt{};
    std::chrono::steady_clock::time_point EndedAt{};
};

// Requests to stop end the run cleanly and silently; a signal nobody should send ends it the
// same clean way, but as a failure that names it; one the game cannot survive ends it as a
// fault. Whatever the game waits for, it ends within a second (the bound here leaves room for
// a busy machine).
struct SignalCase {
    int Signal;
    const char* Name;
    // What the one line says; empty for a request to stop.
    std::string Says;
};

void PrintTo(const SignalCase& c, std::ostream* out) { *out << c.Name; }

SignalCase Stop(int signal, const char* name) { return {signal, name, ""}; }
SignalCase Stray(int signal, const char* name) {
    return {signal, name, std::string("unexpected signal, ") + name + " ("};
}

class Signalled : public testing::TestWithParam<SignalCase> {
protected:
    // A fault skips the destructors of everything it cuts short; a memory checker built into
    // the game would count that as leaks.
    std::map<std::string, std::string> Env(std::map<std::string, std::string> env) const {
        if (GetParam().Says.starts_with("fault:")) {
            const char* asan = std::getenv("ASAN_OPTIONS");
            env["ASAN_OPTIONS"] = std::string(asan != nullptr ? asan : "") + ":detect_leaks=0";
        }
        return env;
    }
    void ExpectEnding(Background& game) {
        const SignalCase& c = GetParam();
        const int code = game.Finish();
        const std::string said = game.Stderr();
        if (c.Says.empty()) {
            EXPECT_EQ(code, 0) << said;
            EXPECT_TRUE(said.empty()) << said;
        } else {
            EXPECT_EQ(code, 1) << said;
            EXPECT_TRUE(said.starts_with("keldo: ") && said.ends_with(")\n")) << said;
            EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
            EXPECT_NE(said.find(c.Says), std::string::npos) << said;
        }
        EXPECT_LT(game.Ending().count(), 5.0);
    }
};

TEST_P(Signalled, WhilePlaying) {
    const int sig = GetParam().Signal;
    const std::string dir = MakeTempDir();
    std::ofstream(dir + "/input.txt") << kStartAGame << "20 13\n60 2\n64\n";
    // Paced and with a generous limit: it must still be running when the signal comes.
    Background game(Env(
        {{"TOLVEX_PACE", "1"}, {"TOLVEX_FRAMES", "100000"}, {"TOLVEX_INPUT", dir + "/input.txt"}}));
    ASSERT_TRUE(game.WaitForFrame(30)) << game.Stderr();
    game.Send(sig);
    ExpectEnding(game);
    // The last Act wrote and flushed its frame line before the run ended; a fault cuts a frame
    // short, but no line.
    const std::string trace = game.Trace();
    const size_t last = trace.rfind('\n', trace.size() - 2);
    const bool fault = GetParam().Says.starts_with("fault:");
    EXPECT_TRUE(trace.ends_with("\n") && last != std::string::npos &&
                (fault || trace.compare(last + 1, 6, "frame ") == 0))
        << trace.substr(last == std::string::npos ? 0 : last);
    fs::remove_all(dir);
}

TEST_P(Signalled, WhileWaitingForAScriptLine) {
    const int sig = GetParam().Signal;
    const std::string fifo = MakeTempDir() + "/input";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    Background game(Env({{"TOLVEX_INPUT", fifo}}));
    // Opening blocks until the game opens its end; then lines up to frame 5 and no more.
    const int fd = open(fifo.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    const std::string lines = "1\n2 0\n4\n5\n";
    ASSERT_EQ(write(fd, lines.data(), lines.size()), static_cast<ssize_t>(lines.size()));
    ASSERT_TRUE(game.WaitForFrame(6)) << game.Stderr();
    // Frame 6 has begun and asks for its line, which never comes.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    game.Send(sig);
    ExpectEnding(game);
    close(fd);
    fs::remove_all(fs::path(fifo).parent_path());
}

TEST_P(Signalled, DuringStartUp) {
    const int sig = GetParam().Signal;
    // In the middle of Init: the library waits to open a trace pipe that no reader has
    // opened yet.
    const std::string fifo = MakeTempDir() + "/trace";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    Background blocked(Env({{"TOLVEX_TRACE", fifo}}));
    ASSERT_TRUE(blocked.WaitForHandler(sig));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    blocked.Send(sig);
    ExpectEnding(blocked);
    fs::remove_all(fs::path(fifo).parent_path());
}

TEST_P(Signalled, WhileWritingAScreenshotToAPipe) {
    const int sig = GetParam().Signal;
    // The screenshot of frame 2 waits for a reader of its pipe that never comes.
    const std::string fifo = MakeTempDir() + "/shot.png";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    Background game(Env({{"TOLVEX_HEADLESS", "1"}, {"TOLVEX_SHOT", "2:" + fifo}}));
    ASSERT_TRUE(game.WaitForFrame(2)) << game.Stderr();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    game.Send(sig);
    ExpectEnding(game);
    fs::remove_all(fs::path(fifo).parent_path());
}

TEST_P(Signalled, WhileOpeningASoundCapturePipe) {
    const int sig = GetParam().Signal;
    // In the middle of Init, after the display and before the sound starts: the captured
    // sound's pipe has no reader.
    const std::string fifo = MakeTempDir() + "/sound.wav";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    Background blocked(Env({{"TOLVEX_AUDIO_OUT", fifo}}));
    ASSERT_TRUE(blocked.WaitForHandler(sig));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    blocked.Send(sig);
    ExpectEnding(blocked);
    fs::remove_all(fs::path(fifo).parent_path());
}

INSTANTIATE_TEST_SUITE_P(
    EachKind, Signalled,
    testing::Values(Stop(SIGINT, "SIGINT"), Stop(SIGTERM, "SIGTERM"), Stop(SIGHUP, "SIGHUP"),
                    Stop(SIGQUIT, "SIGQUIT"), Stray(SIGUSR1, "SIGUSR1"), Stray(SIGALRM, "SIGALRM"),
                    Stray(SIGIO, "SIGIO"), Stray(SIGPWR, "SIGPWR"), Stray(SIGSTKFLT, "SIGSTKFLT"),
                    Stray(SIGXCPU, "SIGXCPU"), Stray(SIGRTMIN, "SIGRTMIN+0"),
                    Stray(SIGRTMAX, "SIGRTMIN+30"),
                    SignalCase{SIGSYS, "SIGSYS", "fault: bad system call (code 31)"},
                    SignalCase{SIGTRAP, "SIGTRAP", "fault: trace or breakpoint trap (code 5)"},
                    SignalCase{SIGABRT, "SIGABRT", "fault: aborted (code 6)"}),
    [](const testing::TestParamInfo<SignalCase>& info) {
        std::string name = info.param.Name;
        std::replace(name.begin(), name.end(), '+', '_');
        return name;
    });

}  // namespace
}  // namespace keldo::e2e
