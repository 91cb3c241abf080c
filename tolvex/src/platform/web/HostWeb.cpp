// The page around the game: its touch controls press pad 0's buttons through here, so that
// the game, a recording and its replay see them as they see the keyboard; the canvas holds
// the whole 1600 x 900 picture and the page's style scales it; the page hears of each pause.
#include <emscripten.h>

#include <utility>

#include "platform/Host.h"

namespace tolvex {

namespace {

struct HostButtons {
    uint32_t Held = 0;
    // Pressed since the last frame, so that a tap shorter than a frame still counts.
    uint32_t Latched = 0;
    bool PauseAsked = false;
    bool MuteAsked = false;
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

bool HostAllowsQuit() { return false; }

bool HostHasFullscreen() {
    return EM_ASM_INT({ return Module['toggleFullscreen'] ? 1 : 0; }) != 0;
}

bool HostIsFullscreen() {
    return EM_ASM_INT(
               { return typeof document == 'object' && document.fullscreenElement ? 1 : 0; }) != 0;
}

void HostToggleFullscreen() {
    EM_ASM({
        if (Module['toggleFullscreen']) Module['toggleFullscreen']();
    });
}

bool HostPauseAsked() { return std::exchange(gHost.PauseAsked, false); }

bool HostMuteAsked() { return std::exchange(gHost.MuteAsked, false); }

void TellHostMuted(bool muted) {
    EM_ASM(
        {
            if (Module['onMute']) Module['onMute']($0 != 0);
        },
        muted);
}

}  // namespace tolvex

// The page's pause and mute buttons.
extern "C" EMSCRIPTEN_KEEPALIVE void tolvex_host_pause() { tolvex::gHost.PauseAsked = true; }
extern "C" EMSCRIPTEN_KEEPALIVE void tolvex_host_mute() { tolvex::gHost.MuteAsked = true; }

// Called by the page whenever its held buttons change (bit b for pad button b).
extern "C" EMSCRIPTEN_KEEPALIVE void tolvex_host_buttons(uint32_t held) {
    using tolvex::gHost;
    gHost.Latched |= held & ~gHost.Held;
    gHost.Held = held;
}
