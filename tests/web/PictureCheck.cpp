// The page's pictures through the web build's own decoder: each of the page's copies (WebP where
// that is smaller) gives the very pixels of the desktop's PNG, and a broken WebP file fails as a
// broken PNG does, with one TV_ERR_FILE naming it and the cause.
//
//   node keldo-picture-check.js PAGE_DATA_DIR DESKTOP_DATA_DIR
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Tolvex.h"
#include "core/Screen.h"

namespace fs = std::filesystem;

namespace {

int gPassed = 0;
int gFailed = 0;

void Check(bool ok, const std::string& what) {
    std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
    ++(ok ? gPassed : gFailed);
}

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

tolvex::SurfacePtr Decode(const std::string& bytes, const std::string& name) {
    return tolvex::DecodePicture(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                                 name, name, "LoadTex");
}

// The message of the error that decoding raises, or "" when it decodes.
std::string Refusal(const std::string& bytes, const std::string& name) {
    try {
        Decode(bytes, name);
    } catch (const TvError& error) {
        return error.Code == TV_ERR_FILE ? error.Message
                                         : "not a file error: " + std::string(error.Message);
    }
    return "";
}

bool SamePixels(const SDL_Surface& a, const SDL_Surface& b) {
    if (a.w != b.w || a.h != b.h || a.format->format != b.format->format) {
        return false;
    }
    const size_t row = static_cast<size_t>(a.w) * a.format->BytesPerPixel;
    for (int y = 0; y < a.h; ++y) {
        if (std::memcmp(static_cast<const char*>(a.pixels) + static_cast<size_t>(y) * a.pitch,
                        static_cast<const char*>(b.pixels) + static_cast<size_t>(y) * b.pitch,
                        row) != 0) {
            return false;
        }
    }
    return true;
}

std::string Le(uint32_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>(value >> (8 * i)));
    }
    return out;
}

// A WebP file that is nothing but its extended header: a few dozen bytes that claim any size
// (and, with the flag, to be animated).
std::string WebpClaiming(uint32_t width, uint32_t height, bool animated = false) {
    constexpr uint8_t kAnimationFlag = 0x02;
    const std::string vp8x = std::string("VP8X") + Le(10, 4) +
                             Le(animated ? kAnimationFlag : 0, 4) + Le(width - 1, 3) +
                             Le(height - 1, 3);
    return "RIFF" + Le(static_cast<uint32_t>(4 + vp8x.size()), 4) + "WEBP" + vp8x;
}

bool IsWebp(const std::string& bytes) {
    return bytes.size() >= 12 && bytes.compare(0, 4, "RIFF") == 0 &&
           bytes.compare(8, 4, "WEBP") == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: keldo-picture-check PAGE_DATA_DIR DESKTOP_DATA_DIR\n");
        return 2;
    }
    const fs::path page = argv[1];
    const fs::path desktop = argv[2];

    std::string webp;  // the largest of the page's WebP pictures, to break
    int pictures = 0;
    int asWebp = 0;
    for (const auto& file : fs::directory_iterator(page)) {
        const std::string name = file.path().filename().string();
        const std::string ext = file.path().extension().string();
        if (ext != ".vstex" && ext != ".png") {
            continue;
        }
        const std::string ours = ReadBytes(file.path());
        ++pictures;
        if (IsWebp(ours)) {
            ++asWebp;
            if (ours.size() > webp.size()) {
                webp = ours;
            }
        }
        try {
            const tolvex::SurfacePtr a = Decode(ours, name);
            const tolvex::SurfacePtr b = Decode(ReadBytes(desktop / name), name);
            Check(SamePixels(*a, *b), name + " (" + (IsWebp(ours) ? "WebP" : "PNG") +
                                          "): the desktop's pixels, " + std::to_string(a->w) + "x" +
                                          std::to_string(a->h));
        } catch (const TvError& error) {
            Check(false, name + ": " + error.Message);
        }
    }
    Check(pictures > 0 && asWebp > 0, std::to_string(asWebp) + " of the page's " +
                                          std::to_string(pictures) + " pictures are WebP");
    if (webp.empty()) {
        return 1;
    }

    // Garbage in the middle of the picture's data, and a lossless stream's first byte wrong.
    std::string damaged = webp;
    for (size_t i = damaged.size() / 4; i < damaged.size() * 3 / 4; ++i) {
        damaged[i] = static_cast<char>(0x5a);
    }
    std::string unmarked = webp;
    const size_t lossless = unmarked.find("VP8L");
    if (lossless == std::string::npos) {
        Check(false, "the page's WebP pictures are lossless");
        return 1;
    }
    constexpr size_t kChunkHeaderBytes = 8;
    unmarked[lossless + kChunkHeaderBytes] = 0;
    struct Case {
        const char* Name;
        std::string Bytes;
        const char* Cause;
    };
    const Case cases[] = {
        {"empty.vstex", "", "is empty"},
        {"riff.vstex", "RIFF" + Le(4, 4) + "WAVE", "not a PNG or WebP picture"},
        {"header.vstex", webp.substr(0, 12), "truncated"},
        {"truncated.vstex", webp.substr(0, webp.size() / 2), "truncated"},
        {"damaged.vstex", damaged, "broken"},
        {"unsigned.vstex", unmarked, "broken"},
        {"huge.vstex", WebpClaiming(16384, 16384),
         "16384x16384, more than the 16777216 pixels allowed"},
        {"long.vstex", WebpClaiming(20000, 1), "20000x1, larger than 16384 on a side"},
        {"animated.vstex", WebpClaiming(8, 8, true), "animated"},
    };
    for (const Case& c : cases) {
        const std::string why = Refusal(c.Bytes, c.Name);
        Check(why.find(c.Name) != std::string::npos && why.find(c.Cause) != std::string::npos,
              std::string(c.Name) + " is refused for its cause (" + c.Cause +
                  "): " + (why.empty() ? "it decoded" : why));
    }

    std::printf("%d passed, %d failed\n", gPassed, gFailed);
    return gFailed == 0 ? 0 : 1;
}
