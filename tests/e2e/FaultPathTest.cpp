// Hardware faults wherever they happen: the run ends with one line naming the fault and a
// non-zero exit code, promptly, never jumping across threads or looping.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "GameRun.h"

namespace keldo::e2e {
namespace {

namespace fs = std::filesystem;

int Lines(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

// A copy of the game in a folder of its own, with `library` as its library (the real one when
// empty, with all its data).
std::string Install(const std::string& library) {
    const std::string dir = MakeTempDir();
    fs::copy_file(BuiltProgram(), dir + "/keldo");
    if (library.empty()) {
        fs::copy(BuiltDataDir(), dir + "/Data", fs::copy_options::recursive);
    } else {
        fs::create_directory(dir + "/Data");
        fs::copy_file(library, dir + "/Data/Tolvex.vsd");
    }
    return dir;
}

// Only the lines of the game itself, without what the stand-in libraries say.
std::string GameLines(const std::string& stderrText) {
    std::string out;
    size_t at = 0;
    while (at < stderrText.size()) {
        const size_t end = stderrText.find('\n', at);
        const std::string line =
            stderrText.substr(at, end == std::string::npos ? end : end - at + 1);
        if (line.find(" runtime ") == std::string::npos) out += line;
        at = end == std::string::npos ? stderrText.size() : end + 1;
    }
    return out;
}

// A fault skips the destructors of everything it cuts short; a memory checker built into the
// game would count that as leaks.
std::string CheckerOptions(const char* more = "") {
    const char* asan = std::getenv("ASAN_OPTIONS");
    return std::string(asan != nullptr ? asan : "") + ":detect_leaks=0" + more;
}

struct FaultCase {
    const char* Name;
    const char* Library;
    const char* Line;  // the start of the game's one line
    bool Unloaded;     // the library's unloading ran (and said so)
};

void PrintTo(const FaultCase& c, std::ostream* out) { *out << c.Name; }

class FaultAt : public testing::TestWithParam<FaultCase> {};

TEST_P(FaultAt, EndsWithOneLineAndCodeOne) {
    const FaultCase& c = GetParam();
    const std::string dir = Install(c.Library);
    GameRun run;
    run.Program = dir + "/keldo";
    run.Env["ASAN_OPTIONS"] = CheckerOptions();
    run.TimeoutSeconds = 60;
    const GameResult r = run.Run();
    EXPECT_EQ(r.ExitCode, 1) << r.Stderr;
    const std::string game = GameLines(r.Stderr);
    EXPECT_EQ(Lines(game), 1) << r.Stderr;
    EXPECT_TRUE(game.starts_with(c.Line)) << r.Stderr;
    EXPECT_EQ(r.Stderr.find("runtime unloaded") != std::string::npos, c.Unloaded) << r.Stderr;
    fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(
    Stubs, FaultAt,
    testing::Values(
        // The first fault is reported; the one in Free skips Free's rest, not the unloading.
        FaultCase{"InInitAndAgainInFree", KELDO_STUB_faulting_twice,
                  "keldo: fault: invalid floating-point operation", true},
        // Another thread has no way back to the handler: the process ends from the trap.
        FaultCase{"OnAnotherThread", KELDO_STUB_faulting_on_thread,
                  "keldo: fault: invalid memory access at 0x0 on a worker thread (code 11)", false},
        // A clean ending whose unloading faults is not a success.
        FaultCase{"WhileUnloading", KELDO_STUB_faulting_on_unload,
                  "keldo: fault: invalid memory access at 0x0 during shutdown (code 11)", true}),
    [](const testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.Name); });

TEST(FaultPath, AFaultOnThePictureDecodingThreadEndsTheRun) {
    GameRun run;
    run.Env["LD_PRELOAD"] = KELDO_DECODER_FAULT_SHIM;
    // A memory checker in the game wants to come first; the shim is only a test's.
    run.Env["ASAN_OPTIONS"] = CheckerOptions(":verify_asan_link_order=0");
    run.Env["TOLVEX_FRAMES"] = "100000";
    run.TimeoutSeconds = 60;
    const GameResult r = run.Run();
    EXPECT_EQ(r.ExitCode, 1) << r.Stderr;
    EXPECT_EQ(r.Stderr,
              "keldo: fault: invalid memory access at 0x0 on a worker thread (code 11)\n");
}

TEST(FaultPath, TheLibraryCutShortWhileRunningEndsWithoutLooping) {
    // The trace is opened over the library itself, which is mapped and running.
    const std::string dir = Install("");
    GameRun run;
    run.Program = dir + "/keldo";
    run.WorkDir = dir;
    run.Trace = false;
    run.Env["TOLVEX_TRACE"] = "Data/Tolvex.vsd";
    run.Env["ASAN_OPTIONS"] = CheckerOptions();
    run.Env["TOLVEX_FRAMES"] = "100000";
    run.TimeoutSeconds = 60;
    const GameResult r = run.Run();
    EXPECT_EQ(r.ExitCode, 1) << r.Stderr;
    EXPECT_EQ(Lines(r.Stderr), 1) << r.Stderr;
    EXPECT_TRUE(r.Stderr.starts_with("keldo: fault: bus error")) << r.Stderr;
    fs::remove_all(dir);
}

}  // namespace
}  // namespace keldo::e2e
