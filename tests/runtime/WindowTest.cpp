// The real window, on whatever display there is (ctest also runs this under xvfb-run).
#include <SDL.h>

#include <cstdlib>

#include "RuntimeLib.h"

namespace rt {
namespace {

namespace fs = std::filesystem;

TEST(Window, OpensPacesShowsAndCloses) {
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr) {
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
        for (int frame = 0; frame < 40; ++frame) {
            L.DrawTex(square, 0, 0, 4, 4, 1500, 800, 100, 100, 1, 1, 1, 1);
            EXPECT_TRUE(L.Act());
        }
        // Paced at 60 frames per second whatever the display does.
        EXPECT_NEAR(L.GetFPS(), 1.0, 0.15);

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

}  // namespace
}  // namespace rt
