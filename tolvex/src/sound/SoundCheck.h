// What a sound file claims about itself, read before any decoder sees it: the decoders trust
// the file and will fill memory with whatever length it works out to. Two kinds are taken,
// Ogg Vorbis and plain WAV (PCM or floating-point samples); the mixer knows more, and one of
// those fails without a word.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tolvex {

struct SoundFacts {
    uint32_t Rate = 0;
    unsigned Channels = 0;
    // No decoder can get more than this out of the file, whatever its headers say.
    double MaxSeconds = 0;
};

// False, with the reason in `why` (said of the file: "is not ..."), when the bytes are not a
// whole sound of a kind we take.
bool InspectSound(const unsigned char* bytes, size_t size, SoundFacts& facts, std::string& why);

}  // namespace tolvex
