// Pictures and drawing: LoadTex and its cache, the draws, blending, filtering, viewport.
#include <SDL_image.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <vector>

#include "Errors.h"
#include "FpEnv.h"
#include "Runtime.h"
#include "Screen.h"
#include "TvText.h"

namespace tolvex {
struct TexEntry;
}  // namespace tolvex

// What LoadTex hands out: a small block the game frees with FreeMem. The picture itself
// stays in the cache, shared by every handle of the same name.
struct TvTex {
    uint64_t Magic;
    uint64_t Generation;
    tolvex::TexEntry* Entry;
};

namespace tolvex {

struct TexEntry {
    std::string Name;
    SDL_Texture* Texture = nullptr;  // null when nothing is rasterised
    int W = 0;
    int H = 0;
    SDL_BlendMode Blend = SDL_BLENDMODE_BLEND;
    SDL_ScaleMode Scale = SDL_ScaleModeLinear;
};

namespace {

constexpr uint64_t kTexMagic = 0x5845545856544C54ULL;

struct Pictures {
    std::map<std::string, std::unique_ptr<TexEntry>> Cache;
    SDL_BlendMode Blend = SDL_BLENDMODE_BLEND;
    SDL_ScaleMode Scale = SDL_ScaleModeLinear;
    bool HasViewport = false;
    SDL_Rect Viewport{0, 0, kScreenW, kScreenH};
};
Pictures gPictures;

std::vector<unsigned char> ReadWholeFile(const std::string& path, const std::string& name,
                                         const char* entry) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        Raise(TV_ERR_FILE, "%s: cannot open %s (%s): %s", entry, name.c_str(), path.c_str(),
              std::strerror(errno));
    }
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
    if (in.bad()) {
        Raise(TV_ERR_FILE, "%s: cannot read %s (%s)", entry, name.c_str(), path.c_str());
    }
    if (bytes.empty()) {
        Raise(TV_ERR_FILE, "%s: %s (%s) is empty", entry, name.c_str(), path.c_str());
    }
    return bytes;
}

TexEntry& EntryOf(const TvTex* tex, const char* entry) {
    if (tex == nullptr) {
        Raise(TV_ERR_ARG, "%s: the texture is null", entry);
    }
    if (tex->Magic != kTexMagic) {
        Raise(TV_ERR_ARG, "%s: the handle is not a texture", entry);
    }
    if (tex->Generation != CurrentSession().Generation) {
        Raise(TV_ERR_ARG, "%s: the texture was loaded before the last Init", entry);
    }
    return *tex->Entry;
}

uint8_t ToByte(double x) {
    if (!(x > 0.0)) {
        return 0;
    }
    if (x >= 1.0) {
        return 255;
    }
    return static_cast<uint8_t>(x * 255.0 + 0.5);
}

int ToInt(double x) {
    if (!(std::fabs(x) < 1e9)) {
        return 0;
    }
    return static_cast<int>(std::lround(x));
}

// One copy of a cell of `e`. A negative source size picks the cell mirrored; a negative
// destination size mirrors it in place.
void Blit(TexEntry& e, double sx, double sy, double sw, double sh, double dx, double dy, double dw,
          double dh, const SDL_FPoint* centre, double angle, double r, double g, double b,
          double a) {
    SDL_Renderer* renderer = CurrentScreen().Renderer;
    if (renderer == nullptr) {
        return;
    }
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
    SDL_FPoint pivot{};
    if (centre != nullptr) {
        pivot = *centre;
    }
    if (dw < 0) {
        dx += dw;
        dw = -dw;
        flip ^= SDL_FLIP_HORIZONTAL;
        if (centre != nullptr) {
            pivot.x += static_cast<float>(dw);
        }
    }
    if (dh < 0) {
        dy += dh;
        dh = -dh;
        flip ^= SDL_FLIP_VERTICAL;
        if (centre != nullptr) {
            pivot.y += static_cast<float>(dh);
        }
    }
    if (e.Blend != gPictures.Blend) {
        SDL_SetTextureBlendMode(e.Texture, gPictures.Blend);
        e.Blend = gPictures.Blend;
    }
    if (e.Scale != gPictures.Scale) {
        SDL_SetTextureScaleMode(e.Texture, gPictures.Scale);
        e.Scale = gPictures.Scale;
    }
    SDL_SetTextureColorMod(e.Texture, ToByte(r), ToByte(g), ToByte(b));
    SDL_SetTextureAlphaMod(e.Texture, ToByte(a));
    const SDL_Rect src{ToInt(sx), ToInt(sy), ToInt(sw), ToInt(sh)};
    const SDL_FRect dst{static_cast<float>(dx), static_cast<float>(dy), static_cast<float>(dw),
                        static_cast<float>(dh)};
    // Most sprites are neither turned nor mirrored; the plain copy is much cheaper than the
    // general one in the software renderer.
    if (angle == 0.0 && flip == SDL_FLIP_NONE) {
        SDL_RenderCopyF(renderer, e.Texture, &src, &dst);
        return;
    }
    SDL_RenderCopyExF(renderer, e.Texture, &src, &dst, angle, centre != nullptr ? &pivot : nullptr,
                      static_cast<SDL_RendererFlip>(flip));
}

void ApplyViewport() {
    SDL_Renderer* renderer = CurrentScreen().Renderer;
    if (renderer != nullptr) {
        SDL_RenderSetViewport(renderer, gPictures.HasViewport ? &gPictures.Viewport : nullptr);
    }
}

}  // namespace

SurfacePtr LoadPictureFile(const std::string& name, const char* entry) {
    const std::string path = DataPath(name);
    const std::vector<unsigned char> bytes = ReadWholeFile(path, name, entry);
    return DecodePicture(bytes.data(), bytes.size(), name, path, entry);
}

TexEntry& CachedPicture(const std::string& name) {
    auto found = gPictures.Cache.find(name);
    if (found == gPictures.Cache.end()) {
        SurfacePtr surface = TakePicture(name, "LoadTex");
        auto entry = std::make_unique<TexEntry>();
        entry->Name = name;
        entry->W = surface->w;
        entry->H = surface->h;
        if (SDL_Renderer* renderer = CurrentScreen().Renderer) {
            entry->Texture = SDL_CreateTextureFromSurface(renderer, surface.get());
            if (entry->Texture == nullptr) {
                Raise(TV_ERR_PLATFORM, "LoadTex: cannot make a texture of %s: %s", name.c_str(),
                      SDL_GetError());
            }
            SDL_SetTextureBlendMode(entry->Texture, entry->Blend);
            SDL_SetTextureScaleMode(entry->Texture, entry->Scale);
        }
        found = gPictures.Cache.emplace(name, std::move(entry)).first;
    }
    return *found->second;
}

bool WarmUpOnePicture() {
    const std::string name = NextDecodedPicture();
    if (name.empty()) {
        return false;
    }
    CachedPicture(name);
    return true;
}

void OpenPictures() {
    gPictures = Pictures{};
    StartPicturePrefetch();
    if (CurrentScreen().Renderer != nullptr) {
        SDL_SetRenderDrawBlendMode(CurrentScreen().Renderer, gPictures.Blend);
    }
}

void ClosePictures() {
    StopPicturePrefetch();
    for (auto& [name, entry] : gPictures.Cache) {
        if (entry->Texture != nullptr) {
            SDL_DestroyTexture(entry->Texture);
        }
    }
    gPictures = Pictures{};
}

void StartPicture() {
    SDL_Renderer* renderer = CurrentScreen().Renderer;
    if (renderer == nullptr) {
        return;
    }
    SDL_RenderSetViewport(renderer, nullptr);
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    ApplyViewport();
}

}  // namespace tolvex

using namespace tolvex;

extern "C" {

TvTex* LoadTex(const TvType* type, const TvStr* path) {
    RequireReady("LoadTex");
    if (type == nullptr || type->Name == nullptr || std::strcmp(type->Name, "Tex") != 0) {
        Raise(TV_ERR_ARG, "LoadTex: the type is not Tex");
    }
    const std::string name = ToUtf8(path, "LoadTex");
    if (name.empty()) {
        Raise(TV_ERR_ARG, "LoadTex: the file name is empty");
    }
    DefaultFpEnv fp;
    TraceLine("load_tex", name);
    TexEntry& cached = CachedPicture(name);
    auto* tex = static_cast<TvTex*>(AllocMem(sizeof(TvTex), nullptr));
    tex->Magic = kTexMagic;
    tex->Generation = CurrentSession().Generation;
    tex->Entry = &cached;
    return tex;
}

void DrawTex(TvTex* tex, double srcX, double srcY, double srcW, double srcH, double dstX,
             double dstY, double dstW, double dstH, double r, double g, double b, double a) {
    RequireReady("DrawTex");
    TexEntry& e = EntryOf(tex, "DrawTex");
    DefaultFpEnv fp;
    if (TraceOn()) {
        const double values[] = {srcX, srcY, srcW, srcH, dstX, dstY, dstW, dstH, r, g, b, a};
        TraceLine("draw", e.Name, values, 12);
    }
    Blit(e, srcX, srcY, srcW, srcH, dstX, dstY, dstW, dstH, nullptr, 0.0, r, g, b, a);
}

void DrawTexRot(TvTex* tex, double srcX, double srcY, double srcW, double srcH, double dstX,
                double dstY, double dstW, double dstH, double cx, double cy, double angle, double r,
                double g, double b, double a) {
    RequireReady("DrawTexRot");
    TexEntry& e = EntryOf(tex, "DrawTexRot");
    DefaultFpEnv fp;
    if (TraceOn()) {
        const double values[] = {srcX, srcY, srcW,  srcH, dstX, dstY, dstW, dstH,
                                 cx,   cy,   angle, r,    g,    b,    a};
        TraceLine("draw_rot", e.Name, values, 15);
    }
    const SDL_FPoint centre{static_cast<float>(cx), static_cast<float>(cy)};
    Blit(e, srcX, srcY, srcW, srcH, dstX, dstY, dstW, dstH, &centre, angle * (180.0 / M_PI), r, g,
         b, a);
}

int64_t GetTexW(TvTex* tex) {
    RequireReady("GetTexW");
    return EntryOf(tex, "GetTexW").W;
}

int64_t GetTexH(TvTex* tex) {
    RequireReady("GetTexH");
    return EntryOf(tex, "GetTexH").H;
}

void Clear(double r, double g, double b) {
    RequireReady("Clear");
    SDL_Renderer* renderer = CurrentScreen().Renderer;
    if (renderer == nullptr) {
        return;
    }
    DefaultFpEnv fp;
    // Fill rather than RenderClear, so that a viewport limits it like any other drawing.
    SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_NONE);
    SDL_SetRenderDrawColor(renderer, ToByte(r), ToByte(g), ToByte(b), 255);
    SDL_RenderFillRect(renderer, nullptr);
    SDL_SetRenderDrawBlendMode(renderer, gPictures.Blend);
}

void DrawRect(double x, double y, double w, double h, double r, double g, double b, double a) {
    RequireReady("DrawRect");
    SDL_Renderer* renderer = CurrentScreen().Renderer;
    if (renderer == nullptr) {
        return;
    }
    DefaultFpEnv fp;
    if (w < 0) {
        x += w;
        w = -w;
    }
    if (h < 0) {
        y += h;
        h = -h;
    }
    SDL_SetRenderDrawColor(renderer, ToByte(r), ToByte(g), ToByte(b), ToByte(a));
    const SDL_FRect rect{static_cast<float>(x), static_cast<float>(y), static_cast<float>(w),
                         static_cast<float>(h)};
    SDL_RenderFillRectF(renderer, &rect);
}

void SetViewport(double x, double y, double w, double h) {
    RequireReady("SetViewport");
    DefaultFpEnv fp;
    const SDL_Rect rect{ToInt(x), ToInt(y), ToInt(w), ToInt(h)};
    if (rect.w <= 0 || rect.h <= 0) {
        Raise(TV_ERR_ARG, "SetViewport: the size %d x %d is empty", rect.w, rect.h);
    }
    gPictures.Viewport = rect;
    gPictures.HasViewport = true;
    ApplyViewport();
}

void ResetViewport() {
    RequireReady("ResetViewport");
    DefaultFpEnv fp;
    gPictures.HasViewport = false;
    gPictures.Viewport = SDL_Rect{0, 0, kScreenW, kScreenH};
    ApplyViewport();
}

void SetZBuf(int64_t) { RaiseUnsupported("SetZBuf"); }

void SetBlend(int64_t mode) {
    RequireReady("SetBlend");
    static constexpr SDL_BlendMode kModes[] = {SDL_BLENDMODE_NONE, SDL_BLENDMODE_BLEND,
                                               SDL_BLENDMODE_ADD, SDL_BLENDMODE_MOD,
                                               SDL_BLENDMODE_MUL};
    if (mode < 0 || mode >= static_cast<int64_t>(std::size(kModes))) {
        Raise(TV_ERR_ARG, "SetBlend: unknown mode %lld (0 to 4)", static_cast<long long>(mode));
    }
    gPictures.Blend = kModes[mode];
    if (SDL_Renderer* renderer = CurrentScreen().Renderer) {
        DefaultFpEnv fp;
        SDL_SetRenderDrawBlendMode(renderer, gPictures.Blend);
    }
}

void SetFilter(int64_t mode) {
    RequireReady("SetFilter");
    if (mode != 0 && mode != 1) {
        Raise(TV_ERR_ARG, "SetFilter: unknown mode %lld (0 nearest, 1 linear)",
              static_cast<long long>(mode));
    }
    gPictures.Scale = mode == 0 ? SDL_ScaleModeNearest : SDL_ScaleModeLinear;
}

}  // extern "C"
