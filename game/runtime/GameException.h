// The game's own fatal conditions. Each carries the numeric code by which the
// top-level handler reports it.
#pragma once

#include <cstdint>
#include <string>

namespace keldo {

constexpr int64_t kErrRuntimeMissing = 3001;  // the library file or one of its entries is missing
constexpr int64_t kErrBadCopy = 3004;         // an object copy met an object of the wrong class
constexpr int64_t kErrTexNotFromRuntime = 3008;  // a texture made other than by the library

struct GameException {
    int64_t Code;
    std::string Detail;
};

// The cell whose address the library receives in the start-up record: the place of
// the first raise that nobody has handled yet, 0 when none.
extern uint64_t LastExceptionAddress;

// Records the raise site (if no earlier raise is pending) and throws.
[[noreturn]] void RaiseGameException(int64_t code, std::string detail);

}  // namespace keldo
