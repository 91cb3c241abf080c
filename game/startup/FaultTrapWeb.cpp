// Faults in WebAssembly. A trap (an invalid memory access the runtime catches, an unreachable
// point) cannot be caught by the program: the runtime aborts and reports it itself, on the
// console or on node's standard error. There are no signals to hold either.
#include <cstdio>

#include "startup/FaultTrap.h"

namespace keldo {

void InstallFaultTrap() {}

void HoldStopRequests() {}

// Standard error stays where it is here.
void SayEnding(const char* line) {
    static bool reported = false;
    if (!reported) {
        reported = true;
        std::fputs(line, stderr);
        std::fflush(stderr);
    }
}

void ShutDownAfterFault() {}

void FaultPlace(uint64_t, char* out, size_t) { out[0] = '\0'; }

bool MemoryRanOut() { return false; }

// WebAssembly has no floating-point control: arithmetic always rounds to nearest and an
// invalid operation gives a NaN instead of a trap. The game's mode (toward zero, trapping)
// cannot be set, so a seeded game can come out a little differently from the desktop's;
// within the web build the same seed and input still give the same game.
void EnterGameFpMode() {}

void LeaveGameFpMode() {}

namespace detail {

bool RunGuarded(void (*body)(void*), void* context, Fault&) {
    body(context);
    return true;
}

}  // namespace detail

}  // namespace keldo
