// Whether a renderer draws on the CPU after all, from what its adapter reports, never from a
// timing: OpenGL's renderer string, and on Windows the Direct3D adapter (the platform's file).
#pragma once

#include <SDL.h>

namespace tolvex {

// Whether a renderer's or an adapter's name is that of a rasteriser on the CPU (Mesa's
// llvmpipe, Microsoft's Basic Render Driver, ...).
bool NamesCpuRasteriser(const char* name);

// Whether the current OpenGL context's renderer is such a rasteriser.
bool CurrentGlOnCpu();

// Whether an accelerated renderer that is not an OpenGL one rasterises on the CPU.
bool AdapterDrawsOnCpu(SDL_Renderer* renderer);

}  // namespace tolvex
