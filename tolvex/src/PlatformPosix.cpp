// The library on Linux and other POSIX systems: the clock, the library's own folder, the
// silent sound driver and the window's icon. Files are in FilesPosix.cpp.
#include <dlfcn.h>
#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "Errors.h"
#include "Platform.h"
#include "Runtime.h"
#include "Screen.h"
#include "TvText.h"

namespace tolvex {

namespace {

constexpr int64_t kSecondNs = 1'000'000'000;

#ifdef __linux__
// The thread that sleeps to each frame's deadline asks the scheduler for short turns. Woken at
// its deadline on a core that another program (or the display server) is using, a thread with
// the usual turn (1.4 ms on two cores) can wait for that program's turn to run out, and its
// frame comes two or three milliseconds late; a thread that asks for a short turn is let in at
// once. Its share of the processor stays the same. Kernels before 6.12 ignore the request.
constexpr uint64_t kPacingSliceNs = 100'000;

// The kernel's sched_attr as first laid out, which every kernel since 3.14 takes (the C
// library declares neither it nor the calls).
struct SchedAttr {
    uint32_t Size;
    uint32_t Policy;
    uint64_t Flags;
    int32_t Nice;
    uint32_t Priority;
    uint64_t Runtime;  // for the ordinary policies, the turn asked for; 0: the kernel's own
    uint64_t Deadline;
    uint64_t Period;
};
// Threads started by this one get the kernel's own turn again (and no negative nice value).
constexpr uint64_t kResetOnFork = 1;

// The pacing thread's turn, asked for at its first sleep and given back at Free, and the flags
// it had before.
enum class Turn { NotAsked, Refused, Short };
thread_local Turn tTurn = Turn::NotAsked;
thread_local uint64_t tFlagsBefore = 0;

// Only for the ordinary policies: a thread the user made real-time is left as it is, and so
// are its nice value and policy.
bool SetThreadTurn(uint64_t slice, uint64_t flags, uint64_t* flagsBefore) {
    SchedAttr attr{};
    if (syscall(SYS_sched_getattr, 0, &attr, sizeof attr, 0) != 0 ||
        (attr.Policy != SCHED_OTHER && attr.Policy != SCHED_BATCH)) {
        return false;
    }
    if (flagsBefore != nullptr) {
        *flagsBefore = attr.Flags & kResetOnFork;
    }
    attr.Size = sizeof attr;
    attr.Flags = flags;
    attr.Runtime = slice;
    return syscall(SYS_sched_setattr, 0, &attr, 0) == 0;
}
#endif

}  // namespace

int64_t MonotonicNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<int64_t>(t.tv_sec) * kSecondNs + t.tv_nsec;
}

void SleepUntilNs(int64_t deadline) {
#ifdef __linux__
    if (tTurn == Turn::NotAsked) {
        tTurn = SetThreadTurn(kPacingSliceNs, kResetOnFork, &tFlagsBefore) ? Turn::Short
                                                                           : Turn::Refused;
    }
#endif
    const timespec until{static_cast<time_t>(deadline / kSecondNs),
                         static_cast<long>(deadline % kSecondNs)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
        if (InterruptRequested()) {
            break;
        }
    }
}

void StopPacing() {
#ifdef __linux__
    if (tTurn == Turn::Short) {
        SetThreadTurn(0, tFlagsBefore, nullptr);
    }
    tTurn = Turn::NotAsked;
#endif
}

uint64_t RunEntropy() {
    timespec wall{};
    clock_gettime(CLOCK_REALTIME, &wall);
    return static_cast<uint64_t>(wall.tv_nsec) ^ (static_cast<uint64_t>(wall.tv_sec) << 30) ^
           static_cast<uint64_t>(MonotonicNs()) ^ static_cast<uint64_t>(getpid());
}

// The Data folder is wherever the library itself lies, so the game runs from any folder.
std::string LibraryFolder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&LibraryFolder), &info) == 0 || info.dli_fname == nullptr) {
        Raise(TV_ERR_PLATFORM, "Init: cannot find the library's own file");
    }
    char resolved[PATH_MAX];
    if (realpath(info.dli_fname, resolved) == nullptr) {
        Raise(TV_ERR_PLATFORM, "Init: cannot resolve %s: %s", info.dli_fname, std::strerror(errno));
    }
    std::string path = resolved;
    return path.substr(0, path.rfind('/') + 1);
}

// SDL's own silent driver.
const char* SilentSoundDriver() { return "dummy"; }

void ApplyWindowIcon(SDL_Window* window, uint64_t icon) {
    SurfacePtr picture = LoadIconPicture(icon);
    if (window != nullptr && picture != nullptr) {
        SDL_SetWindowIcon(window, picture.get());
    }
}

}  // namespace tolvex
