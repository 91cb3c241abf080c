// The game started as a child in lock-step: its trace and its input script are two named
// pipes in a fresh folder. The driver reads the trace up to "frame F" and writes one line for
// frame F. Shared by keldo-bot and keldo-endurance.
#pragma once

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>

struct LockStep {
    pid_t Pid = -1;
    std::string Dir;
    std::ifstream Trace;
    FILE* Input = nullptr;

    // Starts `keldo` with TOLVEX_TRACE and TOLVEX_INPUT on the pipes, plus `env`. `who` names
    // the driver in messages. False (with a message) when the pipes cannot be made.
    bool Start(const std::string& keldo, const std::map<std::string, std::string>& env,
               const char* who) {
        char dir[] = "/tmp/keldo-lockstep-XXXXXX";
        if (mkdtemp(dir) == nullptr) {
            std::perror(who);
            return false;
        }
        Dir = dir;
        const std::string trace = Dir + "/trace";
        const std::string input = Dir + "/input";
        if (mkfifo(trace.c_str(), 0600) != 0 || mkfifo(input.c_str(), 0600) != 0) {
            std::perror(who);
            return false;
        }
        signal(SIGPIPE, SIG_IGN);
        Pid = fork();
        if (Pid == 0) {
            for (const auto& [name, value] : env) setenv(name.c_str(), value.c_str(), 1);
            setenv("TOLVEX_TRACE", trace.c_str(), 1);
            setenv("TOLVEX_INPUT", input.c_str(), 1);
            execl(keldo.c_str(), keldo.c_str(), static_cast<char*>(nullptr));
            std::fprintf(stderr, "%s: cannot start %s\n", who, keldo.c_str());
            _exit(127);
        }
        // The library opens the trace before the input script: open them in that order.
        Trace.open(trace);
        Input = std::fopen(input.c_str(), "w");
        return true;
    }

    // Writes the buttons held from `frame` on (an empty set lets go of everything).
    template <typename Buttons>
    void Write(long frame, const Buttons& down) {
        if (Input == nullptr) return;
        std::fprintf(Input, "%ld", frame);
        for (int b : down) std::fprintf(Input, " %d", b);
        std::fprintf(Input, "\n");
        std::fflush(Input);
    }

    // No more input: the last line's buttons hold to the end of the run.
    void CloseInput() {
        if (Input != nullptr) std::fclose(Input);
        Input = nullptr;
    }

    // Waits for the game and removes the pipes; the game's exit code (128 after a signal).
    int Finish() {
        CloseInput();
        int status = 0;
        if (Pid > 0) waitpid(Pid, &status, 0);
        unlink((Dir + "/trace").c_str());
        unlink((Dir + "/input").c_str());
        rmdir(Dir.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    }
};
