#include "GameRun.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace keldo::e2e {

std::string BuiltProgram() { return KELDO_PROGRAM; }
std::string BuiltDataDir() { return KELDO_DATA_DIR; }

std::string MakeTempDir() {
    std::string pattern = "/tmp/keldo-e2e-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    return pattern;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> out;
    std::istringstream in(line);
    std::string f;
    while (in >> f) {
        out.push_back(f);
    }
    return out;
}

int GameResult::CountInFrame(size_t frame, const std::string& prefix) const {
    if (frame >= Frames.size()) {
        return 0;
    }
    int n = 0;
    for (const auto& line : Frames[frame]) {
        if (line.rfind(prefix, 0) == 0) {
            ++n;
        }
    }
    return n;
}

bool GameResult::FrameHas(size_t frame, const std::string& line) const {
    if (frame >= Frames.size()) {
        return false;
    }
    for (const auto& l : Frames[frame]) {
        if (l == line) {
            return true;
        }
    }
    return false;
}

std::string GameResult::TraceText() const {
    std::string out;
    for (size_t f = 0; f < Frames.size(); ++f) {
        out += "frame " + std::to_string(f) + "\n";
        for (const auto& l : Frames[f]) {
            out += l + "\n";
        }
    }
    return out;
}

pid_t GameRun::Start(const std::string& dir) const {
    const std::string tracePath = dir + "/trace.txt";
    const std::string scriptPath = dir + "/input.txt";
    const std::string errPath = dir + "/stderr.txt";
    if (!Script.empty()) {
        std::ofstream(scriptPath) << Script;
    }
    const std::string program = Program.empty() ? BuiltProgram() : Program;

    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0) {
            _exit(126);
        }
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        dup2(err, 2);
        setenv("TOLVEX_HEADLESS", "null", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        if (Trace) {
            setenv("TOLVEX_TRACE", tracePath.c_str(), 1);
        }
        if (!Script.empty()) {
            setenv("TOLVEX_INPUT", scriptPath.c_str(), 1);
        }
        for (const auto& [k, v] : Env) {
            if (v.empty()) {
                unsetenv(k.c_str());
            } else {
                setenv(k.c_str(), v.c_str(), 1);
            }
        }
        for (const auto& [resource, value] : Limits) {
            const rlimit limit{value, value};
            if (setrlimit(resource, &limit) != 0) _exit(126);
        }
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

GameResult GameRun::Run() const {
    const std::string dir = WorkDir.empty() ? MakeTempDir() : WorkDir;
    const std::string tracePath = dir + "/trace.txt";
    const std::string errPath = dir + "/stderr.txt";
    const pid_t pid = Start(dir);

    GameResult result;
    const std::string signalAt = "frame " + std::to_string(SignalAtFrame) + "\n";
    bool signalled = SignalAtFrame < 0;
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(TimeoutSeconds);
    for (;;) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            break;
        }
        if (!signalled) {
            std::ifstream trace(tracePath);
            const std::string text(std::istreambuf_iterator<char>(trace), {});
            if (text.find(signalAt) != std::string::npos) {
                kill(pid, Signal);
                signalled = true;
            }
        }
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            result.Stderr = "timed out\n";
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::ifstream errIn(errPath);
    result.Stderr += std::string(std::istreambuf_iterator<char>(errIn), {});

    std::ifstream traceIn(tracePath);
    std::string line;
    while (std::getline(traceIn, line)) {
        if (line.rfind("frame ", 0) == 0) {
            const size_t f = std::stoul(line.substr(6));
            if (result.Frames.size() < f + 1) {
                result.Frames.resize(f + 1);
            }
            continue;
        }
        if (result.Frames.empty()) {
            result.Frames.resize(1);
        }
        result.Frames.back().push_back(line);
    }
    return result;
}

}  // namespace keldo::e2e
