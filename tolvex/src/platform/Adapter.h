// Whether an accelerated renderer draws on the CPU after all, asked of the platform's own
// drawing interface (Direct3D on Windows) through what its adapter reports, never by timing.
// OpenGL's answer is read where the window is made.
#pragma once

#include <SDL.h>

namespace tolvex {

bool AdapterDrawsOnCpu(SDL_Renderer* renderer);

}  // namespace tolvex
