// Any bytes as a sound file: the header walk must neither read out of bounds nor accept a file
// without a rate, nor give a length that is not a number.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "sound/SoundCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Exactly `size` bytes, so that a read past the end is caught.
    const std::vector<unsigned char> bytes(data, data + size);
    tolvex::SoundFacts facts;
    std::string why;
    if (tolvex::InspectSound(bytes.data(), bytes.size(), facts, why)) {
        if (facts.Rate == 0 || facts.Channels == 0 || !std::isfinite(facts.MaxSeconds) ||
            facts.MaxSeconds < 0) {
            std::abort();
        }
    } else if (why.empty()) {
        std::abort();
    }
    return 0;
}
