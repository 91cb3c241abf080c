// keldo-contact-sheet: lays every picture of the game out on one PNG, cut and placed by
// the game's own objects and drawn by the runtime library, so the art can be judged at a
// glance exactly as the game shows it.
//
//   keldo-contact-sheet DATA_DIR OUT.png
//
// Sections: a frame of a real game; the hero's eight body animations; the combo as the
// hero draws it; the rock monster's six animations (the right-facing ones cut with
// negative widths, mirrored as the game draws them); effects; the stage and the pictures
// whole; the title screen; the font.
//
// The layout records what the game draws. The library (DATA_DIR/Tolvex.vsd, headless)
// then draws the sheet one screen-high band a frame, screenshots each band, and the
// bands are stacked into OUT.png.

#include <SDL.h>
#include <SDL_image.h>
#include <stdlib.h>
#include <xmmintrin.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "BoundRuntime.h"
#include "SheetLayout.h"
#include "runtime/GameException.h"
#include "support/FakeRuntime.h"

namespace {

namespace fs = std::filesystem;

constexpr int kBandH = 900;  // the library's screen

struct GameFpMode {
    GameFpMode() { _mm_setcsr(TV_GAME_FP_MODE); }
    ~GameFpMode() { _mm_setcsr(Before); }
    GameFpMode(const GameFpMode&) = delete;
    GameFpMode& operator=(const GameFpMode&) = delete;
    unsigned Before = _mm_getcsr();
};

// The game's objects, loaded and drawn into the recording runtime in the game's own
// floating-point mode.
sheet::Layout LayOutTheGame() {
    keldo::test::FakeRuntime rt;
    GameFpMode mode;
    sheet::Cast cast;
    cast.Load();
    return sheet::LayOut(cast);
}

// Draws the laid-out sheet through the library, one band of the sheet per frame: band k
// is the part from y = k * kBandH, moved up to the top of the screen.
class BandPainter {
public:
    explicit BandPainter(const tvtools::Entries& e) : E(e) {}

    void Paint(const sheet::Layout& layout, int band) {
        Top = band * kBandH;
        NoClip();
        for (const sheet::Op& op : layout.Ops) {
            switch (op.What) {
                case sheet::Op::Kind::Fill:
                    if (!Hidden) {
                        const sheet::Rgba& c = op.Colour;
                        E.DrawRect(op.X - View.x, op.Y - Top - View.y, op.W, op.H, c.R / 255.0,
                                   c.G / 255.0, c.B / 255.0, c.A / 255.0);
                    }
                    break;
                case sheet::Op::Kind::Clip:
                    Clip(op.X, op.Y - Top, op.W, op.H);
                    break;
                case sheet::Op::Kind::NoClip:
                    NoClip();
                    break;
                case sheet::Op::Kind::Picture:
                    if (!Hidden) {
                        Picture(op);
                    }
                    break;
            }
        }
    }

    // Hands the pictures back to the library (before it is closed).
    void FreeTextures() {
        for (auto& [name, tex] : Texes) {
            E.FreeMem(tex);
        }
        Texes.clear();
    }

private:
    // The library clips through its viewport, which also moves the origin; a clip that
    // misses this band hides what is drawn until the next one.
    void Clip(int x, int y, int w, int h) {
        const SDL_Rect wanted{x, y, w, h};
        const SDL_Rect screen{0, 0, sheet::kSheetW, kBandH};
        Hidden = SDL_IntersectRect(&wanted, &screen, &View) == SDL_FALSE;
        if (!Hidden) {
            E.SetViewport(View.x, View.y, View.w, View.h);
        }
    }
    void NoClip() {
        E.ResetViewport();
        View = {0, 0, sheet::kSheetW, kBandH};
        Hidden = false;
    }

    void Picture(const sheet::Op& op) {
        std::vector<double> a = op.Draw.Args;
        a[4] += op.DX - View.x;
        a[5] += op.DY - Top - View.y;
        TvTex* tex = Tex(op.Draw.Tex);
        if (op.Draw.Rotated) {
            E.DrawTexRot(tex, a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8], a[9], a[10],
                         a[11], a[12], a[13], a[14]);
        } else {
            E.DrawTex(tex, a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8], a[9], a[10],
                      a[11]);
        }
    }

    TvTex* Tex(const std::string& name) {
        auto it = Texes.find(name);
        if (it == Texes.end()) {
            static const TvType texType{"Tex"};
            TvStr* path = tvtools::MakeStr(E, name);
            it = Texes.emplace(name, E.LoadTex(&texType, path)).first;
            E.FreeMem(path);
        }
        return it->second;
    }

    const tvtools::Entries& E;
    std::map<std::string, TvTex*> Texes;
    int Top = 0;
    SDL_Rect View{};
    bool Hidden = false;
};

// Each band's screenshot goes to dir/band<k>.png.
std::string BandFile(const fs::path& dir, int band) {
    return (dir / ("band" + std::to_string(band) + ".png")).string();
}

void DrawBands(const std::string& dataDir, const sheet::Layout& layout, int bands,
               const fs::path& dir) {
    std::string shots;
    for (int k = 0; k < bands; ++k) {
        if (k > 0) {
            shots += ',';
        }
        shots += std::to_string(k);
        shots += ':';
        shots += BandFile(dir, k);
    }
    setenv("TOLVEX_HEADLESS", "1", 1);
    setenv("TOLVEX_SHOT", shots.c_str(), 1);
    for (const char* v : {"TOLVEX_FRAMES", "TOLVEX_INPUT", "TOLVEX_TRACE", "TOLVEX_PACE"}) {
        unsetenv(v);
    }

    tvtools::Entries e;
    tvtools::OpenLibrary(dataDir + "/Tolvex.vsd", e);
    uint64_t exceptionCell = 0;
    TvStr* title = tvtools::MakeStr(e, "contact sheet");
    const TvInitParams params = tvtools::StartRecord(&exceptionCell, title);
    try {
        e.Init(&params);
        BandPainter painter(e);
        for (int k = 0; k < bands; ++k) {
            painter.Paint(layout, k);
            e.Act();
        }
        painter.FreeTextures();
    } catch (const TvError& error) {
        e.FreeMem(title);
        e.Free();
        throw std::runtime_error(error.Message);
    }
    e.FreeMem(title);
    e.Free();
}

// Stacks the band screenshots into one picture of the sheet's height.
void StackBands(int height, int bands, const fs::path& dir, const std::string& out) {
    SDL_Surface* sheetPic =
        SDL_CreateRGBSurfaceWithFormat(0, sheet::kSheetW, height, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!sheetPic) throw std::runtime_error(SDL_GetError());
    for (int k = 0; k < bands; ++k) {
        const std::string file = BandFile(dir, k);
        SDL_Surface* band = IMG_Load(file.c_str());
        if (!band) {
            SDL_FreeSurface(sheetPic);
            throw std::runtime_error("cannot read " + file + ": " + IMG_GetError());
        }
        SDL_Rect at{0, k * kBandH, band->w, band->h};
        SDL_BlitSurface(band, nullptr, sheetPic, &at);
        SDL_FreeSurface(band);
    }
    const int saved = IMG_SavePNG(sheetPic, out.c_str());
    SDL_FreeSurface(sheetPic);
    if (saved != 0) throw std::runtime_error("cannot write " + out + ": " + IMG_GetError());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s DATA_DIR OUT.png\n", argv[0]);
        return 2;
    }
    if (IMG_Init(IMG_INIT_PNG) == 0) {
        std::fprintf(stderr, "IMG_Init: %s\n", IMG_GetError());
        return 1;
    }
    int code = 0;
    std::string dirTemplate = (fs::temp_directory_path() / "keldo-sheet-XXXXXX").string();
    const char* dir = mkdtemp(dirTemplate.data());
    try {
        if (dir == nullptr) throw std::runtime_error("cannot make a temporary folder");
        const sheet::Layout layout = LayOutTheGame();
        const int bands = (layout.Height + kBandH - 1) / kBandH;
        DrawBands(argv[1], layout, bands, dir);
        StackBands(layout.Height, bands, dir, argv[2]);
        std::printf("%s: %d x %d\n", argv[2], sheet::kSheetW, layout.Height);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "contact sheet: %s\n", e.what());
        code = 1;
    } catch (const keldo::GameException& e) {
        std::fprintf(stderr, "contact sheet: the game failed with code %lld: %s\n",
                     static_cast<long long>(e.Code), e.Detail.c_str());
        code = 1;
    }
    if (dir != nullptr) {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
    IMG_Quit();
    return code;
}
