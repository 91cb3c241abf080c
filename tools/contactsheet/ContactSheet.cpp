// keldo-contact-sheet: lays every picture of the game out on one PNG, cut and placed by
// the game's own objects, so the art can be judged at a glance.
//
//   keldo-contact-sheet DATA_DIR OUT.png
//
// Sections: a frame of a real game; the hero's eight body animations; the combo as the
// hero draws it; the rock monster's six animations (the right-facing ones cut with
// negative widths, mirrored as the game draws them); effects; the stage and the pictures
// whole; the title screen; the font. The layout records what the game draws; this file
// only paints it.

#include <SDL.h>
#include <SDL_image.h>
#include <xmmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>

#include "SheetLayout.h"
#include "support/FakeRuntime.h"

namespace {

constexpr double kDegreesPerRadian = 180.0 / 3.14159265358979;
// The game's floating-point mode: rounding toward zero, the invalid-operation trap on.
constexpr unsigned kGameFpMode = 0x7F00;

Uint8 ToByte(double v) { return static_cast<Uint8>(std::lround(std::clamp(v, 0.0, 1.0) * 255)); }

// A software renderer onto a surface, with the conventions of the game's runtime: a
// negative source or destination size mirrors the cell, a rotation turns about a centre
// given from the destination's top-left corner, colour and alpha modulate.
class Painter {
public:
    Painter(std::string dataDir, int height) : DataDir(std::move(dataDir)) {
        Surface =
            SDL_CreateRGBSurfaceWithFormat(0, sheet::kSheetW, height, 32, SDL_PIXELFORMAT_ARGB8888);
        if (!Surface) throw std::runtime_error(SDL_GetError());
        Ren = SDL_CreateSoftwareRenderer(Surface);
        if (!Ren) throw std::runtime_error(SDL_GetError());
        SDL_SetRenderDrawBlendMode(Ren, SDL_BLENDMODE_BLEND);
    }
    ~Painter() {
        for (auto& [name, tex] : Pics) SDL_DestroyTexture(tex);
        SDL_DestroyRenderer(Ren);
        SDL_FreeSurface(Surface);
    }
    Painter(const Painter&) = delete;
    Painter& operator=(const Painter&) = delete;

    void Paint(const sheet::Op& op) {
        using K = sheet::Op::Kind;
        const sheet::Rgba& c = op.Colour;
        SDL_SetRenderDrawColor(Ren, c.R, c.G, c.B, c.A);
        switch (op.What) {
            case K::Fill: {
                const SDL_Rect rc{op.X, op.Y, op.W, op.H};
                SDL_RenderFillRect(Ren, &rc);
                break;
            }
            case K::Line:
                SDL_RenderDrawLine(Ren, op.X, op.Y, op.W, op.H);
                break;
            case K::Clip: {
                const SDL_Rect rc{op.X, op.Y, op.W, op.H};
                SDL_RenderSetClipRect(Ren, &rc);
                break;
            }
            case K::NoClip:
                SDL_RenderSetClipRect(Ren, nullptr);
                break;
            case K::Picture:
                Picture(op);
                break;
        }
    }

    void Save(const std::string& path) {
        SDL_RenderPresent(Ren);
        if (IMG_SavePNG(Surface, path.c_str()) != 0)
            throw std::runtime_error("cannot write " + path + ": " + IMG_GetError());
    }

private:
    SDL_Texture* Get(const std::string& name) {
        auto it = Pics.find(name);
        if (it != Pics.end()) return it->second;
        const std::string path = DataDir + "/" + name;
        SDL_Surface* s = IMG_Load(path.c_str());
        if (!s) throw std::runtime_error("cannot load " + path + ": " + IMG_GetError());
        SDL_Texture* tex = SDL_CreateTextureFromSurface(Ren, s);
        SDL_FreeSurface(s);
        if (!tex) throw std::runtime_error(SDL_GetError());
        SDL_SetTextureBlendMode(tex, SDL_BLENDMODE_BLEND);
        SDL_SetTextureScaleMode(tex, SDL_ScaleModeLinear);
        return Pics.emplace(name, tex).first->second;
    }

    // A draw as the game made it: source rectangle, destination rectangle, then (turned
    // draws only) centre and angle, then colour and alpha.
    void Picture(const sheet::Op& op) {
        const auto& a = op.Draw.Args;
        double sx = a[0], sy = a[1], sw = a[2], sh = a[3];
        double dx = a[4] + op.DX, dy = a[5] + op.DY, dw = a[6], dh = a[7];
        const bool turned = op.Draw.Rotated;
        SDL_FPoint centre{turned ? float(a[8]) : 0.f, turned ? float(a[9]) : 0.f};
        const double angle = turned ? a[10] * kDegreesPerRadian : 0.0;
        const size_t colour = turned ? 11 : 8;
        int flip = SDL_FLIP_NONE;
        if (sw < 0) {
            sx += sw;
            sw = -sw;
            flip ^= SDL_FLIP_HORIZONTAL;
        }
        if (sh < 0) {
            sy += sh;
            sh = -sh;
            flip ^= SDL_FLIP_VERTICAL;
        }
        if (dw < 0) {
            dx += dw;
            dw = -dw;
            flip ^= SDL_FLIP_HORIZONTAL;
            centre.x += float(dw);
        }
        if (dh < 0) {
            dy += dh;
            dh = -dh;
            flip ^= SDL_FLIP_VERTICAL;
            centre.y += float(dh);
        }
        SDL_Texture* tex = Get(op.Draw.Tex);
        SDL_SetTextureColorMod(tex, ToByte(a[colour]), ToByte(a[colour + 1]),
                               ToByte(a[colour + 2]));
        SDL_SetTextureAlphaMod(tex, ToByte(a[colour + 3]));
        const SDL_Rect src{int(std::lround(sx)), int(std::lround(sy)), int(std::lround(sw)),
                           int(std::lround(sh))};
        const SDL_FRect dst{float(dx), float(dy), float(dw), float(dh)};
        SDL_RenderCopyExF(Ren, tex, &src, &dst, angle, &centre, SDL_RendererFlip(flip));
    }

    std::string DataDir;
    SDL_Surface* Surface = nullptr;
    SDL_Renderer* Ren = nullptr;
    std::map<std::string, SDL_Texture*> Pics;
};

// The game's objects, loaded and drawn into the recording runtime in the game's own
// floating-point mode, which is put back before anything else runs.
struct GameFpMode {
    GameFpMode() { _mm_setcsr(kGameFpMode); }
    ~GameFpMode() { _mm_setcsr(Before); }
    GameFpMode(const GameFpMode&) = delete;
    GameFpMode& operator=(const GameFpMode&) = delete;
    unsigned Before = _mm_getcsr();
};

sheet::Layout LayOutTheGame() {
    keldo::test::FakeRuntime rt;
    GameFpMode mode;
    sheet::Cast cast;
    cast.Load();
    return sheet::LayOut(cast);
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
    try {
        const sheet::Layout layout = LayOutTheGame();
        Painter painter(argv[1], layout.Height);
        for (const sheet::Op& op : layout.Ops) painter.Paint(op);
        painter.Save(argv[2]);
        std::printf("%s: %d x %d\n", argv[2], sheet::kSheetW, layout.Height);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "contact sheet: %s\n", e.what());
        IMG_Quit();
        return 1;
    }
    IMG_Quit();
    return 0;
}
