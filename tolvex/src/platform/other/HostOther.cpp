// A desktop window has no host around it: no on-screen buttons, a window of its own size.
#include <SDL.h>

#include "platform/Host.h"

namespace tolvex {

uint32_t HostButtonsDown() { return 0; }
bool HostButtonPressed() { return false; }
bool WaitForHostEvent(SDL_Event& event, int timeoutMs) {
    return SDL_WaitEventTimeout(&event, timeoutMs) != 0;
}
void ClearHostLatches() {}
bool HostScalesPicture() { return false; }
// A window's own pixels, and the pictures SDL converts fastest to the screen's.
uint32_t HostPictureFormat() { return SDL_PIXELFORMAT_ARGB8888; }
bool HostShowsPicture(SDL_Renderer*) { return false; }
void HostFrameShown() {}
void TellHostPaused(bool) {}
bool HostAllowsQuit() { return true; }
bool HostHasFullscreen() { return false; }
bool HostIsFullscreen() { return false; }
void HostToggleFullscreen() {}
bool HostPauseAsked() { return false; }
bool HostMuteAsked() { return false; }
void TellHostMuted(bool) {}
bool HostFilesComing() { return false; }
void WaitForHostFiles() {}

}  // namespace tolvex
