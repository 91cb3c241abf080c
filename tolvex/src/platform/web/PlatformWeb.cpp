// The library in a web page, and the same program run by node for automation. There is one
// thread, and the browser gets its turn only while the game sleeps between frames, so that
// sleep hands control back (asyncify unwinds the game's loop and resumes it on time).
#include <emscripten.h>

#include <cerrno>
#include <cmath>
#include <ctime>

#include "core/Errors.h"
#include "core/Screen.h"
#include "platform/Platform.h"

namespace tolvex {

namespace {

constexpr int64_t kSecondNs = 1'000'000'000;
constexpr double kMillisecondNs = 1e6;

}  // namespace

int64_t MonotonicNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<int64_t>(t.tv_sec) * kSecondNs + t.tv_nsec;
}

void SleepUntilNs(int64_t deadline) {
    const int64_t now = MonotonicNs();
    // Even a frame that is already late yields: the page must draw and take input.
    const double ms = deadline > now ? std::floor((deadline - now) / kMillisecondNs) : 0.0;
    // The page hears of each frame as it gets its turn: it shows the game once it draws.
    EM_ASM({
        if (Module['onFrame']) Module['onFrame']();
    });
    emscripten_sleep(static_cast<unsigned>(ms));
}

void StopPacing() {}

uint64_t RunEntropy() {
    timespec wall{};
    clock_gettime(CLOCK_REALTIME, &wall);
    return static_cast<uint64_t>(wall.tv_nsec) ^ (static_cast<uint64_t>(wall.tv_sec) << 30) ^
           static_cast<uint64_t>(emscripten_random() * 4294967296.0);
}

// In the page the pictures and sounds are packed into the program's own file system under
// /Data; under node the host's files are seen as they are, and the page's script tells the
// Data folder beside the program.
std::string LibraryFolder() {
    char folder[4096] = "";
    EM_ASM(
        {
            var dir = Module['dataFolder'] || '/Data/';
            if (lengthBytesUTF8(dir) < $1) stringToUTF8(dir, $0, $1);
        },
        folder, sizeof folder);
    if (folder[0] == '\0') {
        Raise(TV_ERR_PLATFORM, "Init: cannot find the Data folder");
    }
    return folder;
}

// SDL's silent driver needs a thread of its own, which a page cannot have. Under node the
// program's script puts a silent stand-in where the browser's audio would be, and the web's
// own driver plays into that.
const char* SilentSoundDriver() { return "emscripten"; }

// The tab shows the page's own icon; the picture is still read, so that a bad file fails alike.
void ApplyWindowIcon(SDL_Window*, uint64_t icon) { LoadIconPicture(icon); }

}  // namespace tolvex
