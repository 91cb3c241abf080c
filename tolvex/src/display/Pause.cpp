// Pause: the pause key, a controller's Start, or the window losing focus or being minimised
// stop the game between two frames. No frame passes while paused; the window stays alive
// (close, Escape, fullscreen, resizing) and shows the last picture dimmed under "PAUSED"; the
// library sleeps in the event wait and redraws only when the window needs it.
#include <SDL.h>

#include "core/Errors.h"
#include "core/Runtime.h"
#include "core/Screen.h"
#include "files/UserFiles.h"

namespace tolvex {

namespace {

constexpr const char* kLabelFile = "paused.png";
// How much of the picture's brightness shows through while paused.
constexpr Uint8 kDimmed = 96;
// The wait for events wakes this often to see a signal that arrived meanwhile.
constexpr int kWakeMs = 200;

struct PauseState {
    bool Requested = false;
    SDL_Texture* Label = nullptr;
    bool LabelTried = false;
};
PauseState gPause;

void LoadLabel() {
    if (gPause.LabelTried) {
        return;
    }
    gPause.LabelTried = true;
    const bool recording = RecordRaiseSites(false);
    try {
        const SurfacePtr picture = LoadPictureFile(kLabelFile, "Act");
        gPause.Label = SDL_CreateTextureFromSurface(CurrentScreen().Renderer, picture.get());
    } catch (const TvError& e) {
        // A pause without its word is still a pause.
        Warn(std::string(e.Message) + "; the pause shows no label");
    }
    RecordRaiseSites(recording);
}

void DimAndLabel(SDL_Renderer* renderer) {
    SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_BLEND);
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255 - kDimmed);
    const SDL_Rect screen{0, 0, kScreenW, kScreenH};
    SDL_RenderFillRect(renderer, &screen);
    if (gPause.Label != nullptr) {
        int w = 0;
        int h = 0;
        SDL_QueryTexture(gPause.Label, nullptr, nullptr, &w, &h);
        const SDL_Rect where{(kScreenW - w) / 2, (kScreenH - h) / 2, w, h};
        SDL_RenderCopy(renderer, gPause.Label, nullptr, &where);
    }
}

bool PauseKeyDown(const SDL_Event& event) {
    return (event.type == SDL_KEYDOWN && event.key.repeat == 0 &&
            IsPauseKey(event.key.keysym.scancode)) ||
           (event.type == SDL_CONTROLLERBUTTONDOWN &&
            event.cbutton.button == SDL_CONTROLLER_BUTTON_START);
}

}  // namespace

void NotePauseEvent(const SDL_Event& event) {
    const bool away =
        event.type == SDL_WINDOWEVENT && (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST ||
                                          event.window.event == SDL_WINDOWEVENT_MINIMIZED);
    if (away || PauseKeyDown(event)) {
        gPause.Requested = true;
    }
}

bool PauseRequested() { return gPause.Requested; }

void HoldWhilePaused() {
    gPause.Requested = false;
    LoadLabel();
    PauseSound(true);
    PresentWith(DimAndLabel);
    bool resume = false;
    // A display that failed (our window destroyed by another program) ends the pause: the
    // next Act reports it.
    while (!resume && !CloseRequested() && DisplayFailure().empty()) {
        SDL_Event event;
        const bool woke = SDL_WaitEventTimeout(&event, kWakeMs) != 0;
        AskAfterWindow();
        if (!woke) {
            continue;
        }
        bool redraw = false;
        do {
            // Uncovered, resized, switched to fullscreen: the window's picture is gone.
            redraw = WindowEvent(event) || redraw;
            if (PauseKeyDown(event)) {
                resume = true;
            } else if (event.type == SDL_KEYDOWN && event.key.repeat == 0 &&
                       IsScreenshotKey(event.key.keysym.scancode)) {
                SaveScreenshotForPlayer();
            } else if (event.type == SDL_CONTROLLERDEVICEADDED ||
                       event.type == SDL_CONTROLLERDEVICEREMOVED) {
                PadEvent(event);
            }
        } while (SDL_PollEvent(&event) != 0);
        if (redraw && !resume) {
            PresentWith(DimAndLabel);
        }
    }
    // What was pressed and let go during the pause never reached the game; what is still
    // held is read afresh by the next frame.
    ClearPadLatches();
    PauseSound(false);
}

void ClosePause() {
    if (gPause.Label != nullptr) {
        SDL_DestroyTexture(gPause.Label);
    }
    gPause = PauseState{};
}

}  // namespace tolvex
