// PNG or WebP bytes to a surface, told apart by their first bytes, with the checks that turn a
// bad file into a TV_ERR_FILE.
#include <png.h>

#include <cstring>

#include "core/Errors.h"
#include "core/Screen.h"
#include "platform/WebpDecode.h"

namespace tolvex {

namespace {

constexpr unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// A RIFF container (its length in the four bytes between) that holds a WebP picture.
constexpr unsigned char kRiffTag[4] = {'R', 'I', 'F', 'F'};
constexpr unsigned char kWebpTag[4] = {'W', 'E', 'B', 'P'};
constexpr size_t kWebpTagAt = 8;
constexpr size_t kRiffHeaderBytes = kWebpTagAt + sizeof kWebpTag;

bool IsPng(const unsigned char* bytes, size_t size) {
    return size >= sizeof kPngSignature &&
           std::memcmp(bytes, kPngSignature, sizeof kPngSignature) == 0;
}

bool IsWebp(const unsigned char* bytes, size_t size) {
    return size >= kRiffHeaderBytes && std::memcmp(bytes, kRiffTag, sizeof kRiffTag) == 0 &&
           std::memcmp(bytes + kWebpTagAt, kWebpTag, sizeof kWebpTag) == 0;
}

// Refused before a surface of that size is asked for: a small file can claim a picture of
// gigabytes.
void CheckPictureSize(uint64_t width, uint64_t height, const std::string& name,
                      const std::string& path, const char* entry) {
    if (width > kMaxPictureSide || height > kMaxPictureSide) {
        Raise(TV_ERR_FILE, "%s: %s is %llux%llu, larger than %u on a side (%s)", entry,
              name.c_str(), static_cast<unsigned long long>(width),
              static_cast<unsigned long long>(height), kMaxPictureSide, path.c_str());
    }
    if (width * height > kMaxPicturePixels) {
        Raise(TV_ERR_FILE, "%s: %s is %llux%llu, more than the %llu pixels allowed (%s)", entry,
              name.c_str(), static_cast<unsigned long long>(width),
              static_cast<unsigned long long>(height),
              static_cast<unsigned long long>(kMaxPicturePixels), path.c_str());
    }
}

// Every decoder fills the same kind of surface: four bytes a pixel, red first in memory.
SurfacePtr NewPictureSurface(int width, int height, const std::string& name,
                             const std::string& path, const char* entry) {
    SurfacePtr surface(
        SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_RGBA32));
    if (surface == nullptr) {
        Raise(TV_ERR_FILE, "%s: %s is %dx%d, too large to hold: %s (%s)", entry, name.c_str(),
              width, height, SDL_GetError(), path.c_str());
    }
    return surface;
}

SurfacePtr DecodePng(const unsigned char* bytes, size_t size, const std::string& name,
                     const std::string& path, const char* entry) {
    // Walk the chunks before the decoder does: it trusts each chunk's length and, on a
    // short file, goes on checksumming up to 2 GB of nothing. Every chunk must lie within
    // the file, and the picture must end with IEND.
    size_t at = sizeof kPngSignature;
    bool ended = false;
    while (!ended && size - at >= 12) {
        const uint32_t length = static_cast<uint32_t>(bytes[at]) << 24 |
                                static_cast<uint32_t>(bytes[at + 1]) << 16 |
                                static_cast<uint32_t>(bytes[at + 2]) << 8 | bytes[at + 3];
        if (length > size - at - 12) {
            break;
        }
        ended = std::memcmp(bytes + at + 4, "IEND", 4) == 0;
        at += 12 + static_cast<size_t>(length);
    }
    if (!ended) {
        Raise(TV_ERR_FILE, "%s: %s is truncated or broken: a chunk runs past the end (%s)", entry,
              name.c_str(), path.c_str());
    }
    // libpng's simplified reader keeps its complaints in the image record instead of
    // printing them, so a broken picture gives one message: ours.
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_memory(&image, bytes, size) == 0) {
        Raise(TV_ERR_FILE, "%s: %s is broken: %s (%s)", entry, name.c_str(), image.message,
              path.c_str());
    }
    SurfacePtr surface;
    try {
        CheckPictureSize(image.width, image.height, name, path, entry);
        surface = NewPictureSurface(static_cast<int>(image.width), static_cast<int>(image.height),
                                    name, path, entry);
    } catch (...) {
        png_image_free(&image);
        throw;
    }
    image.format = PNG_FORMAT_RGBA;
    if (png_image_finish_read(&image, nullptr, surface->pixels, surface->pitch, nullptr) == 0) {
        Raise(TV_ERR_FILE, "%s: %s is broken: %s (%s)", entry, name.c_str(), image.message,
              path.c_str());
    }
    return surface;
}

SurfacePtr DecodeWebp(const unsigned char* bytes, size_t size, const std::string& name,
                      const std::string& path, const char* entry) {
    int width = 0;
    int height = 0;
    if (const char* why = WebpPictureSize(bytes, size, width, height)) {
        Raise(TV_ERR_FILE, "%s: %s is %s (%s)", entry, name.c_str(), why, path.c_str());
    }
    CheckPictureSize(static_cast<uint64_t>(width), static_cast<uint64_t>(height), name, path,
                     entry);
    SurfacePtr surface = NewPictureSurface(width, height, name, path, entry);
    if (const char* why = DecodeWebpRgba(bytes, size, static_cast<unsigned char*>(surface->pixels),
                                         surface->pitch, surface->h)) {
        Raise(TV_ERR_FILE, "%s: %s is %s (%s)", entry, name.c_str(), why, path.c_str());
    }
    return surface;
}

}  // namespace

SurfacePtr DecodePicture(const unsigned char* bytes, size_t size, const std::string& name,
                         const std::string& path, const char* entry) {
    if (size == 0) {
        Raise(TV_ERR_FILE, "%s: %s is empty (%s)", entry, name.c_str(), path.c_str());
    }
    if (size > static_cast<size_t>(INT32_MAX)) {
        Raise(TV_ERR_FILE, "%s: %s is too large (%s)", entry, name.c_str(), path.c_str());
    }
    if (IsPng(bytes, size)) {
        return DecodePng(bytes, size, name, path, entry);
    }
    if (IsWebp(bytes, size)) {
        return DecodeWebp(bytes, size, name, path, entry);
    }
    Raise(TV_ERR_FILE, "%s: %s is not a PNG or WebP picture (%s)", entry, name.c_str(),
          path.c_str());
}

bool EncodePicture(SDL_Surface& rgb24, std::vector<unsigned char>& bytes, std::string& why) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(rgb24.w);
    image.height = static_cast<png_uint_32>(rgb24.h);
    image.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    // One byte a component, so the stride in components is the pitch in bytes.
    const png_int_32 stride = rgb24.pitch;
    if (png_image_write_get_memory_size(image, size, 0, rgb24.pixels, stride, nullptr) != 0) {
        bytes.resize(size);
        if (png_image_write_to_memory(&image, bytes.data(), &size, 0, rgb24.pixels, stride,
                                      nullptr) != 0) {
            bytes.resize(size);
            return true;
        }
    }
    why = image.message;
    return false;
}

std::vector<unsigned char> EncodePicture(SDL_Surface& rgb24) {
    std::vector<unsigned char> bytes;
    std::string why;
    if (!EncodePicture(rgb24, bytes, why)) {
        Raise(TV_ERR_PLATFORM, "Act: cannot encode the picture: %s", why.c_str());
    }
    return bytes;
}

}  // namespace tolvex
