// The real window, on whatever display there is (ctest also runs this under xvfb-run).
#include <SDL.h>

#include <chrono>
#include <cstdlib>
#include <vector>

#include "RuntimeLib.h"

namespace rt {
namespace {

namespace fs = std::filesystem;

bool HaveDisplay() {
    return std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr;
}

TEST(Window, OpensPacesShowsAndCloses) {
    if (!HaveDisplay()) {
        GTEST_SKIP() << "no display";
    }
    WritePicture("icon.vstex", 32, 32, [](int, int) { return Rgba{255, 200, 0, 255}; });
    WritePicture("square.vstex", 4, 4, [](int, int) { return Rgba{0, 255, 0, 255}; });
    const fs::path dir = Scratch("window");
    Env env{{"TOLVEX_SHOT", "1:" + (dir / "shot.png").string()}};
    {
        Session session("icon.vstex");
        Library& L = Lib();
        TvTex* square = LoadTex("square.vstex");
        const auto start = std::chrono::steady_clock::now();
        for (int frame = 0; frame < 40; ++frame) {
            L.DrawTex(square, 0, 0, 4, 4, 1500, 800, 100, 100, 1, 1, 1, 1);
            EXPECT_TRUE(L.Act());
        }
        // Paced to 60 frames per second at most, whatever the display does; a busy machine
        // may well be slower, so only the upper bound is firm. The pacing may catch up on
        // up to four frames that the set-up before `start` used, hence 35 and not 40.
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        EXPECT_GE(elapsed.count(), 35.0 / 60.0);
        EXPECT_GT(L.GetFPS(), 0.0);
        EXPECT_LE(L.GetFPS(), 1.1);

        SDL_Event quit{};
        quit.type = SDL_QUIT;
        SDL_PushEvent(&quit);
        EXPECT_EQ(Caught([&] { L.Act(); }).Code, TV_ERR_CLOSED);
        L.FreeMem(square);
    }
    const Picture shot = ReadPicture(dir / "shot.png");
    ASSERT_EQ(shot.W, 1600);
    ASSERT_EQ(shot.H, 900);
    const Rgba corner = shot.At(1599, 899);
    EXPECT_EQ(corner.G, 255);
    EXPECT_EQ(shot.At(1400, 700).G, 0);
}

// A windowed run must not slip into one of SDL's invisible fallback drivers.
// A player's run keeps saved data; with nowhere to keep it, the player is told once.
TEST(Window, ASaveWithNoDataFolderIsNamedInOneWarning) {
    if (!HaveDisplay()) {
        GTEST_SKIP() << "no display";
    }
    const char* home = std::getenv("HOME");
    const std::string savedHome = home == nullptr ? "" : home;
    for (const char* dataHome : {"", "relative/data"}) {
        SCOPED_TRACE(dataHome);
        unsetenv("HOME");
        setenv("XDG_DATA_HOME", dataHome, 1);
        const TvError error = Caught([] {
            Session session;
            std::vector<uint8_t> block(static_cast<size_t>(TvBytesSize(1)));
            TvBytes* data = TvMakeBytes(block.data(), "x", 1);
            testing::internal::CaptureStderr();
            EXPECT_FALSE(Lib().SaveSaveData(MakeStr("best").get(), data));
            EXPECT_FALSE(Lib().SaveSaveData(MakeStr("best").get(), data));
            EXPECT_EQ(testing::internal::GetCapturedStderr(),
                      "tolvex: warning: no folder for saved data (HOME is not set, nor "
                      "XDG_DATA_HOME to a full path); best is not saved\n");
        });
        EXPECT_EQ(error.Code, 0u) << error.Message;
        unsetenv("XDG_DATA_HOME");
        setenv("HOME", savedHome.c_str(), 1);
    }
}

TEST(NoDisplay, WindowedInitFailsWithTheReason) {
    if (HaveDisplay() || std::getenv("SDL_VIDEODRIVER") != nullptr) {
        GTEST_SKIP() << "there is a display";
    }
    Env env{};
    const TvError e = InitError();
    EXPECT_EQ(e.Code, TV_ERR_PLATFORM);
    EXPECT_NE(std::string(e.Message).find("no display"), std::string::npos) << e.Message;
}

}  // namespace
}  // namespace rt
