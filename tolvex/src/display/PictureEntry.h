// A loaded picture as the drawing code keeps it (Picture.cpp), and the stretched cells that the
// software renderer keeps between frames (StretchedCells.cpp).
#pragma once

#include <SDL.h>

#include <string>

#include "core/Screen.h"

namespace tolvex {

struct TexEntry {
    std::string Name;
    SDL_Texture* Texture = nullptr;  // null when nothing is rasterised
    int W = 0;
    int H = 0;
    SDL_BlendMode Blend = SDL_BLENDMODE_BLEND;
    SDL_ScaleMode Scale = SDL_ScaleModeLinear;
    // The texture's own pixels, kept for the software renderer so that its cells can be
    // stretched once and kept (null otherwise).
    SurfacePtr Pixels;
};

// For SDL's software renderer, which stretches a cell anew every time it is drawn: a cell drawn
// at the same size frame after frame is stretched once, with the very routine the renderer
// uses, and kept with its fully transparent margins cut away, to be copied pixel for pixel from
// then on, without blending where it is opaque. The picture is exactly the same. Returns false
// when the draw is not one it can take (turned, mirrored, nearest filtering, another blend mode,
// a viewport, a new size): the caller draws it as usual.
bool DrawStretchedCell(SDL_Renderer* renderer, TexEntry& e, const SDL_Rect& src,
                       const SDL_FRect& dst, SDL_Color colour);
// Keeps the decoded pixels of a picture in `e` (taking them from `decoded`) when its cells can be
// stretched ahead for `renderer`.
void KeepPixelsForStretching(SDL_Renderer* renderer, TexEntry& e, SurfacePtr& decoded);
// Once a drawn frame: forgets the cells that have not been drawn for a while.
void AgeStretchedCells();
void DropStretchedCells();

}  // namespace tolvex
