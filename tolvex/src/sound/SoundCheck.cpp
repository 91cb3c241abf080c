#include "sound/SoundCheck.h"

#include <cstring>

namespace tolvex {

namespace {

constexpr size_t kPageHeader = 27;
constexpr size_t kIdentPacket = 30;
constexpr unsigned kLacingEnd = 255;  // a lacing value below this ends a packet

constexpr size_t kRiffHeader = 12;
constexpr size_t kChunkHeader = 8;
constexpr size_t kWaveFormat = 16;
constexpr unsigned kWavePcm = 1;
constexpr unsigned kWaveFloat = 3;

uint32_t Le32(const unsigned char* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

unsigned Le16(const unsigned char* p) { return unsigned{p[0]} | unsigned{p[1]} << 8; }

bool InspectOggVorbis(const unsigned char* bytes, size_t size, SoundFacts& facts,
                      std::string& why) {
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

// Uncompressed samples only: their count is the data's size, which must lie in the file.
bool InspectWave(const unsigned char* bytes, size_t size, SoundFacts& facts, std::string& why) {
    size_t at = kRiffHeader;
    unsigned bytesPerFrame = 0;
    while (size - at >= kChunkHeader) {
        const unsigned char* chunk = bytes + at;
        const uint32_t length = Le32(chunk + 4);
        if (length > size - at - kChunkHeader) {
            why = "is truncated or broken: a chunk runs past the end";
            return false;
        }
        const unsigned char* body = chunk + kChunkHeader;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            const unsigned format = length >= kWaveFormat ? Le16(body) : 0;
            if (format != kWavePcm && format != kWaveFloat) {
                why = "is a WAV file of compressed or unknown samples";
                return false;
            }
            facts.Channels = Le16(body + 2);
            facts.Rate = Le32(body + 4);
            bytesPerFrame = facts.Channels * ((Le16(body + 14) + 7) / 8);
            if (facts.Channels == 0 || facts.Rate == 0 || bytesPerFrame == 0) {
                why = "is broken: its header gives no channels, rate or sample size";
                return false;
            }
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (bytesPerFrame == 0) {
                why = "is broken: its samples come before their format";
                return false;
            }
            facts.MaxSeconds = static_cast<double>(length) / bytesPerFrame / facts.Rate;
            return true;
        }
        at += kChunkHeader + length + (length & 1);
        if (at > size) {
            break;
        }
    }
    why = "is truncated or broken: it has no samples";
    return false;
}

}  // namespace

bool InspectSound(const unsigned char* bytes, size_t size, SoundFacts& facts, std::string& why) {
    facts = SoundFacts{};
    if (size >= 4 && std::memcmp(bytes, "OggS", 4) == 0) {
        return InspectOggVorbis(bytes, size, facts, why);
    }
    if (size >= kRiffHeader && std::memcmp(bytes, "RIFF", 4) == 0 &&
        std::memcmp(bytes + 8, "WAVE", 4) == 0) {
        return InspectWave(bytes, size, facts, why);
    }
    why = "is not an Ogg Vorbis or WAV sound";
    return false;
}

}  // namespace tolvex
