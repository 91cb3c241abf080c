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
// The longest stretch of work the browser waits through before LetHostCatchUp gives it a turn:
// below what it counts as a long task.
constexpr double kLongestStretchMs = 40;

// When the browser last had its turn.
double gTurnEndedMs = 0;

// The game's turn ends here and the browser has its own: the page counts the game frame,
// shows what was drawn and takes input. In a page a canvas shows its picture only at the
// browser's next rendering, after its animation-frame callbacks: after a frame that presented
// a picture (HostWeb.cpp) the game goes on once that rendering is over, so that no frame it
// draws is overwritten before it was shown; a game that falls behind skips pictures instead.
// A frame that presented nothing (a still or skipped picture) only waits for its time, which
// keeps the browser from rendering for nothing. A hidden page has no renderings; there the game
// still gets a turn now and then, enough to see that it was hidden and pause. Under node
// (automation) the turn is only a timer.
// (JavaScript, which the formatter would break.)
// clang-format off
EM_ASYNC_JS(void, WaitForBrowser, (double ms), {
    const kHiddenTurnMs = 250;
    const shown = Module['framePending'];
    Module['framePending'] = false;
    if (Module['onFrame']) Module['onFrame'](shown);
    if (!shown || typeof requestAnimationFrame !== 'function') {
        // A game catching up has no time to wait: a message is the browser's turn at once,
        // where a timer chained from timers would be held back by a few milliseconds.
        if (ms < 1 && typeof MessageChannel === 'function') {
            await new Promise((resolve) => {
                const channel = new MessageChannel();
                channel.port1.onmessage = resolve;
                channel.port2.postMessage(0);
            });
        } else {
            await new Promise((resolve) => setTimeout(resolve, ms));
        }
        return;
    }
    const start = performance.now();
    await new Promise((resolve) => {
        const timer = setTimeout(resolve, kHiddenTurnMs);
        requestAnimationFrame(() => {
            clearTimeout(timer);
            // A message is answered after the rendering that follows the callbacks.
            const channel = new MessageChannel();
            channel.port1.onmessage = resolve;
            channel.port2.postMessage(0);
        });
    });
    const left = ms - (performance.now() - start);
    if (left >= 1) await new Promise((resolve) => setTimeout(resolve, left));
});

// A turn for the browser at once: a message is answered after whatever it has waiting.
EM_ASYNC_JS(void, TakeBrowserTurn, (), {
    await new Promise((resolve) => {
        const channel = new MessageChannel();
        channel.port1.onmessage = resolve;
        channel.port2.postMessage(0);
    });
});
// clang-format on

}  // namespace

int64_t MonotonicNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<int64_t>(t.tv_sec) * kSecondNs + t.tv_nsec;
}

void SleepUntilNs(int64_t deadline) {
    const int64_t now = MonotonicNs();
    WaitForBrowser(deadline > now ? (deadline - now) / kMillisecondNs : 0.0);
    gTurnEndedMs = emscripten_get_now();
}

void LetHostCatchUp() {
    if (emscripten_get_now() - gTurnEndedMs >= kLongestStretchMs) {
        TakeBrowserTurn();
        gTurnEndedMs = emscripten_get_now();
    }
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

// SDL's silent driver needs a thread of its own, which a page cannot have: the web's own
// driver plays into a silent stand-in for the browser's audio instead. SDL never hears from
// it, so nothing is mixed, and the sounds are still decoded (a broken one still fails).
// Closing the driver drops the stand-in with it, and the next open that wants a device makes
// the browser's own. (Under node the program's script gives SDL a browser's audio to find.)
// (JavaScript, which the formatter would break.)
// clang-format off
EM_JS(void, PutSilentAudio, (), {
    const sdl = Module['SDL2'] = Module['SDL2'] || {};
    if (sdl.audioContext) return;
    const nothing = () => Promise.resolve();
    sdl.audioContext = {
        sampleRate: 44100,
        // As a browser's own is before the player's first touch.
        state: 'suspended',
        destination: {},
        createScriptProcessor: () => ({ connect() {}, disconnect() {} }),
        resume: nothing,
        suspend: nothing,
        close: nothing,
    };
});

// The page says that the device waits by setting Module.playerActed to false, and lets it go
// once the player has acted; a page that says nothing has the device at once.
EM_JS(int, PlayerYetToAct, (), { return Module['playerActed'] === false ? 1 : 0; });
// clang-format on

const char* SilentSoundDriver() {
    PutSilentAudio();
    return "emscripten";
}

bool SoundWaitsForPlayer() { return PlayerYetToAct() != 0; }

// The library is linked into the program.
void KeepLibraryLoaded() {}

// The tab shows the page's own icon; the picture is still read, so that a bad file fails alike.
void ApplyWindowIcon(SDL_Window*, uint64_t icon) { LoadIconPicture(icon); }

}  // namespace tolvex
