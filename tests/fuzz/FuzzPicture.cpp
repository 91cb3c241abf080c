// Any bytes as a picture file, through the library's own decode path: either a TV_ERR_FILE
// error or a surface whose every pixel row can be read.
#include <SDL_image.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "Tolvex.h"
#include "core/Screen.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    IMG_Init(IMG_INIT_PNG);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exact-size copy, so that the decoder reading past the end is caught.
    const std::vector<unsigned char> bytes(data, data + size);
    try {
        const tolvex::SurfacePtr surface = tolvex::DecodePicture(
            bytes.data(), bytes.size(), "fuzz.vstex", "fuzz.vstex", "LoadTex");
        if (surface == nullptr || surface->w <= 0 || surface->h <= 0 ||
            surface->pitch < surface->w * surface->format->BytesPerPixel) {
            std::abort();
        }
        const auto* pixels = static_cast<const unsigned char*>(surface->pixels);
        unsigned sum = 0;
        for (int y = 0; y < surface->h; ++y) {
            const unsigned char* row = pixels + static_cast<size_t>(y) * surface->pitch;
            sum += row[0] + row[surface->w * surface->format->BytesPerPixel - 1];
        }
        volatile unsigned sink = sum;
        (void)sink;
    } catch (const TvError& error) {
        if (error.Code != TV_ERR_FILE) {
            std::abort();
        }
    }
    return 0;
}
