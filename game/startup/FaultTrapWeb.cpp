// Faults in WebAssembly. A trap (an invalid memory access the runtime catches, an unreachable
// point) cannot be caught by the program: the runtime aborts and reports it itself, on the
// console or on node's standard error. There are no signals to hold either. The game's
// floating-point mode is the web build's own (SoftFpu.h), and so is its invalid operation.
#include <SoftFpu.h>
#include <signal.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>

#include "Tolvex.h"
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

void EnterGameFpMode() { keldo_fpu_setcsr(TV_GAME_FP_MODE); }

void LeaveGameFpMode() { keldo_fpu_setcsr(KELDO_FPU_DEFAULT); }

namespace detail {

bool RunGuarded(void (*body)(void*), void* context, Fault&) {
    body(context);
    return true;
}

}  // namespace detail

}  // namespace keldo

// An invalid operation in the game's mode: the desktop's line for the fault (the address is the
// operation's place in the code), and the run ends as a fault ends it there. Nothing here can
// go back into the guarded stretch, so the shutdown's steps are not taken; what the run wrote
// is flushed.
extern "C" void keldo_fpu_trap(uintptr_t address) {
    keldo::LeaveGameFpMode();
    char line[128];
    std::snprintf(line, sizeof line,
                  "keldo: fault: invalid floating-point operation at 0x%" PRIxPTR " (code %d)\n",
                  address, SIGFPE);
    keldo::SayEnding(line);
    std::fflush(nullptr);
    std::_Exit(keldo::kFaultExitCode);
}
