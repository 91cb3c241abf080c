#include "OggCheck.h"

#include <cstring>

namespace tolvex {

namespace {

constexpr size_t kPageHeader = 27;
constexpr size_t kIdentPacket = 30;
constexpr unsigned kLacingEnd = 255;  // a lacing value below this ends a packet

uint32_t Le32(const unsigned char* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

}  // namespace

bool InspectOggVorbis(const unsigned char* bytes, size_t size, OggFacts& facts, std::string& why) {
    facts = OggFacts{};
    if (size < 4 || std::memcmp(bytes, "OggS", 4) != 0) {
        why = "is not an Ogg Vorbis sound";
        return false;
    }
    uint64_t packets = 0;
    size_t at = 0;
    bool first = true;
    unsigned blockLong = 0;
    while (at < size) {
        if (size - at < kPageHeader || std::memcmp(bytes + at, "OggS", 4) != 0) {
            why = "is truncated or broken: a page is cut short";
            return false;
        }
        const size_t segments = bytes[at + 26];
        if (size - at - kPageHeader < segments) {
            why = "is truncated or broken: a page is cut short";
            return false;
        }
        const unsigned char* lacing = bytes + at + kPageHeader;
        size_t body = 0;
        for (size_t i = 0; i < segments; ++i) {
            body += lacing[i];
            if (lacing[i] < kLacingEnd) {
                ++packets;
            }
        }
        const size_t bodyAt = at + kPageHeader + segments;
        if (size - bodyAt < body) {
            why = "is truncated or broken: a page is cut short";
            return false;
        }
        if (first) {
            // The identification header: "\1vorbis", version, channels, rate, bitrates, and
            // the two block sizes as powers of two.
            const unsigned char* ident = bytes + bodyAt;
            if (body < kIdentPacket || std::memcmp(ident, "\x01vorbis", 7) != 0) {
                why = "is an Ogg file but not a Vorbis sound";
                return false;
            }
            facts.Channels = ident[11];
            facts.Rate = Le32(ident + 12);
            blockLong = 1u << (ident[28] >> 4);
            if (facts.Channels == 0 || facts.Rate == 0 || (ident[28] >> 4) > 13) {
                why = "is broken: its header gives no channels, rate or block size";
                return false;
            }
            first = false;
        }
        at = bodyAt + body;
    }
    // Each packet adds at most half a long block to the output.
    facts.MaxSeconds = static_cast<double>(packets) * (blockLong / 2) / facts.Rate;
    return true;
}

}  // namespace tolvex
