// Elsewhere SDL's accelerated renderers are OpenGL ones, which Window.cpp asks itself.
#include "platform/Adapter.h"

namespace tolvex {

bool AdapterDrawsOnCpu(SDL_Renderer*) { return false; }

}  // namespace tolvex
