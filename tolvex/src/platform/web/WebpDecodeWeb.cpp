// The page's pictures come as lossless WebP: libwebp's decoder, linked into the program.
#include <webp/decode.h>

#include "platform/WebpDecode.h"

namespace tolvex {

namespace {

// The decoder's verdict in the words of a picture that will not load.
const char* Why(VP8StatusCode status) {
    switch (status) {
        case VP8_STATUS_OK:
            return nullptr;
        case VP8_STATUS_NOT_ENOUGH_DATA:
            return "truncated: the WebP data ends early";
        case VP8_STATUS_UNSUPPORTED_FEATURE:
            return "a WebP picture of a kind not read here (animated, or of a newer format)";
        case VP8_STATUS_OUT_OF_MEMORY:
            return "too large to hold";
        default:
            return "broken: the WebP data is damaged";
    }
}

}  // namespace

const char* WebpPictureSize(const unsigned char* bytes, size_t size, int& width, int& height) {
    WebPBitstreamFeatures features{};
    if (const char* why = Why(WebPGetFeatures(bytes, size, &features))) {
        return why;
    }
    if (features.has_animation) {
        return Why(VP8_STATUS_UNSUPPORTED_FEATURE);
    }
    width = features.width;
    height = features.height;
    return nullptr;
}

const char* DecodeWebpRgba(const unsigned char* bytes, size_t size, unsigned char* pixels,
                           int pitch, int height) {
    WebPDecoderConfig config;
    if (WebPInitDecoderConfig(&config) == 0) {
        return "unreadable: the WebP decoder was built for another version";
    }
    config.output.colorspace = MODE_RGBA;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = pixels;
    config.output.u.RGBA.stride = pitch;
    config.output.u.RGBA.size = static_cast<size_t>(pitch) * static_cast<size_t>(height);
    const char* why = Why(WebPDecode(bytes, size, &config));
    WebPFreeDecBuffer(&config.output);
    return why;
}

}  // namespace tolvex
