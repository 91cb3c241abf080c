// Saved data: kept whole across runs, damaged files set aside with one warning, nothing
// touched in scripted or headless runs without TOLVEX_SAVE_DIR, and a kill at any moment of a
// save leaves the old file or the new one, never a broken one.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "RuntimeLib.h"

namespace rt {
namespace {

namespace fs = std::filesystem;

struct BytesFree {
    void operator()(TvBytes* b) const { Lib().FreeMem(b); }
};
using BytesPtr = std::unique_ptr<TvBytes, BytesFree>;

// Saves `text` under `name`; the library's answer.
bool Save(const std::string& name, std::string_view text) {
    std::vector<uint8_t> block(static_cast<size_t>(TvBytesSize(text.size())));
    TvBytes* data = TvMakeBytes(block.data(), text.data(), text.size());
    StrPtr s = MakeStr(name);
    return Lib().SaveSaveData(s.get(), data);
}

// What is saved under `name`, or nullptr.
std::unique_ptr<std::string> Load(const std::string& name) {
    StrPtr s = MakeStr(name);
    BytesPtr data(Lib().LoadSaveData(s.get()));
    if (data == nullptr) {
        return nullptr;
    }
    return std::make_unique<std::string>(reinterpret_cast<const char*>(data->Data),
                                         static_cast<size_t>(data->Len));
}

size_t Warnings(const std::string& stderrText) {
    size_t n = 0;
    for (size_t at = stderrText.find("warning"); at != std::string::npos;
         at = stderrText.find("warning", at + 1)) {
        ++n;
    }
    return n;
}

TEST(SaveData, KeptAcrossSessionsUnderPlainNamesOnly) {
    const fs::path dir = Scratch("save-roundtrip");
    Env env{{"TOLVEX_HEADLESS", "null"}, {"TOLVEX_SAVE_DIR", dir.string()}};
    {
        Session session;
        EXPECT_EQ(Load("best"), nullptr);  // nothing yet, and no warning for that
        EXPECT_TRUE(Save("best", std::string("\0\x01\xff score", 9)));
        EXPECT_TRUE(Save("other-name_2", ""));
        for (const char* bad : {"", "../best", "a/b", "a.b", "x y"}) {
            EXPECT_EQ(Caught([&] { Save(bad, "x"); }).Code, TV_ERR_ARG) << bad;
            EXPECT_EQ(Caught([&] { Load(bad); }).Code, TV_ERR_ARG) << bad;
        }
        EXPECT_EQ(Caught([&] { Save(std::string(65, 'a'), "x"); }).Code, TV_ERR_ARG);
        EXPECT_EQ(Caught([&] { Lib().SaveSaveData(MakeStr("best").get(), nullptr); }).Code,
                  TV_ERR_ARG);
    }
    Session session;
    const auto best = Load("best");
    ASSERT_NE(best, nullptr);
    EXPECT_EQ(*best, std::string("\0\x01\xff score", 9));
    ASSERT_NE(Load("other-name_2"), nullptr);
    EXPECT_EQ(*Load("other-name_2"), "");
    EXPECT_TRUE(fs::exists(dir / "best.sav"));
}

TEST(SaveData, ADamagedFileIsSetAsideWithOneWarning) {
    const fs::path dir = Scratch("save-damaged");
    Env env{{"TOLVEX_HEADLESS", "null"}, {"TOLVEX_SAVE_DIR", dir.string()}};
    Session session;
    ASSERT_TRUE(Save("best", "12345678"));
    const std::string good = ReadText(dir / "best.sav");
    ASSERT_GT(good.size(), 8u);

    std::vector<std::pair<std::string, std::string>> cases = {
        {"empty", ""},
        {"cut short", good.substr(0, good.size() - 1)},
        {"cut in the header", good.substr(0, 6)},
        {"one byte more", good + "x"},
        {"foreign", "\x89PNG\r\n\x1a\n and so on, a picture"},
    };
    // A flipped bit anywhere: magic, version, length, payload or checksum.
    for (size_t i = 0; i < good.size(); ++i) {
        std::string flipped = good;
        flipped[i] = static_cast<char>(flipped[i] ^ (1 << (i % 8)));
        cases.emplace_back("bit flipped in byte " + std::to_string(i), flipped);
    }
    for (const auto& [what, content] : cases) {
        SCOPED_TRACE(what);
        WriteFile(dir / "best.sav", content);
        testing::internal::CaptureStderr();
        EXPECT_EQ(Load("best"), nullptr);
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(Warnings(said), 1u) << said;
        EXPECT_NE(said.find((dir / "best.sav").string()), std::string::npos) << said;
        EXPECT_FALSE(fs::exists(dir / "best.sav"));
        EXPECT_EQ(ReadText(dir / "best.sav.bad"), content);
        // And the next save starts afresh.
        EXPECT_TRUE(Save("best", "new"));
        EXPECT_EQ(*Load("best"), "new");
    }
}

TEST(SaveData, AFileFarTooLargeIsSetAsideLikeAnyDamage) {
    const fs::path dir = Scratch("save-oversized");
    Env env{{"TOLVEX_HEADLESS", "null"}, {"TOLVEX_SAVE_DIR", dir.string()}};
    constexpr uint64_t kEightGigabytes = uint64_t{8} << 30;  // sparse: costs no disk
    for (const bool loadFirst : {true, false}) {
        SCOPED_TRACE(loadFirst ? "loaded, then saved" : "saved over");
        WriteFile(dir / "best.sav", "TVSD");
        fs::resize_file(dir / "best.sav", kEightGigabytes);
        Session session;
        testing::internal::CaptureStderr();
        if (loadFirst) {
            EXPECT_EQ(Load("best"), nullptr);
        }
        EXPECT_TRUE(Save("best", "new"));
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(Warnings(said), 1u) << said;
        EXPECT_NE(said.find("best.sav is damaged"), std::string::npos) << said;
        EXPECT_EQ(fs::file_size(dir / "best.sav.bad"), kEightGigabytes);
        EXPECT_EQ(*Load("best"), "new");
        fs::remove(dir / "best.sav.bad");
    }
}

TEST(SaveData, AFolderWhosePathNearlyFillsTheSystemsLimitKeepsItsFiles) {
    // The file's own path fits under the limit; its temporary file's longer name would not,
    // were it named from the root.
    fs::path dir = Scratch("save-long-folder");
    constexpr size_t kFolderLength = 4075;
    while (dir.string().size() < kFolderLength) {
        const size_t left = kFolderLength - dir.string().size() - 1;
        dir /= std::string(std::min<size_t>(left, 200), 'f');
    }
    ASSERT_EQ(dir.string().size(), kFolderLength);
    fs::create_directories(dir);
    Env env{{"TOLVEX_HEADLESS", "null"}, {"TOLVEX_SAVE_DIR", dir.string()}};
    {
        Session session;
        testing::internal::CaptureStderr();
        EXPECT_TRUE(Save("best", "3425"));
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(*Load("best"), "3425");
        // Damaged: set aside beside it.
        WriteFile(dir / "best.sav", "not saved data");
        testing::internal::CaptureStderr();
        EXPECT_EQ(Load("best"), nullptr);
        EXPECT_EQ(Warnings(testing::internal::GetCapturedStderr()), 1u);
        EXPECT_TRUE(Save("best", "4000"));
    }
    Session session;
    EXPECT_EQ(*Load("best"), "4000");
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"best.sav", "best.sav.bad"}));
}

TEST(SaveData, ScriptedAndHeadlessRunsLeaveThePlayersFilesAlone) {
    const fs::path home = Scratch("save-home");
    fs::create_directories(home / "test");
    WriteFile(home / "test" / "best.sav", "whatever is there");
    struct Case {
        const char* Headless;
        bool Script;
    };
    for (const Case c : {Case{"null", false}, Case{"1", false}, Case{"null", true}}) {
        const fs::path script = home / "script.txt";
        WriteFile(script, "");
        Env env{{"TOLVEX_HEADLESS", c.Headless},
                {"XDG_DATA_HOME", home.string()},
                {"TOLVEX_INPUT", c.Script ? script.string() : ""}};
        Session session;
        testing::internal::CaptureStderr();
        EXPECT_EQ(Load("best"), nullptr);
        EXPECT_FALSE(Save("best", "mine"));
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(ReadText(home / "test" / "best.sav"), "whatever is there");
    }
}

TEST(SaveData, AFolderThatTakesNoFilesWarnsOnceAndTheRunGoesOn) {
    // Even root cannot make files in /proc/self.
    Env env{{"TOLVEX_HEADLESS", "null"}, {"TOLVEX_SAVE_DIR", "/proc/self"}};
    Session session;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(Save("best", "1"));
    EXPECT_FALSE(Save("best", "2"));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(Warnings(said), 1u) << said;
    EXPECT_TRUE(Lib().Act());
}

TEST(SaveData, ASaveNeverReplacesWhatAnotherGameSavedSinceThisOneLooked) {
    const fs::path dir = Scratch("save-two-games");
    Env env{{"TOLVEX_HEADLESS", "null"}, {"TOLVEX_SAVE_DIR", dir.string()}};
    int loaded[2];
    int go[2];
    ASSERT_EQ(pipe(loaded), 0);
    ASSERT_EQ(pipe(go), 0);
    // The other game: it looks first, and saves its lower score last.
    const pid_t other = fork();
    ASSERT_GE(other, 0);
    if (other == 0) {
        int status = 1;
        {
            Session session;
            const bool sawNothing = Load("best") == nullptr;
            char byte = 0;
            if (write(loaded[1], "x", 1) == 1 && read(go[0], &byte, 1) == 1) {
                status = sawNothing && !Save("best", "1725") ? 0 : 2;
            }
        }
        _exit(status);
    }
    char byte = 0;
    ASSERT_EQ(read(loaded[0], &byte, 1), 1);
    {
        Session session;
        EXPECT_EQ(Load("best"), nullptr);
        EXPECT_TRUE(Save("best", "3425"));
    }
    ASSERT_EQ(write(go[1], "x", 1), 1);
    int status = 0;
    waitpid(other, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    for (const int fd : {loaded[0], loaded[1], go[0], go[1]}) close(fd);

    Session session;
    ASSERT_NE(Load("best"), nullptr);
    EXPECT_EQ(*Load("best"), "3425");
    // Once it has looked again, a game may save over it.
    EXPECT_TRUE(Save("best", "4000"));
    EXPECT_EQ(*Load("best"), "4000");
}

TEST(SaveData, NothingPlantedBesideTheFileIsFollowed) {
    const fs::path dir = Scratch("save-planted");
    const fs::path victim = Scratch("save-victim") / "victim.txt";
    WriteFile(victim, "untouched");
    // Where a temporary file of this process would once have been, and a link to nowhere.
    const std::string pid = std::to_string(getpid());
    fs::create_symlink(victim, dir / ("best.sav.tmp." + pid));
    fs::create_symlink(dir / "gone", dir / ("best.sav.tmp." + pid + ".0"));
    Env env{{"TOLVEX_HEADLESS", "null"}, {"TOLVEX_SAVE_DIR", dir.string()}};
    Session session;
    EXPECT_TRUE(Save("best", "3425"));
    EXPECT_EQ(*Load("best"), "3425");
    EXPECT_EQ(ReadText(victim), "untouched");
    EXPECT_FALSE(fs::exists(dir / "gone"));
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(dir / "best.sav")));
}

TEST(SaveData, AFileThatIsNoFileIsRefusedWithOneWarningAndNoWait) {
    const fs::path dir = Scratch("save-not-a-file");
    ASSERT_EQ(mkfifo((dir / "best.sav").c_str(), 0600), 0);
    Env env{{"TOLVEX_HEADLESS", "null"}, {"TOLVEX_SAVE_DIR", dir.string()}};
    Session session;
    testing::internal::CaptureStderr();
    EXPECT_EQ(Load("best"), nullptr);
    EXPECT_FALSE(Save("best", "1"));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(Warnings(said), 2u) << said;
    EXPECT_NE(said.find("best.sav is not an ordinary file"), std::string::npos) << said;
    EXPECT_TRUE(fs::is_fifo(dir / "best.sav"));
}

// A payload written by tolvex-save-loop: 1 to 200 bytes, all the same.
bool FromTheLoop(const std::string& payload) {
    return !payload.empty() && payload.size() <= 200 &&
           std::all_of(payload.begin(), payload.end(),
                       [&](char c) { return c == payload.front(); });
}

TEST(SaveData, AKillWhileSavingLeavesTheOldFileOrTheNewOne) {
    // What is proven is the process dying, not the disk: in memory (where syncing costs
    // nothing) the helper saves often enough for the kills to land all over its saves.
    const fs::path dir =
        fs::is_directory("/dev/shm")
            ? fs::path("/dev/shm") / ("tolvex-save-kill-" + std::to_string(getpid()))
            : Scratch("save-kill");
    fs::remove_all(dir);
    fs::create_directories(dir);
    Env env{{"TOLVEX_HEADLESS", "null"}, {"TOLVEX_SAVE_DIR", dir.string()}};
    {
        Session session;
        ASSERT_TRUE(Save("best", "0"));
    }
    std::mt19937 random(12345);
    // Past Init the helper saves some hundreds of times a second; kill it anywhere within
    // its first few dozen saves.
    std::uniform_int_distribution<int> delayUs(0, 5000);
    constexpr int kKills = 200;
    std::string previous = "0";
    int changed = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        int out[2];
        ASSERT_EQ(pipe(out), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            dup2(out[1], STDOUT_FILENO);
            close(out[0]);
            close(out[1]);
            const std::string library = (Lib().Data / "Tolvex.vsd").string();
            execl(TOLVEX_SAVE_LOOP_PATH, TOLVEX_SAVE_LOOP_PATH, library.c_str(), nullptr);
            _exit(127);
        }
        close(out[1]);
        char line[16] = {};
        ASSERT_GT(read(out[0], line, sizeof line), 0) << "the helper did not start";
        close(out[0]);
        usleep(static_cast<useconds_t>(delayUs(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the helper stopped on its own";

        Session session;
        testing::internal::CaptureStderr();
        const auto saved = Load("best");
        const std::string said = testing::internal::GetCapturedStderr();
        ASSERT_NE(saved, nullptr) << "after kill " << kill << ": " << said;
        ASSERT_EQ(said, "") << "after kill " << kill;
        ASSERT_TRUE(*saved == "0" || FromTheLoop(*saved)) << "after kill " << kill;
        changed += *saved != previous ? 1 : 0;
        previous = *saved;
    }
    // The kills did land while saving was going on.
    EXPECT_GT(changed, kKills / 2);
    // Loading cleans up what the killed helpers left half-written.
    for (const auto& entry : fs::directory_iterator(dir)) {
        EXPECT_EQ(entry.path().filename(), "best.sav");
    }
    fs::remove_all(dir);
}

}  // namespace
}  // namespace rt
