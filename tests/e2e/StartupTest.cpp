// Start-up and its failures: where the library comes from, what a missing library or
// entry says, and how the program ends.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

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

TEST(Startup, AMissingEntryIsNamedAndTheLibraryIsUnloaded) {
    GameRun run;
    run.Program = InstallGame(KELDO_STUB_incomplete);
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
    run.Program = InstallGame(KELDO_STUB_faulting);
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
    fs::copy_file(KELDO_STUB_foreign, run.WorkDir + "/Data/Tolvex.vsd");
    run.Env["TOLVEX_FRAMES"] = "3";
    const GameResult r = run.Run();
    EXPECT_EQ(r.ExitCode, 0) << r.Stderr;
    EXPECT_EQ(r.Stderr.find("foreign"), std::string::npos) << r.Stderr;
    EXPECT_GE(r.Frames.size(), 3u);
}

TEST(Startup, AProgramThatCannotFindItselfLoadsNothingFromTheCurrentFolder) {
    // The kernel cannot name a program whose path is longer than a page; the program lies in
    // such a folder, which is also the current folder and holds a planted library.
    const std::string top = MakeTempDir();
    const std::string step(200, 'd');
    const std::string err = top + "/stderr.txt";
    const pid_t pid = fork();
    if (pid == 0) {
        // One folder at a time: the whole path is too long for a single call.
        if (chdir(top.c_str()) != 0) _exit(126);
        for (size_t depth = top.size(); depth < 4200; depth += step.size() + 1) {
            if (mkdir(step.c_str(), 0700) != 0 || chdir(step.c_str()) != 0) _exit(126);
        }
        std::error_code failed[3];
        fs::copy_file(BuiltProgram(), "keldo", failed[0]);
        fs::create_directory("Data", failed[1]);
        fs::copy_file(KELDO_STUB_foreign, "Data/Tolvex.vsd", failed[2]);
        if (failed[0] || failed[1] || failed[2]) _exit(125);
        const int fd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fd, 2);
        setenv("TOLVEX_HEADLESS", "null", 1);
        execl("./keldo", "./keldo", static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    std::ifstream in(err);
    const std::string said(std::istreambuf_iterator<char>(in), {});
    ASSERT_TRUE(WIFEXITED(status)) << said;
    EXPECT_EQ(WEXITSTATUS(status), 1) << said;
    // (A memory checker, if built in, has its own word to say about the long path first.)
    EXPECT_NE(said.find("keldo: error 3001: cannot find the program's own folder"),
              std::string::npos)
        << said;
    EXPECT_EQ(said.find("foreign"), std::string::npos) << said;
    // Removing it takes the same small steps.
    EXPECT_EQ(std::system(("cd " + top + " && rm -rf " + step).c_str()), 0);
    fs::remove_all(top);
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
