// The page around the game: its touch controls press pad 0's buttons through here, so that
// the game, a recording and its replay see them as they see the keyboard; the canvas holds
// the whole 1600 x 900 picture and the page's style scales it; the page hears of each pause;
// the page starts the game with the title's files and brings the rest while the title runs.
#include <emscripten.h>

#include "platform/Host.h"

namespace tolvex {

namespace {

struct HostButtons {
    uint32_t Held = 0;
    // Pressed since the last frame, so that a tap shorter than a frame still counts.
    uint32_t Latched = 0;
};
HostButtons gHost;

}  // namespace

uint32_t HostButtonsDown() {
    const uint32_t down = gHost.Held | gHost.Latched;
    gHost.Latched = 0;
    return down;
}

// Only asked while the game is paused, when no frame reads the latch, and the latch is
// cleared after the pause anyway: the pause may take it for its own.
bool HostButtonPressed() {
    const bool pressed = gHost.Latched != 0;
    gHost.Latched = 0;
    return pressed;
}

void ClearHostLatches() { gHost.Latched = 0; }

bool HostScalesPicture() { return true; }

// Read by the pacing's wait for the browser (PlatformWeb.cpp).
void HostFrameShown() {
    EM_ASM({ Module['framePending'] = true; });
}

void TellHostPaused(bool paused) {
    EM_ASM(
        {
            if (Module['onPause']) Module['onPause']($0 != 0);
        },
        paused);
}

// The page's promise of the files still coming is Module.filesComing, gone once they are in.
// (JavaScript, which the formatter would break.)
// clang-format off
EM_JS(int, FilesComingNow, (), { return Module['filesComing'] ? 1 : 0; });

// The page shows its progress bar over the picture meanwhile.
EM_ASYNC_JS(void, AwaitComingFiles, (), {
    if (Module['onFilesWait']) Module['onFilesWait'](true);
    await Module['filesComing'];
    if (Module['onFilesWait']) Module['onFilesWait'](false);
});
// clang-format on

bool HostFilesComing() { return FilesComingNow() != 0; }

void WaitForHostFiles() { AwaitComingFiles(); }

}  // namespace tolvex

// Called by the page whenever its held buttons change (bit b for pad button b).
extern "C" EMSCRIPTEN_KEEPALIVE void tolvex_host_buttons(uint32_t held) {
    using tolvex::gHost;
    gHost.Latched |= held & ~gHost.Held;
    gHost.Held = held;
}
