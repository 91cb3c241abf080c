// The library on Linux and other POSIX systems: the clock, the library's own folder, the
// silent sound driver and the window's icon. Files are in FilesPosix.cpp.
#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "core/Errors.h"
#include "core/Runtime.h"
#include "core/Screen.h"
#include "plain/TvText.h"
#include "platform/Platform.h"

namespace tolvex {

namespace {

constexpr int64_t kSecondNs = 1'000'000'000;

}  // namespace

int64_t MonotonicNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<int64_t>(t.tv_sec) * kSecondNs + t.tv_nsec;
}

void SleepUntilNs(int64_t deadline) {
    const timespec until{static_cast<time_t>(deadline / kSecondNs),
                         static_cast<long>(deadline % kSecondNs)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
        if (InterruptRequested()) {
            break;
        }
    }
}

void StopPacing() {}

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

void KeepLibraryLoaded() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&KeepLibraryLoaded), &info) != 0 &&
        info.dli_fname != nullptr) {
        // Never closed: the handle is the hold.
        dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
    }
}

// SDL's own silent driver.
const char* SilentSoundDriver() { return "dummy"; }

bool SoundWaitsForPlayer() { return false; }

void LetHostCatchUp() {}

void ApplyWindowIcon(SDL_Window* window, uint64_t icon) {
    SurfacePtr picture = LoadIconPicture(icon);
    if (window != nullptr && picture != nullptr) {
        SDL_SetWindowIcon(window, picture.get());
    }
}

}  // namespace tolvex
