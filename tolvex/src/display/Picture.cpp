// Pictures and drawing: LoadTex and its cache, the draws, blending, filtering, viewport.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <map>
#include <new>
#include <numbers>
#include <vector>

#include "core/Errors.h"
#include "core/FpEnv.h"
#include "core/Handles.h"
#include "core/Runtime.h"
#include "core/Screen.h"
#include "display/PictureEntry.h"
#include "files/DataFile.h"
#include "files/LoadName.h"
#include "plain/TvText.h"
#include "platform/Platform.h"

// What LoadTex hands out: a small block the game frees with FreeMem. The picture itself
// stays in the cache, shared by every handle of the same name.
struct TvTex {
    uint64_t Magic;
    uint64_t Generation;
    tolvex::TexEntry* Entry;
};

namespace tolvex {

namespace {

constexpr uint64_t kTexMagic = 0x5845545856544C54ULL;
// Room for a busy frame of the game, so that recording it never allocates.
constexpr size_t kUsualCallsPerFrame = 512;

// Declared before the calls that compare them: clang looks for these where DrawCall's
// comparison is defaulted.
bool operator==(const SDL_Rect& a, const SDL_Rect& b) {
    return a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h;
}
bool operator==(const SDL_FRect& a, const SDL_FRect& b) {
    return a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h;
}
bool operator==(const SDL_FPoint& a, const SDL_FPoint& b) { return a.x == b.x && a.y == b.y; }
bool operator==(const SDL_Color& a, const SDL_Color& b) {
    return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a;
}

// One drawing call as the renderer will carry it out. A frame is the list of these; two
// frames with equal lists give the same picture.
struct DrawCall {
    enum class Kind : uint8_t { Copy, Fill, Clear, Viewport };
    Kind What = Kind::Copy;
    TexEntry* Entry = nullptr;  // Copy
    SDL_Rect Src{};             // Copy; Viewport: the rectangle
    SDL_FRect Dst{};            // Copy, Fill
    double Angle = 0;           // Copy, in degrees
    SDL_FPoint Pivot{};
    bool HasPivot = false;  // Copy; Viewport: whether one is set at all
    int Flip = SDL_FLIP_NONE;
    SDL_Color Colour{};  // Copy: the colour and alpha factors
    SDL_BlendMode Blend = SDL_BLENDMODE_BLEND;
    SDL_ScaleMode Scale = SDL_ScaleModeLinear;

    bool operator==(const DrawCall&) const = default;
};

// Drawing is recorded as the game calls it and carried out when the frame is shown, so that a
// frame whose calls are all those of the frame before (a title screen, a pause) is neither
// drawn nor shown again.
struct FrameCalls {
    std::vector<DrawCall> Current;
    std::vector<DrawCall> Previous;
    size_t Done = 0;             // calls of Current already on the picture
    bool Begun = false;          // the picture was cleared for Current
    bool HoldsPrevious = false;  // the picture is exactly what Previous drew
    bool InViewport = false;     // while drawing: a viewport is set
    // The frame's picture is skipped: nothing is recorded, and the picture keeps what it holds.
    bool Skipped = false;
};

struct Pictures {
    std::map<std::string, std::unique_ptr<TexEntry>> Cache;
    SDL_BlendMode Blend = SDL_BLENDMODE_BLEND;
    SDL_ScaleMode Scale = SDL_ScaleModeLinear;
    bool HasViewport = false;
    SDL_Rect Viewport{0, 0, kScreenW, kScreenH};
    FrameCalls Frame;
};
Pictures gPictures;

TexEntry& EntryOf(const TvTex* tex, const char* entry) {
    return *LiveHandle(tex, kTexMagic, "texture", entry).Entry;
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

// A negative `size` made positive, with `pos` moved to the other end of the span; true when it
// was negative, so that the span is drawn mirrored.
bool Unmirror(double& pos, double& size) {
    if (size < 0) {
        pos += size;
        size = -size;
        return true;
    }
    return false;
}

// One copy of a cell of `e`. A negative source size picks the cell mirrored; a negative
// destination size mirrors it in place.
void Blit(TexEntry& e, double sx, double sy, double sw, double sh, double dx, double dy, double dw,
          double dh, const SDL_FPoint* centre, double angle, double r, double g, double b,
          double a) {
    if (CurrentScreen().Renderer == nullptr || gPictures.Frame.Skipped) {
        return;
    }
    int flip = SDL_FLIP_NONE;
    if (Unmirror(sx, sw)) {
        flip ^= SDL_FLIP_HORIZONTAL;
    }
    if (Unmirror(sy, sh)) {
        flip ^= SDL_FLIP_VERTICAL;
    }
    SDL_FPoint pivot{};
    if (centre != nullptr) {
        pivot = *centre;
    }
    if (Unmirror(dx, dw)) {
        flip ^= SDL_FLIP_HORIZONTAL;
        if (centre != nullptr) {
            pivot.x += static_cast<float>(dw);
        }
    }
    if (Unmirror(dy, dh)) {
        flip ^= SDL_FLIP_VERTICAL;
        if (centre != nullptr) {
            pivot.y += static_cast<float>(dh);
        }
    }
    DrawCall call;
    call.Entry = &e;
    call.Src = SDL_Rect{ToInt(sx), ToInt(sy), ToInt(sw), ToInt(sh)};
    call.Dst = SDL_FRect{static_cast<float>(dx), static_cast<float>(dy), static_cast<float>(dw),
                         static_cast<float>(dh)};
    call.Angle = angle;
    call.Pivot = pivot;
    call.HasPivot = centre != nullptr;
    call.Flip = flip;
    call.Colour = SDL_Color{ToByte(r), ToByte(g), ToByte(b), ToByte(a)};
    call.Blend = gPictures.Blend;
    call.Scale = gPictures.Scale;
    gPictures.Frame.Current.push_back(call);
}

// SDL's software renderer turns or mirrors the whole of a sprite into a scratch picture even
// when none of it lands on the screen. A sprite whose turned bounds, with a margin for the
// renderer's rounding, lie wholly off the screen is left out: it would draw nothing.
bool MissesScreen(const DrawCall& call) {
    constexpr double kMargin = 4;
    const double w = call.Dst.w;
    const double h = call.Dst.h;
    const double px = call.HasPivot ? call.Pivot.x : w / 2;
    const double py = call.HasPivot ? call.Pivot.y : h / 2;
    const double cx = call.Dst.x + px;
    const double cy = call.Dst.y + py;
    const double turn = call.Angle * (std::numbers::pi / 180.0);
    const double c = std::cos(turn);
    const double s = std::sin(turn);
    double left = INFINITY, right = -INFINITY, top = INFINITY, bottom = -INFINITY;
    for (const auto& [x, y] :
         {std::pair{-px, -py}, {w - px, -py}, {-px, h - py}, {w - px, h - py}}) {
        const double sx = cx + x * c - y * s;
        const double sy = cy + x * s + y * c;
        left = std::min(left, sx);
        right = std::max(right, sx);
        top = std::min(top, sy);
        bottom = std::max(bottom, sy);
    }
    return right + kMargin <= 0 || bottom + kMargin <= 0 || left - kMargin >= kScreenW ||
           top - kMargin >= kScreenH;
}

void Copy(SDL_Renderer* renderer, const DrawCall& call) {
    TexEntry& e = *call.Entry;
    if (call.Angle == 0.0 && call.Flip == SDL_FLIP_NONE && call.Scale == SDL_ScaleModeLinear &&
        call.Blend == SDL_BLENDMODE_BLEND && !gPictures.Frame.InViewport &&
        DrawStretchedCell(renderer, e, call.Src, call.Dst, call.Colour)) {
        return;
    }
    if (e.Blend != call.Blend) {
        SDL_SetTextureBlendMode(e.Texture, call.Blend);
        e.Blend = call.Blend;
    }
    if (e.Scale != call.Scale) {
        SDL_SetTextureScaleMode(e.Texture, call.Scale);
        e.Scale = call.Scale;
    }
    SDL_SetTextureColorMod(e.Texture, call.Colour.r, call.Colour.g, call.Colour.b);
    SDL_SetTextureAlphaMod(e.Texture, call.Colour.a);
    // Most sprites are neither turned nor mirrored; the plain copy is much cheaper than the
    // general one in the software renderer.
    if (call.Angle == 0.0 && call.Flip == SDL_FLIP_NONE) {
        SDL_RenderCopyF(renderer, e.Texture, &call.Src, &call.Dst);
        return;
    }
    if (!gPictures.Frame.InViewport && MissesScreen(call)) {
        return;
    }
    SDL_RenderCopyExF(renderer, e.Texture, &call.Src, &call.Dst, call.Angle,
                      call.HasPivot ? &call.Pivot : nullptr,
                      static_cast<SDL_RendererFlip>(call.Flip));
}

void Carry(SDL_Renderer* renderer, const DrawCall& call) {
    switch (call.What) {
        case DrawCall::Kind::Copy:
            Copy(renderer, call);
            break;
        case DrawCall::Kind::Fill:
            SDL_SetRenderDrawBlendMode(renderer, call.Blend);
            SDL_SetRenderDrawColor(renderer, call.Colour.r, call.Colour.g, call.Colour.b,
                                   call.Colour.a);
            SDL_RenderFillRectF(renderer, &call.Dst);
            break;
        case DrawCall::Kind::Clear:
            // Fill rather than RenderClear, so that a viewport limits it like any other drawing.
            SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_NONE);
            SDL_SetRenderDrawColor(renderer, call.Colour.r, call.Colour.g, call.Colour.b, 255);
            SDL_RenderFillRect(renderer, nullptr);
            break;
        case DrawCall::Kind::Viewport:
            SDL_RenderSetViewport(renderer, call.HasPivot ? &call.Src : nullptr);
            gPictures.Frame.InViewport = call.HasPivot;
            break;
    }
}

void Record(const DrawCall& call) {
    if (CurrentScreen().Renderer != nullptr && !gPictures.Frame.Skipped) {
        gPictures.Frame.Current.push_back(call);
    }
}

void RecordViewport() {
    DrawCall call;
    call.What = DrawCall::Kind::Viewport;
    call.HasPivot = gPictures.HasViewport;
    call.Src = gPictures.Viewport;
    Record(call);
}

}  // namespace

SurfacePtr LoadPictureFile(const std::string& name, const char* entry) {
    const std::string bytes = ReadDataFile(name, entry, kMaxPictureBytes);
    try {
        SurfacePtr picture = DecodePicture(reinterpret_cast<const unsigned char*>(bytes.data()),
                                           bytes.size(), name, DataPath(name), entry);
        LetHostCatchUp();
        return picture;
    } catch (const std::bad_alloc&) {
        Raise(TV_ERR_FILE, "%s: out of memory while decoding %s (%s)", entry, name.c_str(),
              DataPath(name).c_str());
    }
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
            KeepPixelsForStretching(renderer, *entry, surface);
        }
        found = gPictures.Cache.emplace(name, std::move(entry)).first;
        LetHostCatchUp();
    }
    return *found->second;
}

SurfacePtr LoadIconPicture(uint64_t icon) {
    if (icon == 0) {
        return nullptr;
    }
    return LoadPictureFile(ToUtf8(reinterpret_cast<const TvStr*>(icon), "Init"), "Init");
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
    gPictures.Frame.Current.reserve(kUsualCallsPerFrame);
    gPictures.Frame.Previous.reserve(kUsualCallsPerFrame);
}

void ClosePictures() {
    StopPicturePrefetch();
    DropStretchedCells();
    for (auto& [name, entry] : gPictures.Cache) {
        if (entry->Texture != nullptr) {
            SDL_DestroyTexture(entry->Texture);
        }
    }
    gPictures = Pictures{};
}

void StartPicture(bool skip) {
    FrameCalls& frame = gPictures.Frame;
    if (frame.Begun && frame.Done == frame.Current.size()) {
        frame.Previous.swap(frame.Current);
        frame.HoldsPrevious = true;
    }
    frame.Current.clear();
    frame.Done = 0;
    frame.Begun = false;
    frame.Skipped = skip;
    // The viewport set in the last frame holds in this one.
    RecordViewport();
}

namespace {

// Clears the picture to black and carries out the calls not yet done.
void DrawPending() {
    SDL_Renderer* renderer = CurrentScreen().Renderer;
    FrameCalls& frame = gPictures.Frame;
    if (!frame.Begun) {
        SDL_RenderSetViewport(renderer, nullptr);
        SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
        SDL_RenderClear(renderer);
        frame.Begun = true;
        frame.HoldsPrevious = false;
        frame.InViewport = false;
        AgeStretchedCells();
    }
    for (; frame.Done < frame.Current.size(); ++frame.Done) {
        Carry(renderer, frame.Current[frame.Done]);
    }
}

}  // namespace

bool FinishPicture() {
    if (CurrentScreen().Renderer == nullptr) {
        return false;
    }
    FrameCalls& frame = gPictures.Frame;
    if (frame.Skipped || (!frame.Begun && frame.HoldsPrevious && frame.Current == frame.Previous)) {
        return false;
    }
    DrawPending();
    return true;
}

void ForgetPicture() { gPictures.Frame.HoldsPrevious = false; }

bool DrawPictureSoFar() {
    if (CurrentScreen().Renderer == nullptr || gPictures.Frame.Skipped) {
        return false;
    }
    DrawPending();
    return true;
}

bool PictureSkipped() { return gPictures.Frame.Skipped; }

}  // namespace tolvex

using namespace tolvex;

extern "C" {

TvTex* LoadTex(const TvType* type, const TvStr* path) {
    const std::string name = LoadName(type, "Tex", path, "LoadTex");
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
    Blit(e, srcX, srcY, srcW, srcH, dstX, dstY, dstW, dstH, &centre,
         angle * (180.0 / std::numbers::pi), r, g, b, a);
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
    DefaultFpEnv fp;
    DrawCall call;
    call.What = DrawCall::Kind::Clear;
    call.Colour = SDL_Color{ToByte(r), ToByte(g), ToByte(b), 255};
    Record(call);
}

void DrawRect(double x, double y, double w, double h, double r, double g, double b, double a) {
    RequireReady("DrawRect");
    DefaultFpEnv fp;
    if (w < 0) {
        x += w;
        w = -w;
    }
    if (h < 0) {
        y += h;
        h = -h;
    }
    DrawCall call;
    call.What = DrawCall::Kind::Fill;
    call.Dst = SDL_FRect{static_cast<float>(x), static_cast<float>(y), static_cast<float>(w),
                         static_cast<float>(h)};
    call.Colour = SDL_Color{ToByte(r), ToByte(g), ToByte(b), ToByte(a)};
    call.Blend = gPictures.Blend;
    Record(call);
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
    RecordViewport();
}

void ResetViewport() {
    RequireReady("ResetViewport");
    DefaultFpEnv fp;
    gPictures.HasViewport = false;
    gPictures.Viewport = SDL_Rect{0, 0, kScreenW, kScreenH};
    RecordViewport();
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
