#include "platform/Adapter.h"

#include <cstring>

namespace tolvex {

namespace {

constexpr const char* kCpuRasterisers[] = {
    "llvmpipe",     "softpipe",    "swrast",     "Software Rasterizer",
    "Basic Render", "SwiftShader", "GDI Generic"};

}  // namespace

bool NamesCpuRasteriser(const char* name) {
    for (const char* cpu : kCpuRasterisers) {
        if (std::strstr(name, cpu) != nullptr) {
            return true;
        }
    }
    return false;
}

bool CurrentGlOnCpu() {
    // glGetString is all we need of OpenGL.
    constexpr unsigned kGlRendererName = 0x1F01;
    using GetString = const unsigned char* (*)(unsigned);
    const auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    const char* name =
        getString == nullptr ? nullptr : reinterpret_cast<const char*>(getString(kGlRendererName));
    return name != nullptr && NamesCpuRasteriser(name);
}

}  // namespace tolvex
