// Helpers for the benchmarks that run the game as a child process: start it with a chosen
// set of automation variables, wait for it with wait4 and report wall time, CPU time and
// peak memory; plus the few statistics the benchmarks print.
#pragma once

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

extern char** environ;

namespace bench {

inline double Now() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// CPU seconds used so far by this process, all threads.
inline double CpuNow() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// The machine's load around a benchmark: wall times on a busy shared machine include
// time spent waiting for a core, so every benchmark prints it with its figures.
inline void PrintLoad() {
    double one = 0;
    if (FILE* f = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(f, "%lf", &one) != 1) one = 0;
        std::fclose(f);
    }
    std::printf("  (load average %.2f on %ld cores)\n", one, sysconf(_SC_NPROCESSORS_ONLN));
}

using Env = std::vector<std::pair<std::string, std::string>>;

// The parent's environment without any automation variable, plus the given ones.
inline std::vector<std::string> ChildEnvironment(const Env& extra) {
    std::vector<std::string> out;
    for (char** e = environ; *e != nullptr; ++e) {
        if (std::strncmp(*e, "TOLVEX_", 7) != 0) {
            out.emplace_back(*e);
        }
    }
    for (const auto& [name, value] : extra) {
        std::erase_if(out, [&](const std::string& s) { return s.starts_with(name + "="); });
        out.push_back(name + "=" + value);
    }
    return out;
}

// Starts PROGRAM with the given variables, its standard output silenced.
inline pid_t Start(const std::string& program, const Env& extra) {
    std::vector<std::string> env = ChildEnvironment(extra);
    std::vector<char*> envp;
    for (std::string& s : env) envp.push_back(s.data());
    envp.push_back(nullptr);
    std::string arg0 = program;
    char* argv[] = {arg0.data(), nullptr};
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) dup2(null, STDOUT_FILENO);
        execve(program.c_str(), argv, envp.data());
        std::fprintf(stderr, "cannot start %s: %s\n", program.c_str(), std::strerror(errno));
        _exit(127);
    }
    if (pid < 0) {
        std::perror("fork");
        std::exit(1);
    }
    return pid;
}

struct Outcome {
    int ExitCode = -1;     // -1 when killed by a signal
    double Wall = 0;       // seconds from just before fork to reaping
    double Cpu = 0;        // user + system seconds of the child
    double PeakRssMb = 0;  // ru_maxrss
};

inline Outcome Finish(pid_t pid, double started) {
    int status = 0;
    rusage ru{};
    while (wait4(pid, &status, 0, &ru) < 0 && errno == EINTR) {
    }
    Outcome o;
    o.Wall = Now() - started;
    o.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    o.Cpu = static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
            static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) * 1e-6;
    o.PeakRssMb = static_cast<double>(ru.ru_maxrss) / 1024.0;
    return o;
}

// Runs PROGRAM to its end; a non-zero exit is fatal to the benchmark.
inline Outcome Run(const std::string& program, const Env& extra) {
    const double started = Now();
    const Outcome o = Finish(Start(program, extra), started);
    if (o.ExitCode != 0) {
        std::fprintf(stderr, "%s ended with code %d\n", program.c_str(), o.ExitCode);
        std::exit(1);
    }
    return o;
}

// Value at fraction q (0 ... 1) of the sorted values, nearest rank.
inline double Quantile(std::vector<double> v, double q) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const auto i = static_cast<size_t>(q * static_cast<double>(v.size() - 1) + 0.5);
    return v[std::min(i, v.size() - 1)];
}

inline double Max(const std::vector<double>& v) {
    return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}

inline const char* Verdict(bool met) { return met ? "met" : "MISSED"; }

// A scratch folder removed when the benchmark ends.
struct TempDir {
    std::filesystem::path Path;
    explicit TempDir(const std::string& tag) {
        Path = std::filesystem::temp_directory_path() /
               (tag + "-" + std::to_string(static_cast<long>(getpid())));
        std::filesystem::create_directories(Path);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(Path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
};

}  // namespace bench
