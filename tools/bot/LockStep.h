// The game started as a child in lock-step: its trace and its input script are two named
// pipes in a fresh folder. The driver reads the trace up to "frame F" and writes one line for
// frame F. Shared by keldo-bot and keldo-endurance.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <string>

struct LockStep {
    pid_t Pid = -1;
    std::string Dir;
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
        // Opened without waiting for the game: a game that never opens its end (it could not
        // start, or failed first) must not leave the driver waiting for ever.
        TraceFd = open(trace.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (TraceFd < 0) {
            std::perror(who);
            return false;
        }
        Pid = fork();
        if (Pid == 0) {
            for (const auto& [name, value] : env) setenv(name.c_str(), value.c_str(), 1);
            setenv("TOLVEX_TRACE", trace.c_str(), 1);
            setenv("TOLVEX_INPUT", input.c_str(), 1);
            execl(keldo.c_str(), keldo.c_str(), static_cast<char*>(nullptr));
            std::fprintf(stderr, "%s: cannot start %s\n", who, keldo.c_str());
            _exit(127);
        }
        InputPath = input;
        return true;
    }

    // The next line of the trace; false once the game has closed it or ended.
    bool ReadLine(std::string& line) {
        for (;;) {
            const size_t end = Pending.find('\n');
            if (end != std::string::npos) {
                line.assign(Pending, 0, end);
                Pending.erase(0, end + 1);
                return true;
            }
            if (TraceFd < 0) return false;
            pollfd wait{TraceFd, POLLIN, 0};
            poll(&wait, 1, kPollMs);
            char chunk[1 << 16];
            const ssize_t n = read(TraceFd, chunk, sizeof chunk);
            if (n > 0) {
                Pending.append(chunk, static_cast<size_t>(n));
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
            // No writer: the game is gone, or has not opened the pipe yet, or is closing it
            // on its way out.
            if (GameEnded()) {
                close(TraceFd);
                TraceFd = -1;
            } else {
                Nap();
            }
        }
    }

    // Writes the buttons held from `frame` on (an empty set lets go of everything).
    template <typename Buttons>
    void Write(long frame, const Buttons& down) {
        // The game opens the script just after the trace; a line must wait for that, not be
        // lost.
        while (Input == nullptr && !InputPath.empty() && !GameEnded()) {
            OpenInput();
            if (Input == nullptr) Nap();
        }
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
        InputPath.clear();
    }

    // Waits for the game and removes the pipes; the game's exit code (128 after a signal).
    int Finish() {
        CloseInput();
        if (TraceFd >= 0) close(TraceFd);
        TraceFd = -1;
        if (Pid > 0 && !Reaped) waitpid(Pid, &Status, 0);
        unlink((Dir + "/trace").c_str());
        unlink((Dir + "/input").c_str());
        rmdir(Dir.c_str());
        return WIFEXITED(Status) ? WEXITSTATUS(Status) : 128;
    }

private:
    static constexpr int kPollMs = 100;
    static constexpr long kNapNs = 1'000'000;

    int TraceFd = -1;
    std::string Pending;
    std::string InputPath;
    int Status = 0;
    bool Reaped = false;

    static void Nap() {
        const timespec pause{0, kNapNs};
        nanosleep(&pause, nullptr);
    }

    bool GameEnded() {
        if (!Reaped && Pid > 0 && waitpid(Pid, &Status, WNOHANG) == Pid) Reaped = true;
        return Reaped || Pid <= 0;
    }

    // Until the game has opened the script for reading there is nobody to write to.
    void OpenInput() {
        if (Input != nullptr || InputPath.empty()) return;
        const int fd = open(InputPath.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) return;
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        Input = fdopen(fd, "w");
    }
};
