// The best score across runs: a cleared game keeps it, the next run shows it from its first
// game frame, a damaged file costs one warning and a start from 0, and runs without
// TOLVEX_SAVE_DIR never see the player's own file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "GameRun.h"

namespace keldo::e2e {
namespace {

namespace fs = std::filesystem;

// The text of the line of 30 x 60 glyphs with its top at `y` (90: score, 30: high score).
std::string SmallLine(const GameResult& r, size_t frame, int y) {
    std::map<double, char> glyphs;
    for (const auto& line : r.Frames[frame]) {
        const auto f = Fields(line);
        if (f.size() >= 10 && f[0] == "draw" && f[1] == "font_128_64.vstex" && f[8] == "30" &&
            f[7] == std::to_string(y)) {
            glyphs[std::stod(f[6])] =
                static_cast<char>(32 + std::stoi(f[3]) / 128 * 16 + std::stoi(f[2]) / 64);
        }
    }
    std::string text;
    for (const auto& [x, c] : glyphs) text.push_back(c);
    return text;
}

size_t FirstGameFrame(const GameResult& r) {
    for (size_t f = 0; f < r.Frames.size(); ++f) {
        if (r.CountInFrame(f, "load_tex ground.vstex") > 0) return f;
    }
    return SIZE_MAX;
}

// A run that starts a game and shows a few of its frames.
GameResult StartAGame(const std::map<std::string, std::string>& env) {
    GameRun run;
    run.Script = "2 0\n4\n";
    run.Env = env;
    run.Env["TOLVEX_FRAMES"] = "20";
    return run.Run();
}

std::string HighScoreOnFirstGameFrame(const GameResult& r) {
    const size_t first = FirstGameFrame(r);
    return first < r.Frames.size() ? SmallLine(r, first, 30) : "no game";
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

int CountLines(const std::string& text, const std::string& word) {
    int n = 0;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) n += line.find(word) != std::string::npos;
    return n;
}

const std::string kZeros = "HISCORE:000000000000";

TEST(BestScore, AClearedGameLeavesItForTheNextRunToShowFromItsFirstFrame) {
    const std::string dir = MakeTempDir();
    const std::string command = "TOLVEX_SAVE_DIR=" + dir + " " + KELDO_BOT + " --keldo " +
                                BuiltProgram() + " --seed 1 --frames 6000 > " + dir + "/bot.txt";
    ASSERT_EQ(std::system(command.c_str()), 0) << ReadAll(dir + "/bot.txt");
    const std::string said = ReadAll(dir + "/bot.txt");
    const std::string mark = "ended with SCORE:";
    const size_t at = said.find(mark);
    ASSERT_NE(at, std::string::npos) << said;
    const std::string best = said.substr(at + mark.size(), 12);
    ASSERT_NE(best, "000000000000");
    ASSERT_TRUE(fs::exists(dir + "/best.sav"));

    const GameResult next = StartAGame({{"TOLVEX_SAVE_DIR", dir}});
    ASSERT_EQ(next.ExitCode, 0) << next.Stderr;
    EXPECT_EQ(next.Stderr, "");
    EXPECT_EQ(HighScoreOnFirstGameFrame(next), "HISCORE:" + best);
    EXPECT_EQ(SmallLine(next, FirstGameFrame(next), 90), "SCORE:000000000000");

    // Damaged in any way: one warning, the file set aside, and the game starts from 0.
    const std::string good = ReadAll(dir + "/best.sav");
    for (const std::string& bad : {good.substr(0, good.size() / 2), std::string{},
                                   good.substr(0, 20) + "\x01" + good.substr(21)}) {
        std::ofstream(dir + "/best.sav", std::ios::binary) << bad;
        const GameResult r = StartAGame({{"TOLVEX_SAVE_DIR", dir}});
        ASSERT_EQ(r.ExitCode, 0) << r.Stderr;
        EXPECT_EQ(CountLines(r.Stderr, "warning"), 1) << r.Stderr;
        EXPECT_EQ(CountLines(r.Stderr, ""), 1) << r.Stderr;
        EXPECT_EQ(HighScoreOnFirstGameFrame(r), kZeros);
        EXPECT_EQ(ReadAll(dir + "/best.sav.bad"), bad);
        EXPECT_FALSE(fs::exists(dir + "/best.sav"));
    }
    fs::remove_all(dir);
}

TEST(BestScore, RunsWithoutSaveDirNeverSeeThePlayersFile) {
    const std::string home = MakeTempDir();
    fs::create_directories(home + "/data/keldo");
    // An intact file with a best score in it, made by an earlier run.
    const std::string earlier = MakeTempDir();
    const std::string command = "TOLVEX_SAVE_DIR=" + earlier + " " + KELDO_BOT + " --keldo " +
                                BuiltProgram() + " --seed 1 --frames 6000 > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    fs::copy_file(earlier + "/best.sav", home + "/data/keldo/best.sav");
    const GameResult r = StartAGame({{"HOME", home}, {"XDG_DATA_HOME", home + "/data"}});
    ASSERT_EQ(r.ExitCode, 0) << r.Stderr;
    EXPECT_EQ(HighScoreOnFirstGameFrame(r), kZeros);
    // With the folder named, the same file counts.
    const GameResult named = StartAGame({{"TOLVEX_SAVE_DIR", home + "/data/keldo"}});
    EXPECT_NE(HighScoreOnFirstGameFrame(named), kZeros);
    fs::remove_all(home);
    fs::remove_all(earlier);
}

}  // namespace
}  // namespace keldo::e2e
