// No WebP decoder: a desktop's pictures are PNG files.
#include "platform/WebpDecode.h"

namespace tolvex {

namespace {

constexpr const char* kNotRead = "a WebP picture, which this build does not read";

}  // namespace

const char* WebpPictureSize(const unsigned char*, size_t, int&, int&) { return kNotRead; }

const char* DecodeWebpRgba(const unsigned char*, size_t, unsigned char*, int, int) {
    return kNotRead;
}

}  // namespace tolvex
