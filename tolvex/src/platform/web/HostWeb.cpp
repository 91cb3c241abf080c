// The page around the game: its touch controls press pad 0's buttons through here, so that
// the game, a recording and its replay see them as they see the keyboard; the canvas holds
// the whole 1600 x 900 picture and the page's style scales it; the page hears of each pause.
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

}  // namespace tolvex

// Called by the page whenever its held buttons change (bit b for pad button b).
extern "C" EMSCRIPTEN_KEEPALIVE void tolvex_host_buttons(uint32_t held) {
    using tolvex::gHost;
    gHost.Latched |= held & ~gHost.Held;
    gHost.Held = held;
}
