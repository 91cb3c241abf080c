// What an Ogg Vorbis file claims about itself, read from its pages before any decoder sees
// it: the decoders trust the file and will fill memory with whatever length it works out to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tolvex {

struct OggFacts {
    uint32_t Rate = 0;
    unsigned Channels = 0;
    // No decoder can get more than this out of the file's packets, whatever its pages say.
    double MaxSeconds = 0;
};

// False, with the reason in `why`, when the bytes are not a whole Ogg Vorbis stream.
bool InspectOggVorbis(const unsigned char* bytes, size_t size, OggFacts& facts, std::string& why);

}  // namespace tolvex
