// Start-up and its failures: where the library comes from, what a missing library or
// entry says, and how the program ends.
#include <gtest/gtest.h>

#include <filesystem>

#include "GameRun.h"

namespace keldo::e2e {
namespace {

namespace fs = std::filesystem;

// A copy of the game in a folder of its own, with the given file as its library.
std::string InstallGame(const std::string& library) {
    const std::string dir = MakeTempDir();
    fs::copy_file(BuiltProgram(), dir + "/keldo");
    if (!library.empty()) {
        fs::create_directory(dir + "/Data");
        fs::copy_file(library, dir + "/Data/Tolvex.vsd");
    }
    return dir + "/keldo";
}

TEST(Startup, WithoutTheLibraryNamesItAndFails) {
    GameRun run;
    run.Program = InstallGame("");
    const GameResult r = run.Run();
    EXPECT_NE(r.ExitCode, 0);
    EXPECT_NE(r.Stderr.find("Data/Tolvex.vsd"), std::string::npos) << r.Stderr;
    EXPECT_NE(r.Stderr.find("3001"), std::string::npos) << r.Stderr;
}

TEST(Startup, AMissingEntryIsNamedAndTheLibraryIsUnloaded) {
    GameRun run;
    run.Program = InstallGame(KELDO_STUB_INCOMPLETE);
    const GameResult r = run.Run();
    EXPECT_NE(r.ExitCode, 0);
    EXPECT_NE(r.Stderr.find("no entry StopBGMFade"), std::string::npos) << r.Stderr;
    EXPECT_NE(r.Stderr.find("3001"), std::string::npos) << r.Stderr;
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_NE(r.Stderr.find("incomplete runtime freed\nincomplete runtime unloaded"),
              std::string::npos)
        << r.Stderr;
}

TEST(Startup, AHardwareFaultReachesTheHandlerWhichStillShutsDown) {
    GameRun run;
    run.Program = InstallGame(KELDO_STUB_FAULTING);
    const GameResult r = run.Run();
    EXPECT_EQ(r.ExitCode, 1) << r.Stderr;
    EXPECT_NE(r.Stderr.find("keldo: fault: invalid floating-point operation"), std::string::npos)
        << r.Stderr;
    EXPECT_NE(r.Stderr.find("faulting runtime freed\nfaulting runtime unloaded"), std::string::npos)
        << r.Stderr;
}

TEST(Startup, ALibraryInTheCurrentFolderIsNeverLoaded) {
    GameRun run;
    run.WorkDir = MakeTempDir();
    fs::create_directory(run.WorkDir + "/Data");
    fs::copy_file(KELDO_STUB_FOREIGN, run.WorkDir + "/Data/Tolvex.vsd");
    run.Env["TOLVEX_FRAMES"] = "3";
    const GameResult r = run.Run();
    EXPECT_EQ(r.ExitCode, 0) << r.Stderr;
    EXPECT_EQ(r.Stderr.find("foreign"), std::string::npos) << r.Stderr;
    EXPECT_GE(r.Frames.size(), 3u);
}

TEST(Startup, TheFrameLimitEndsWithCodeZero) {
    GameRun run;
    run.Env["TOLVEX_FRAMES"] = "5";
    const GameResult r = run.Run();
    EXPECT_EQ(r.ExitCode, 0) << r.Stderr;
    EXPECT_EQ(r.Frames.size(), 6u);  // frame 0 to frame 5
    EXPECT_TRUE(r.Stderr.empty()) << r.Stderr;
}

TEST(Startup, AMissingPictureIsNamedAndFails) {
    // A copy of the game whose data lacks the font.
    const std::string dir = MakeTempDir();
    fs::copy_file(BuiltProgram(), dir + "/keldo");
    fs::copy(BuiltDataDir(), dir + "/Data", fs::copy_options::recursive);
    fs::remove(dir + "/Data/font_128_64.vstex");
    GameRun run;
    run.Program = dir + "/keldo";
    run.Env["TOLVEX_FRAMES"] = "3";
    const GameResult r = run.Run();
    EXPECT_NE(r.ExitCode, 0);
    EXPECT_NE(r.Stderr.find("font_128_64.vstex"), std::string::npos) << r.Stderr;
}

}  // namespace
}  // namespace keldo::e2e
