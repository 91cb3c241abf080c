// What a host around the program (the web page that holds its canvas) gives the library and
// hears from it: the host's own on-screen buttons for pad 0, whether it scales the picture
// itself, when the game pauses, and the game's files that arrive after it has started. A
// desktop window has no such host (HostOther.cpp).
#pragma once

#include <cstdint>

struct SDL_Renderer;
union SDL_Event;

namespace tolvex {

// Pad-0 buttons held on the host's on-screen controls, and those pressed and let go since the
// last call, bit b for button b.
uint32_t HostButtonsDown();
// A button pressed on the host's controls since the last call (to go on after a pause). It
// shares HostButtonsDown's record of presses, so it is for the pause only, when no frame runs.
bool HostButtonPressed();
// Presses seen since the last frame are forgotten, as the pad's own are.
void ClearHostLatches();

// The window is the host's canvas, which holds the whole picture at its own size while the
// host scales it to fit: it is opened at the picture's size and never resized.
bool HostScalesPicture();

// The byte order the game's 1600 x 900 picture is drawn in: the one the host shows without
// reordering every pixel (a page's canvas takes red first). The pictures come out the same in
// any order: SDL blends each colour alike whichever byte holds it.
uint32_t HostPictureFormat();

// Puts the game's picture, as the renderer holds it, on the host's canvas itself, where that
// costs less than SDL's own way (which fills in every pixel's opacity and copies the whole
// picture once more on the way). False when the host does not, or cannot: present it as usual.
bool HostShowsPicture(SDL_Renderer* renderer);

// A picture was presented: the host shows it before the game's next frame is drawn. (Frames
// that present nothing, a still picture, need not wait for the host's next showing.)
void HostFrameShown();

// The game has paused (the host shows how to go on and silences its audio) or goes on.
void TellHostPaused(bool paused);
// The paused game's wait for the next event, at most `timeoutMs`: true with `event` filled in
// if one came. A page's browser has its turn meanwhile (it brings the events).
bool WaitForHostEvent(SDL_Event& event, int timeoutMs);

// Whether the pause menu may end the program: a page has nowhere to quit to.
bool HostAllowsQuit();
// The host's own fullscreen (on a page, the whole page with its controls): true when it has
// one, which HostToggleFullscreen then toggles and HostIsFullscreen reports.
bool HostHasFullscreen();
bool HostIsFullscreen();
void HostToggleFullscreen();
// The host's pause and mute buttons: pressed since the last call.
bool HostPauseAsked();
bool HostMuteAsked();
// The sound was muted or unmuted: the host's mute button shows which.
void TellHostMuted(bool muted);
// The host may start the game with only the files its first screen needs and bring the rest
// while that screen runs. Whether some are still on their way (nothing should be read ahead
// then); and a wait until they are all in, for a file the game asks for now that is not
// there yet.
bool HostFilesComing();
void WaitForHostFiles();

}  // namespace tolvex
