// The library's own text and the notices over the picture: a warning that costs the player
// something, or a screenshot taken, said on standard error is lost on a double-click start, a
// desktop launcher or a page, so it is also shown for a few seconds over the game.
#include "display/Overlay.h"

#include <algorithm>
#include <deque>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/Errors.h"
#include "core/Screen.h"
#include "files/UserFiles.h"
#include "platform/Platform.h"

namespace tolvex {

namespace {

constexpr const char* kFontFile = "menu_font.png";
constexpr int kFirstGlyph = 32;
constexpr int kLastGlyph = 126;
constexpr int kSheetColumns = 16;
constexpr SDL_Color kBoxFill{27, 21, 48, 184};
constexpr SDL_Color kBoxEdge{242, 182, 50, 255};
constexpr int kEdge = 6;

constexpr int64_t kNoticeShownNs = 6'000'000'000;
// A few at once, each cut to a line: more would hide the game.
constexpr size_t kNoticesShown = 3;
constexpr size_t kNoticesWaiting = 2 * kNoticesShown;
constexpr size_t kNoticeLines = 2;
constexpr double kNoticeScale = 0.625;
constexpr int kNoticeMargin = 24;
constexpr int kNoticeLineGap = 8;
constexpr SDL_Color kNoticeColour{244, 248, 255, 255};

struct OverlayState {
    SDL_Texture* Font = nullptr;
    bool FontTried = false;
    struct Shown {
        std::string Text;
        int64_t Since = 0;
    };
    std::deque<Shown> Notices;
};
OverlayState gOverlay;

SDL_Texture* Font() {
    if (!gOverlay.FontTried) {
        gOverlay.FontTried = true;
        const bool recording = RecordRaiseSites(false);
        try {
            const SurfacePtr sheet = LoadPictureFile(kFontFile, "Act");
            gOverlay.Font = SDL_CreateTextureFromSurface(CurrentScreen().Renderer, sheet.get());
        } catch (const TvError& e) {
            Warn(std::string(e.Message) + "; the pause menu and notices show no text");
        }
        RecordRaiseSites(recording);
    }
    return gOverlay.Font;
}

// A notice in lines that fit across the picture, broken between words, at most
// kNoticeLines of them, the last one ending in "..." where it was cut.
std::vector<std::string> Lines(const std::string& text) {
    const size_t room =
        static_cast<size_t>((kScreenW - 4 * kNoticeMargin) / (kGlyphAdvance * kNoticeScale));
    std::vector<std::string> lines;
    std::string_view rest = text;
    while (!rest.empty() && lines.size() < kNoticeLines) {
        size_t cut = rest.size() <= room ? rest.size() : rest.rfind(' ', room);
        if (cut == std::string_view::npos || cut == 0) {
            cut = std::min(room, rest.size());
        }
        lines.emplace_back(rest.substr(0, cut));
        rest.remove_prefix(cut);
        while (!rest.empty() && rest.front() == ' ') {
            rest.remove_prefix(1);
        }
    }
    if (!rest.empty()) {
        std::string& last = lines.back();
        last = last.substr(0, std::min(last.size(), room - 3)) + "...";
    }
    return lines;
}

}  // namespace

void DrawText(SDL_Renderer* renderer, int x, int y, std::string_view text, double scale,
              SDL_Color colour) {
    SDL_Texture* font = Font();
    if (font == nullptr) {
        return;
    }
    SDL_SetTextureColorMod(font, colour.r, colour.g, colour.b);
    SDL_SetTextureAlphaMod(font, colour.a);
    const int w = static_cast<int>(kGlyphW * scale);
    const int h = static_cast<int>(kGlyphH * scale);
    for (const char c : text) {
        const int code = c < kFirstGlyph || c > kLastGlyph ? '?' : c;
        const int cell = code - kFirstGlyph;
        const SDL_Rect from{cell % kSheetColumns * kGlyphW, cell / kSheetColumns * kGlyphH, kGlyphW,
                            kGlyphH};
        const SDL_Rect to{x, y, w, h};
        if (c != ' ') {
            SDL_RenderCopy(renderer, font, &from, &to);
        }
        x += static_cast<int>(kGlyphAdvance * scale);
    }
}

int TextWidth(std::string_view text, double scale) {
    return static_cast<int>(text.size()) * static_cast<int>(kGlyphAdvance * scale);
}

void DrawBox(SDL_Renderer* renderer, const SDL_Rect& box) {
    SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_BLEND);
    SDL_SetRenderDrawColor(renderer, kBoxFill.r, kBoxFill.g, kBoxFill.b, kBoxFill.a);
    SDL_RenderFillRect(renderer, &box);
    SDL_SetRenderDrawColor(renderer, kBoxEdge.r, kBoxEdge.g, kBoxEdge.b, kBoxEdge.a);
    const SDL_Rect edges[] = {{box.x, box.y, box.w, kEdge},
                              {box.x, box.y + box.h - kEdge, box.w, kEdge},
                              {box.x, box.y, kEdge, box.h},
                              {box.x + box.w - kEdge, box.y, kEdge, box.h}};
    SDL_RenderFillRects(renderer, edges, static_cast<int>(std::size(edges)));
}

bool RefreshNotices() {
    const int64_t now = MonotonicNs();
    bool changed = false;
    for (std::string& text : TakeNotices()) {
        // A burst (a held screenshot key) shows its first few; the rest would only queue up.
        if (gOverlay.Notices.size() < kNoticesWaiting) {
            gOverlay.Notices.push_back({std::move(text), 0});
            changed = true;
        }
    }
    auto& shown = gOverlay.Notices;
    while (!shown.empty() && shown.front().Since != 0 &&
           now - shown.front().Since > kNoticeShownNs) {
        shown.pop_front();
        changed = true;
    }
    // The clock of a notice starts when it comes on show, not when it was said.
    for (size_t i = 0; i < std::min(shown.size(), kNoticesShown); ++i) {
        if (shown[i].Since == 0) {
            shown[i].Since = now;
        }
    }
    return changed;
}

bool NoticeShowing() { return !gOverlay.Notices.empty(); }

void DrawNotices(SDL_Renderer* renderer) {
    std::vector<std::string> lines;
    for (size_t i = 0; i < std::min(gOverlay.Notices.size(), kNoticesShown); ++i) {
        for (std::string& line : Lines(gOverlay.Notices[i].Text)) {
            lines.push_back(std::move(line));
        }
    }
    if (lines.empty()) {
        return;
    }
    const int step = static_cast<int>(kGlyphH * kNoticeScale) + kNoticeLineGap;
    const int height = static_cast<int>(lines.size()) * step + 2 * kNoticeMargin - kNoticeLineGap;
    DrawBox(renderer, {kNoticeMargin, kScreenH - kNoticeMargin - height,
                       kScreenW - 2 * kNoticeMargin, height});
    for (size_t i = 0; i < lines.size(); ++i) {
        DrawText(renderer, 2 * kNoticeMargin, kScreenH - height + static_cast<int>(i) * step,
                 lines[i], kNoticeScale, kNoticeColour);
    }
}

void CloseOverlay() {
    if (gOverlay.Font != nullptr) {
        SDL_DestroyTexture(gOverlay.Font);
    }
    gOverlay = OverlayState{};
}

}  // namespace tolvex
