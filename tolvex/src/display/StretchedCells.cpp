// Stretched cells kept between frames for SDL's software renderer.
//
// The renderer stretches a cell into a scratch picture at every draw (whether the cell lies
// wholly on the screen or not: it scales the whole of it with SDL_SoftStretchLinear) and then
// blends the scratch picture in. Here the scratch picture is made once, with the same routine
// from the same pixels, so it is the same to the bit; it is then blended in with the same
// blitter (same formats, same blend mode, same colour factors). Its fully transparent margins
// are left out, which blending leaves untouched anyway, and a cell that is opaque throughout is
// copied straight, which is what blending an opaque pixel amounts to.
#include <map>

#include "display/PictureEntry.h"

namespace tolvex {

namespace {

// The format of the game's pictures (RGBA bytes) whose blending onto the screen's format SDL
// does with a blitter that copies opaque pixels exactly and skips transparent ones.
constexpr Uint32 kCellFormat = SDL_PIXELFORMAT_ABGR8888;
// Cells not drawn for this many drawn frames are let go.
constexpr int64_t kKeepFrames = 120;
constexpr int64_t kAgeEveryFrames = 60;
// Pixels kept at most (32 MB), so that ever new sizes cannot make memory grow without end.
constexpr int64_t kMaxKeptPixels = 8 * 1024 * 1024;
// SDL refuses to stretch anything larger on a side.
constexpr int kMaxStretchSide = 65535;

struct CellKey {
    const TexEntry* Entry;
    int X, Y, W, H;  // the cell in the picture
    int ToW, ToH;    // its size on the screen
    auto operator<=>(const CellKey&) const = default;
};

enum class CellState { Seen, Kept, Refused };

struct Cell {
    CellState State = CellState::Seen;
    int64_t LastFrame = 0;
    SDL_Texture* Texture = nullptr;  // null when no pixel of the cell shows
    SDL_Rect Shown{};                // the part of the stretched cell that is not transparent
    bool Opaque = false;
};

struct Cells {
    std::map<CellKey, Cell> All;
    int64_t Frame = 0;
    int64_t KeptPixels = 0;
};
Cells gCells;

void Release(Cell& cell) {
    if (cell.Texture != nullptr) {
        SDL_DestroyTexture(cell.Texture);
        cell.Texture = nullptr;
        gCells.KeptPixels -= static_cast<int64_t>(cell.Shown.w) * cell.Shown.h;
    }
}

// The smallest rectangle holding every pixel that is not fully transparent (empty when there
// is none), and whether every pixel is opaque.
SDL_Rect ShownPart(const SDL_Surface& s, bool& opaque) {
    const Uint32 alpha = s.format->Amask;
    int left = s.w, right = -1, top = s.h, bottom = -1;
    opaque = true;
    for (int y = 0; y < s.h; ++y) {
        const auto* row =
            reinterpret_cast<const Uint32*>(static_cast<const Uint8*>(s.pixels) + y * s.pitch);
        int first = -1, last = -1;
        for (int x = 0; x < s.w; ++x) {
            const Uint32 a = row[x] & alpha;
            if (a != 0) {
                if (first < 0) first = x;
                last = x;
            }
            if (a != alpha) opaque = false;
        }
        if (first >= 0) {
            left = std::min(left, first);
            right = std::max(right, last);
            top = std::min(top, y);
            bottom = y;
        }
    }
    return right < 0 ? SDL_Rect{} : SDL_Rect{left, top, right - left + 1, bottom - top + 1};
}

// Stretches the cell as the renderer would and keeps the part of it that shows.
bool Make(SDL_Renderer* renderer, const TexEntry& e, const SDL_Rect& src, int w, int h,
          Cell& cell) {
    SurfacePtr stretched(SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, kCellFormat));
    if (stretched == nullptr ||
        SDL_SoftStretchLinear(e.Pixels.get(), &src, stretched.get(), nullptr) != 0) {
        return false;
    }
    cell.Shown = ShownPart(*stretched, cell.Opaque);
    const int64_t pixels = static_cast<int64_t>(cell.Shown.w) * cell.Shown.h;
    if (gCells.KeptPixels + pixels > kMaxKeptPixels) {
        return false;
    }
    cell.State = CellState::Kept;
    if (pixels == 0) {
        return true;
    }
    // Opaque, it is copied onto the screen without blending, so it takes the screen's format.
    if (cell.Opaque) {
        stretched.reset(SDL_ConvertSurfaceFormat(stretched.get(), CurrentScreen().Format, 0));
        if (stretched == nullptr) {
            return false;
        }
    }
    SDL_Texture* texture = SDL_CreateTexture(renderer, stretched->format->format,
                                             SDL_TEXTUREACCESS_STATIC, cell.Shown.w, cell.Shown.h);
    const auto* first = static_cast<const Uint8*>(stretched->pixels) +
                        cell.Shown.y * stretched->pitch + cell.Shown.x * 4;
    if (texture == nullptr || SDL_UpdateTexture(texture, nullptr, first, stretched->pitch) != 0) {
        if (texture != nullptr) SDL_DestroyTexture(texture);
        cell.State = CellState::Seen;
        return false;
    }
    cell.Texture = texture;
    gCells.KeptPixels += pixels;
    return true;
}

}  // namespace

void KeepPixelsForStretching(SDL_Renderer* renderer, TexEntry& e, SurfacePtr& decoded) {
    SDL_RendererInfo info{};
    Uint32 format = 0;
    if (SDL_GetRendererInfo(renderer, &info) == 0 && info.name != nullptr &&
        std::string_view(info.name) == "software" &&
        SDL_QueryTexture(e.Texture, &format, nullptr, nullptr, nullptr) == 0 &&
        format == kCellFormat && decoded->format->format == kCellFormat) {
        e.Pixels = std::move(decoded);
    }
}

bool DrawStretchedCell(SDL_Renderer* renderer, TexEntry& e, const SDL_Rect& src,
                       const SDL_FRect& dst, SDL_Color colour) {
    if (e.Pixels == nullptr || src.x < 0 || src.y < 0 || src.w <= 0 || src.h <= 0 ||
        src.x + src.w > e.W || src.y + src.h > e.H) {
        return false;
    }
    // As the renderer does: nothing at all when the destination misses the screen, and whole
    // pixels, cut toward zero, from there on.
    const SDL_FRect screen{0, 0, static_cast<float>(kScreenW), static_cast<float>(kScreenH)};
    if (!SDL_HasIntersectionF(&dst, &screen)) {
        return false;
    }
    const int x = static_cast<int>(dst.x);
    const int y = static_cast<int>(dst.y);
    const int w = static_cast<int>(dst.w);
    const int h = static_cast<int>(dst.h);
    if (w <= 0 || h <= 0 || w > kMaxStretchSide || h > kMaxStretchSide ||
        (w == src.w && h == src.h)) {
        return false;  // nothing to stretch, or nothing the renderer would stretch
    }
    const auto [found, fresh] =
        gCells.All.try_emplace(CellKey{&e, src.x, src.y, src.w, src.h, w, h});
    Cell& cell = found->second;
    const int64_t lastSeen = cell.LastFrame;
    cell.LastFrame = gCells.Frame;
    if (cell.State == CellState::Refused) {
        return false;
    }
    if (cell.State == CellState::Seen) {
        // Only a cell drawn again in the next frame is worth keeping.
        if (fresh || lastSeen < gCells.Frame - 1) {
            return false;
        }
        if (!Make(renderer, e, src, w, h, cell)) {
            if (cell.State == CellState::Seen) {
                cell.State = CellState::Refused;
            }
            return false;
        }
    }
    const bool plainColour =
        colour.r == 255 && colour.g == 255 && colour.b == 255 && colour.a == 255;
    if (cell.Opaque && !plainColour) {
        return false;  // kept for straight copies only
    }
    if (cell.Texture == nullptr) {
        return true;  // fully transparent: blending it changes nothing
    }
    SDL_SetTextureBlendMode(cell.Texture, cell.Opaque ? SDL_BLENDMODE_NONE : SDL_BLENDMODE_BLEND);
    SDL_SetTextureColorMod(cell.Texture, colour.r, colour.g, colour.b);
    SDL_SetTextureAlphaMod(cell.Texture, colour.a);
    const SDL_Rect to{x + cell.Shown.x, y + cell.Shown.y, cell.Shown.w, cell.Shown.h};
    SDL_RenderCopy(renderer, cell.Texture, nullptr, &to);
    return true;
}

void AgeStretchedCells() {
    ++gCells.Frame;
    if (gCells.Frame % kAgeEveryFrames != 0) {
        return;
    }
    for (auto it = gCells.All.begin(); it != gCells.All.end();) {
        if (it->second.LastFrame >= gCells.Frame - kKeepFrames) {
            ++it;
            continue;
        }
        Release(it->second);
        it = gCells.All.erase(it);
    }
}

void DropStretchedCells() {
    for (auto& [key, cell] : gCells.All) {
        Release(cell);
    }
    gCells = Cells{};
}

}  // namespace tolvex
