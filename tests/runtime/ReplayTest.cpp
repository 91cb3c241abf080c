// A recording's head: the seed it was played with and the saved data it loaded, read back
// when it is replayed, so that the replay needs nothing but the file.
#include <cstring>
#include <string>
#include <vector>

#include "RuntimeLib.h"

namespace rt {
namespace {

namespace fs = std::filesystem;

std::vector<int64_t> Draws() {
    std::vector<int64_t> out;
    for (int i = 0; i < 8; ++i) {
        out.push_back(Lib().Rnd(0, 1000000));
    }
    return out;
}

std::string Loaded(const std::string& name) {
    StrPtr s = MakeStr(name);
    TvBytes* data = Lib().LoadSaveData(s.get());
    if (data == nullptr) {
        return "(none)";
    }
    std::string text(reinterpret_cast<const char*>(data->Data), static_cast<size_t>(data->Len));
    Lib().FreeMem(data);
    return text;
}

TEST(Replay, TheHeadGivesTheSeedAndWhatWasLoaded) {
    const fs::path dir = Scratch("replay-head");
    std::vector<int64_t> seeded;
    {
        Env env{{"TOLVEX_HEADLESS", "null"}, {"TOLVEX_SEED", "42"}};
        Session session;
        seeded = Draws();
    }
    WriteFile(dir / "rec.txt", "# seed 42\n\n# load best 4b31ff\n# load other -\n5 0\n# seed 9\n");
    {
        Env env{{"TOLVEX_HEADLESS", "null"}, {"TOLVEX_INPUT", (dir / "rec.txt").string()}};
        Session session;
        EXPECT_EQ(Draws(), seeded);
        EXPECT_EQ(Loaded("best"), "K1\xff");
        EXPECT_EQ(Loaded("other"), "(none)");
        EXPECT_EQ(Loaded("unnamed"), "(none)");
    }
    {
        // An explicit seed wins; a folder of saved data wins over the recording.
        Env env{{"TOLVEX_HEADLESS", "null"},
                {"TOLVEX_SEED", "7"},
                {"TOLVEX_SAVE_DIR", dir.string()},
                {"TOLVEX_INPUT", (dir / "rec.txt").string()}};
        Session session;
        EXPECT_NE(Draws(), seeded);
        EXPECT_EQ(Loaded("best"), "(none)");
    }
    // A seed line after the first button line is only a comment.
    WriteFile(dir / "late.txt", "5 0\n# seed 42\n");
    Env env{{"TOLVEX_HEADLESS", "null"}, {"TOLVEX_INPUT", (dir / "late.txt").string()}};
    Session session;
    EXPECT_NE(Draws(), seeded);
}

TEST(Replay, AHeadThatDoesNotReadIsNamed) {
    const fs::path dir = Scratch("replay-bad-head");
    for (const char* head : {"# seed x\n", "# seed -1\n", "#seed 18446744073709551616\n",
                             "# seed 1\n# load best 0g\n", "# load best 123\n", "# load\n"}) {
        WriteFile(dir / "rec.txt", std::string(head) + "5 0\n");
        Env env{{"TOLVEX_HEADLESS", "null"}, {"TOLVEX_INPUT", (dir / "rec.txt").string()}};
        const TvError e = InitError();
        EXPECT_EQ(e.Code, TV_ERR_CONFIG) << head;
        EXPECT_NE(std::strstr(e.Message, "TOLVEX_INPUT"), nullptr) << e.Message;
        EXPECT_NE(std::strstr(e.Message, "rec.txt line"), nullptr) << e.Message;
    }
}

TEST(Replay, AHeadLineWithoutEndIsRefusedAtTheLineLimitNotReadThrough) {
    // 64 GB with no line end after the '#' (a sparse file): read through, it would take
    // minutes.
    const fs::path rec = Scratch("replay-endless-head") / "rec.txt";
    WriteFile(rec, "# seed 1 ");
    fs::resize_file(rec, uint64_t{64} << 30);
    Env env{{"TOLVEX_HEADLESS", "null"}, {"TOLVEX_INPUT", rec.string()}};
    const TvError e = InitError();
    fs::remove(rec);
    EXPECT_EQ(e.Code, TV_ERR_CONFIG);
    EXPECT_NE(std::strstr(e.Message, "rec.txt line 1: the line is longer than 4096 bytes"), nullptr)
        << e.Message;
}

}  // namespace
}  // namespace rt
