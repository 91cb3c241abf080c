// Runs the real game as a child process through the library's automation interface and
// reads back what it did: the exit code, standard error and the trace, frame by frame.
#pragma once

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

namespace keldo::e2e {

struct GameResult {
    int ExitCode = -1;
    std::string Stderr;
    // Trace lines grouped by frame: Frames[F] holds the lines written during frame F.
    std::vector<std::vector<std::string>> Frames;
    // Rnd-free summary helpers.
    int CountInFrame(size_t frame, const std::string& prefix) const;
    bool FrameHas(size_t frame, const std::string& line) const;
    std::string TraceText() const;
};

struct GameRun {
    std::string Program;                     // defaults to the built keldo
    std::string WorkDir;                     // defaults to a fresh temporary folder
    std::map<std::string, std::string> Env;  // TOLVEX_* and others
    std::string Script;                      // written to a file and passed as TOLVEX_INPUT
    bool Trace = true;
    int TimeoutSeconds = 120;
    // Resource limits for the game, as setrlimit takes them (RLIMIT_AS, RLIMIT_FSIZE, ...).
    std::map<int, unsigned long> Limits;
    // Sent to the game once its trace shows this frame (-1: never).
    int SignalAtFrame = -1;
    int Signal = 0;

    GameResult Run() const;
    // Starts the game in dir (standard error to dir/stderr.txt, the trace to
    // dir/trace.txt) and returns at once with its process id.
    pid_t Start(const std::string& dir) const;
};

// A fresh empty temporary folder.
std::string MakeTempDir();
std::string BuiltProgram();  // build/bin/keldo
std::string BuiltDataDir();  // build/bin/Data

// Splits a line into its space-separated fields.
std::vector<std::string> Fields(const std::string& line);

}  // namespace keldo::e2e
