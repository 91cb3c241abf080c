// What the library draws over the game's picture in its own hand: text from its own font sheet
// (never the game's font, which is the game's), the notices for the player and the pause menu.
#pragma once

#include <SDL.h>

#include <string_view>

namespace tolvex {

// The font sheet's cells; text drawn at scale 1 is as sharp as the sheet.
constexpr int kGlyphW = 32;
constexpr int kGlyphH = 64;
// The font is monospaced narrower than its cells: text steps this far from glyph to glyph.
constexpr int kGlyphAdvance = 26;

// `text` (printable ASCII; anything else shows as '?') with its top left at (x, y), each glyph
// `scale` times its cell, tinted `colour`. Nothing when the sheet could not be loaded (one
// warning says so).
void DrawText(SDL_Renderer* renderer, int x, int y, std::string_view text, double scale,
              SDL_Color colour);
int TextWidth(std::string_view text, double scale);
// A box in the style of the pause label: dark, see-through, with a gold edge.
void DrawBox(SDL_Renderer* renderer, const SDL_Rect& box);

// The notices said since the last call join those on show, and those shown long enough go;
// true when what is on show changed.
bool RefreshNotices();
bool NoticeShowing();
void DrawNotices(SDL_Renderer* renderer);

void CloseOverlay();

}  // namespace tolvex
