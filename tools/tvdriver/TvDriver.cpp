// tvdriver [PICTURE...]: loads Data/Tolvex.vsd next to this program, binds all of its entries
// by name in order, opens it with the title "tvdriver" and draws the named pictures (by default
// a few of the game's) spinning and drifting every frame until the window is closed. The arrow
// keys push the pictures around. All the automation variables apply, so it also runs headless.
#include <dlfcn.h>
#include <unistd.h>
#include <xmmintrin.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "BoundRuntime.h"
#include "Tolvex.h"

namespace {

using tvtools::Entries;
using tvtools::MakeStr;

std::string ProgramFolder() {
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) {
        return ".";
    }
    std::string text(path, static_cast<size_t>(n));
    return text.substr(0, text.rfind('/'));
}

struct Sprite {
    TvTex* Tex = nullptr;
    double W = 0;
    double H = 0;
};

[[noreturn]] void Run(const Entries& e, const std::vector<std::string>& pictures) {
    uint64_t exceptionCell = 0;
    TvStr* title = MakeStr(e, "tvdriver");
    const TvInitParams params = tvtools::StartRecord(&exceptionCell, title);
    e.Init(&params);

    static const TvType texType{"Tex"};
    std::vector<Sprite> sprites;
    for (const std::string& name : pictures) {
        TvStr* s = MakeStr(e, name);
        TvTex* tex = e.LoadTex(&texType, s);
        e.FreeMem(s);
        sprites.push_back(
            {tex, static_cast<double>(e.GetTexW(tex)), static_cast<double>(e.GetTexH(tex))});
    }

    double x = 0;
    double y = 0;
    for (int64_t frame = 0;; ++frame) {
        x += static_cast<double>((e.Pad(0, 13) > 0) - (e.Pad(0, 12) > 0)) * 8;
        y += static_cast<double>((e.Pad(0, 15) > 0) - (e.Pad(0, 14) > 0)) * 8;
        for (size_t i = 0; i < sprites.size(); ++i) {
            const Sprite& s = sprites[i];
            const double size = 256;
            const double scale = size / (s.W > s.H ? s.W : s.H);
            const double w = s.W * scale;
            const double h = s.H * scale;
            const double phase = static_cast<double>(frame) * 0.02 + static_cast<double>(i);
            const double cx = 800 + x + e.Cos(phase) * 500;
            const double cy = 450 + y + e.Sin(phase * 1.3) * 250;
            e.DrawTexRot(s.Tex, 0, 0, i % 2 == 0 ? s.W : -s.W, s.H, cx - w / 2, cy - h / 2, w, h,
                         w / 2, h / 2, phase, 1, 1, 1, 1);
        }
        e.DrawTex(sprites.front().Tex, 0, 0, sprites.front().W, sprites.front().H, 20, 20, 160, 90,
                  1, 1, 1, 0.5 + 0.5 * e.Sin(static_cast<double>(frame) * 0.05));
        e.Act();
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> pictures(argv + 1, argv + argc);
    if (pictures.empty()) {
        pictures = {"title.vstex", "velquint256.vstex", "rock_enemy.vstex", "slash_effect.vstex"};
    }
    const std::string path = ProgramFolder() + "/Data/Tolvex.vsd";
    Entries e;
    try {
        tvtools::OpenLibrary(path, e);
    } catch (const std::runtime_error& error) {
        std::fprintf(stderr, "tvdriver: %s\n", error.what());
        return 1;
    }
    // Call in the game's own floating-point mode, which the library must cope with.
    _mm_setcsr(TV_GAME_FP_MODE);
    int code = 0;
    try {
        Run(e, pictures);
    } catch (const TvError& error) {
        if (error.Code != TV_ERR_CLOSED) {
            std::fprintf(stderr, "tvdriver: %s\n", error.Message);
            code = 1;
        }
    }
    e.Free();
    return code;
}
