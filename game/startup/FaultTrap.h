// Hardware faults and the process's signals: the part of ending a run that differs from one
// platform to another. A fault on the main thread, inside a guarded stretch, comes back to
// that stretch as a value, so that the handler can say what happened and still shut down.
// Anywhere else (another thread, the shutdown's last steps, the exit itself) there is nothing
// safe to come back to: the process ends at once with one line and a non-zero exit code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>

namespace keldo {

// The exit code of a run that a fault ended.
constexpr int kFaultExitCode = 1;

struct Fault {
    int64_t Code = 0;      // the platform's number for the fault
    uint64_t Address = 0;  // where it happened, as the platform reports it
    const char* Name = "fault";
    bool Sent = false;  // a signal sent by a process: no address, no place
};

// Takes over the fault signals for the whole process. Called once, first thing.
void InstallFaultTrap();

// Writes the run's ending line to standard error as the program found it (a library may have
// sent standard error elsewhere for a while when the run ended), unless one is out already.
// Allocates nothing.
void SayEnding(const char* line);

// Holds back the requests to stop (Ctrl+C and the like) until the library takes them over,
// so that one arriving during start-up also ends the run through the library's clean close.
void HoldStopRequests();

// From a caught fault on: a request to stop ends the process at once, and the rest of the
// shutdown gets a bounded time, since the code that faulted may have left a lock held.
void ShutDownAfterFault();

// Where an address lies, for the fault's line: " in FILE", or "" when unknown, into `out`.
// Allocates nothing: memory may be what ran out.
void FaultPlace(uint64_t address, char* out, size_t size);

// Whether the process has run out of memory (address space), so that a fault that follows a
// failed allocation can say so. Safe in a signal handler.
bool MemoryRanOut();

// The game's floating-point mode (rounding toward zero, the invalid operation trapped), and
// the platform's default, which shutdown and the library's own code expect.
void EnterGameFpMode();
void LeaveGameFpMode();

namespace detail {
bool RunGuarded(void (*body)(void*), void* context, Fault& fault);
}  // namespace detail

// Runs `body` on this (the main) thread. True when it returned or threw; false when a fault
// cut it short, with the fault in `fault`. Guards do not nest.
template <typename Body>
bool RunGuarded(Body&& body, Fault& fault) {
    using Callable = std::remove_reference_t<Body>;
    return detail::RunGuarded([](void* context) { (*static_cast<Callable*>(context))(); },
                              static_cast<void*>(&body), fault);
}

}  // namespace keldo
