// Pause: the pause key, Escape, a controller's Start, the host's pause button, or the window
// losing focus, being minimised or hidden stop the game between two frames. No frame passes
// while paused; the window stays alive (close, fullscreen, resizing) and shows the last
// picture dimmed under "PAUSED" and the pause menu: resume, the sound's volume and mute,
// fullscreen, the controls, and quit where there is somewhere to quit to. The library sleeps in
// the event wait and redraws only when something changed.
//
// The menu is the library's and drawn in its own hand, so that the game's scenes know nothing
// of it. Its sound settings are kept between runs; only a player at the window has them.
#include <SDL.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/Errors.h"
#include "core/Runtime.h"
#include "core/Screen.h"
#include "display/Overlay.h"
#include "files/UserFiles.h"
#include "platform/Host.h"

namespace tolvex {

namespace {

constexpr const char* kLabelFile = "paused.png";
// How much of the picture's brightness shows through while paused.
constexpr Uint8 kDimmed = 96;
// The wait for events wakes this often to see a signal that arrived meanwhile.
constexpr int kWakeMs = 200;

constexpr SDL_Color kText{244, 248, 255, 255};
constexpr SDL_Color kChosen{242, 182, 50, 255};
constexpr SDL_Color kQuiet{180, 176, 200, 255};
constexpr SDL_Color kChosenRow{242, 182, 50, 60};

enum class Item { Resume, Volume, Sound, Fullscreen, Controls, Quit };
enum class Page { Main, Controls };

// Where a page's rows and text go on the 1600 x 900 picture.
struct PageLayout {
    int LabelTop;
    double LabelScale;
    SDL_Rect Box;
    int FirstRow;
    int RowHeight;
    double TextScale;
    int TextLeft;
};
constexpr PageLayout kMainLayout{40, 1.0, {300, 260, 1000, 0}, 280, 72, 1.0, 380};
constexpr PageLayout kControlsLayout{16, 0.5, {100, 140, 1400, 0}, 190, 60, 0.75, 140};
// The controls page's columns: the action, its keys, its controller button.
constexpr int kKeysColumn = 480;
constexpr int kButtonColumn = 1180;
// The line under the rows that says how to work the page, or what a choice did.
constexpr int kMessageGap = 12;
constexpr double kSmallScale = 0.5;
// Large enough to read on a phone held sideways.
constexpr double kMessageScale = 0.625;
constexpr int kCornerMargin = 30;
constexpr int kCornerPadding = 14;
constexpr double kCornerScale = 0.75;

struct PauseState {
    bool Requested = false;
    SDL_Texture* Label = nullptr;
    bool LabelTried = false;
    // Only a player at the window has settings; nothing else changes them.
    bool HasSettings = false;
    PlayerSettings Settings;
    Page Shown = Page::Main;
    int Chosen = 0;
    // The control waiting for its key or button, or -1.
    int Binding = -1;
    std::string Message;
    bool Resume = false;
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

std::vector<Item> MainItems() {
    std::vector<Item> items = {Item::Resume, Item::Volume, Item::Sound, Item::Fullscreen,
                               Item::Controls};
    if (HostAllowsQuit()) {
        items.push_back(Item::Quit);
    }
    return items;
}

// The controls page: every action, then "reset" and "back".
int ControlRows() { return static_cast<int>(ControlCount()) + 2; }
int ResetRow() { return static_cast<int>(ControlCount()); }
int BackRow() { return static_cast<int>(ControlCount()) + 1; }

int RowCount() {
    return gPause.Shown == Page::Main ? static_cast<int>(MainItems().size()) : ControlRows();
}

const PageLayout& Layout() { return gPause.Shown == Page::Main ? kMainLayout : kControlsLayout; }

std::string FullscreenKeys() { return HostHasFullscreen() ? "F11" : "F11 or Alt+Enter"; }

std::string MainText(Item item) {
    switch (item) {
        case Item::Resume:
            return "Resume";
        case Item::Volume:
            return "Volume    - " + std::to_string(gPause.Settings.VolumePercent) + "% +";
        case Item::Sound:
            return std::string("Sound     ") + (gPause.Settings.Muted ? "muted" : "on") + "  (M)";
        case Item::Fullscreen:
            return std::string("Fullscreen ") + (IsFullscreen() ? "on" : "off");
        case Item::Controls:
            return "Controls";
        case Item::Quit:
            return "Quit";
    }
    return "";
}

void ApplySound() {
    SetPlayerSound(gPause.Settings.VolumePercent / static_cast<double>(kVolumePercentMax),
                   gPause.Settings.Muted);
    TellHostMuted(gPause.Settings.Muted);
}

void ChangeSound(const PlayerSettings& settings) {
    gPause.Settings = settings;
    ApplySound();
    SavePlayerSettings(gPause.Settings);
}

void StepVolume(int steps) {
    PlayerSettings settings = gPause.Settings;
    settings.VolumePercent =
        std::clamp(settings.VolumePercent + steps * kVolumeStepPercent, 0, kVolumePercentMax);
    // Turning the volume up is the player wanting to hear it.
    settings.Muted = settings.Muted && steps < 0;
    if (settings.VolumePercent != gPause.Settings.VolumePercent ||
        settings.Muted != gPause.Settings.Muted) {
        ChangeSound(settings);
    }
}

void DrawRow(SDL_Renderer* renderer, int row, const std::string& text) {
    const PageLayout& layout = Layout();
    const int top = layout.FirstRow + row * layout.RowHeight;
    const bool chosen = row == gPause.Chosen;
    if (chosen) {
        SDL_SetRenderDrawColor(renderer, kChosenRow.r, kChosenRow.g, kChosenRow.b, kChosenRow.a);
        const SDL_Rect band{layout.Box.x + 12, top - 4, layout.Box.w - 24, layout.RowHeight - 4};
        SDL_RenderFillRect(renderer, &band);
    }
    DrawText(renderer, layout.TextLeft,
             top + (layout.RowHeight - 4 - static_cast<int>(kGlyphH * layout.TextScale)) / 2, text,
             layout.TextScale, chosen ? kChosen : kText);
}

void DrawControls(SDL_Renderer* renderer) {
    const PageLayout& layout = kControlsLayout;
    const int header = layout.FirstRow - 36;
    DrawText(renderer, layout.TextLeft, header, "action", kSmallScale, kQuiet);
    DrawText(renderer, kKeysColumn, header, "keys", kSmallScale, kQuiet);
    DrawText(renderer, kButtonColumn, header, "controller", kSmallScale, kQuiet);
    for (int row = 0; row < ResetRow(); ++row) {
        const ControlView view = ViewControl(static_cast<size_t>(row));
        DrawRow(renderer, row, view.Action);
        const int top = layout.FirstRow + row * layout.RowHeight + 2;
        const SDL_Color colour = row == gPause.Chosen ? kChosen : kText;
        if (row == gPause.Binding) {
            DrawText(renderer, kKeysColumn, top, "press a key or button", layout.TextScale,
                     kChosen);
            continue;
        }
        DrawText(renderer, kKeysColumn, top, view.Keys, layout.TextScale, colour);
        DrawText(renderer, kButtonColumn, top, view.Button.empty() ? "-" : view.Button,
                 layout.TextScale, colour);
    }
    DrawRow(renderer, ResetRow(), "Reset to defaults");
    DrawRow(renderer, BackRow(), "Back");
}

int MessageTop() {
    const PageLayout& layout = Layout();
    return layout.FirstRow + RowCount() * layout.RowHeight + kMessageGap;
}

// The menu's box: its rows and the line under them.
SDL_Rect MenuBox() {
    SDL_Rect box = Layout().Box;
    box.h = MessageTop() + static_cast<int>(kGlyphH * kMessageScale) + 2 * kMessageGap - box.y;
    return box;
}

void DrawMenu(SDL_Renderer* renderer) {
    SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_BLEND);
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255 - kDimmed);
    const SDL_Rect screen{0, 0, kScreenW, kScreenH};
    SDL_RenderFillRect(renderer, &screen);
    const PageLayout& layout = Layout();
    if (gPause.Label != nullptr) {
        int w = 0;
        int h = 0;
        SDL_QueryTexture(gPause.Label, nullptr, nullptr, &w, &h);
        w = static_cast<int>(w * layout.LabelScale);
        h = static_cast<int>(h * layout.LabelScale);
        const SDL_Rect where{(kScreenW - w) / 2, layout.LabelTop, w, h};
        SDL_RenderCopy(renderer, gPause.Label, nullptr, &where);
    }
    const int messageTop = MessageTop();
    DrawBox(renderer, MenuBox());
    if (gPause.Shown == Page::Main) {
        const std::vector<Item> items = MainItems();
        for (size_t row = 0; row < items.size(); ++row) {
            DrawRow(renderer, static_cast<int>(row), MainText(items[row]));
        }
    } else {
        DrawControls(renderer);
    }
    const std::string hint =
        gPause.Binding >= 0 ? "Escape or Start: keep it as it is"
        : gPause.Shown == Page::Main
            ? "Arrows + Enter; Escape resumes; " + FullscreenKeys() + ": fullscreen"
            : "Enter, then a key or button: bind it; Escape: back";
    const std::string& line = gPause.Message.empty() ? hint : gPause.Message;
    DrawText(renderer, (kScreenW - TextWidth(line, kMessageScale)) / 2, messageTop, line,
             kMessageScale, gPause.Message.empty() ? kQuiet : kChosen);
    if (gPause.Settings.Muted) {
        const std::string muted = "MUTED (M)";
        const int w = TextWidth(muted, kCornerScale) + 2 * kCornerPadding;
        const int h = static_cast<int>(kGlyphH * kCornerScale) + 2 * kCornerPadding;
        DrawBox(renderer, {kScreenW - kCornerMargin - w, kCornerMargin, w, h});
        DrawText(renderer, kScreenW - kCornerMargin - w + kCornerPadding,
                 kCornerMargin + kCornerPadding, muted, kCornerScale, kChosen);
    }
    DrawNotices(renderer);
}

void Show(Page page) {
    gPause.Shown = page;
    gPause.Chosen = 0;
    gPause.Binding = -1;
    gPause.Message.clear();
}

// Escape, B or Backspace: the controls go back to the main page, the main page resumes.
void Back() {
    if (gPause.Shown == Page::Controls) {
        Show(Page::Main);
    } else {
        gPause.Resume = true;
    }
}

// Enter, Space, A or a click on the chosen row; `side` is -1 or 1 for a click on the left or
// right half of the volume's row (its - and +), 0 otherwise.
void Activate(int side) {
    gPause.Message.clear();
    if (gPause.Shown == Page::Controls) {
        if (gPause.Chosen == BackRow()) {
            Show(Page::Main);
        } else if (gPause.Chosen == ResetRow()) {
            gPause.Message = ResetControls();
        } else {
            gPause.Binding = gPause.Chosen;
        }
        return;
    }
    switch (MainItems()[static_cast<size_t>(gPause.Chosen)]) {
        case Item::Resume:
            gPause.Resume = true;
            break;
        case Item::Volume:
            // Enter goes up and round, from 100 % back to silence.
            if (side == 0 && gPause.Settings.VolumePercent == kVolumePercentMax) {
                StepVolume(-kVolumePercentMax / kVolumeStepPercent);
            } else {
                StepVolume(side < 0 ? -1 : 1);
            }
            break;
        case Item::Sound:
            ToggleMute();
            break;
        case Item::Fullscreen:
            ToggleFullscreen();
            break;
        case Item::Controls:
            Show(Page::Controls);
            break;
        case Item::Quit:
            AskToClose();
            break;
    }
}

void Move(int by) {
    gPause.Chosen = (gPause.Chosen + by + RowCount()) % RowCount();
    gPause.Message.clear();
}

void Sideways(int by) {
    if (gPause.Shown == Page::Main &&
        MainItems()[static_cast<size_t>(gPause.Chosen)] == Item::Volume) {
        StepVolume(by);
    }
}

// The row under a point of the picture, or -1.
int RowAt(int x, int y) {
    const PageLayout& layout = Layout();
    if (x < layout.Box.x || x >= layout.Box.x + layout.Box.w || y < layout.FirstRow) {
        return -1;
    }
    const int row = (y - layout.FirstRow) / layout.RowHeight;
    return row < RowCount() ? row : -1;
}

// The next key or controller button binds the control that waits for one.
bool Bind(const SDL_Event& event) {
    const size_t control = static_cast<size_t>(gPause.Binding);
    if (event.type == SDL_KEYDOWN && event.key.repeat == 0) {
        const SDL_Scancode key = event.key.keysym.scancode;
        gPause.Binding = -1;
        gPause.Message = key == SDL_SCANCODE_ESCAPE ? "" : BindKey(control, key);
        return true;
    }
    if (event.type == SDL_CONTROLLERBUTTONDOWN) {
        gPause.Binding = -1;
        gPause.Message = event.cbutton.button == SDL_CONTROLLER_BUTTON_START
                             ? ""
                             : BindButton(control, event.cbutton.button);
        return true;
    }
    return false;
}

// What an event does to the menu; true when it must be drawn again.
bool MenuEvent(const SDL_Event& event) {
    if (gPause.Binding >= 0) {
        return Bind(event);
    }
    if (event.type == SDL_KEYDOWN) {
        const SDL_Scancode key = event.key.keysym.scancode;
        if (event.key.repeat == 0 && IsPauseKey(key)) {
            gPause.Resume = true;
        } else if (event.key.repeat == 0 && IsScreenshotKey(key)) {
            SaveScreenshotForPlayer();
            return false;
        }
        switch (key) {
            case SDL_SCANCODE_UP:
                Move(-1);
                return true;
            case SDL_SCANCODE_DOWN:
                Move(1);
                return true;
            case SDL_SCANCODE_LEFT:
                Sideways(-1);
                return true;
            case SDL_SCANCODE_RIGHT:
                Sideways(1);
                return true;
            default:
                break;
        }
        if (event.key.repeat != 0) {
            return false;
        }
        if (key == SDL_SCANCODE_RETURN || key == SDL_SCANCODE_KP_ENTER ||
            key == SDL_SCANCODE_SPACE) {
            Activate(0);
        } else if (key == SDL_SCANCODE_ESCAPE || key == SDL_SCANCODE_BACKSPACE) {
            Back();
        } else if (key == SDL_SCANCODE_M) {
            ToggleMute();
        }
        return true;
    }
    if (event.type == SDL_CONTROLLERBUTTONDOWN) {
        switch (event.cbutton.button) {
            case SDL_CONTROLLER_BUTTON_DPAD_UP:
                Move(-1);
                break;
            case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
                Move(1);
                break;
            case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
                Sideways(-1);
                break;
            case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
                Sideways(1);
                break;
            case SDL_CONTROLLER_BUTTON_A:
                Activate(0);
                break;
            case SDL_CONTROLLER_BUTTON_B:
                Back();
                break;
            case SDL_CONTROLLER_BUTTON_START:
                gPause.Resume = true;
                break;
            default:
                return false;
        }
        return true;
    }
    if (event.type == SDL_MOUSEMOTION) {
        const int row = RowAt(event.motion.x, event.motion.y);
        if (row >= 0 && row != gPause.Chosen) {
            gPause.Chosen = row;
            return true;
        }
        return false;
    }
    if (event.type == SDL_MOUSEBUTTONDOWN && event.button.button == SDL_BUTTON_LEFT) {
        // A tap arrives as a click too: the menu is worked by touch the same way. A click on
        // a row works that row and nothing else; one on the dimmed picture beside the menu is
        // Escape's (a player who clicks the paused game wants it back).
        const SDL_Point at{event.button.x, event.button.y};
        const SDL_Rect menu = MenuBox();
        if (!SDL_PointInRect(&at, &menu)) {
            Back();
            return true;
        }
        const int row = RowAt(at.x, at.y);
        if (row < 0) {
            return false;
        }
        gPause.Chosen = row;
        const SDL_Rect& box = Layout().Box;
        Activate(event.button.x < box.x + box.w / 2 ? -1 : 1);
        return true;
    }
    return false;
}

}  // namespace

void LoadPlayerChoices() {
    gPause.Settings = LoadPlayerSettings();
    gPause.HasSettings = true;
    ApplySound();
}

void ToggleMute() {
    if (!gPause.HasSettings) {
        return;
    }
    PlayerSettings settings = gPause.Settings;
    settings.Muted = !settings.Muted;
    ChangeSound(settings);
}

bool IsMuteKey(int scancode) { return scancode == SDL_SCANCODE_M; }

void NotePauseEvent(const SDL_Event& event) {
    // Hidden: a page whose tab is switched away from.
    const bool away =
        event.type == SDL_WINDOWEVENT && (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST ||
                                          event.window.event == SDL_WINDOWEVENT_MINIMIZED ||
                                          event.window.event == SDL_WINDOWEVENT_HIDDEN);
    const bool key =
        event.type == SDL_KEYDOWN && event.key.repeat == 0 &&
        (IsPauseKey(event.key.keysym.scancode) || event.key.keysym.scancode == SDL_SCANCODE_ESCAPE);
    const bool start = event.type == SDL_CONTROLLERBUTTONDOWN &&
                       event.cbutton.button == SDL_CONTROLLER_BUTTON_START;
    if (away || key || start) {
        gPause.Requested = true;
    }
}

void RequestPause() { gPause.Requested = true; }

bool PauseRequested() { return gPause.Requested; }

void HoldWhilePaused() {
    gPause.Requested = false;
    gPause.Resume = false;
    Show(Page::Main);
    LoadLabel();
    PauseSound(true);
    RefreshNotices();
    PresentWith(DrawMenu);
    TellHostPaused(true);
    HostButtonPressed();  // a press from before the pause does not end it
    HostPauseAsked();
    // A display that failed (our window destroyed by another program) ends the pause: the
    // next Act reports it.
    while (!gPause.Resume && !CloseRequested() && DisplayFailure().empty()) {
        const DisplayWait wait("Act");
        SDL_Event event;
        const bool woke = WaitForHostEvent(event, kWakeMs);
        AskAfterWindow();
        // The host's controls: its pause button or any of its game buttons go on.
        gPause.Resume = HostButtonPressed() || HostPauseAsked();
        bool redraw = RefreshNotices();
        if (HostMuteAsked()) {
            ToggleMute();
            redraw = true;
        }
        if (woke) {
            do {
                // Uncovered, resized, switched to fullscreen: the window's picture is gone.
                if (WindowEvent(event)) {
                    redraw = true;
                } else {
                    redraw = MenuEvent(event) || redraw;
                    if (event.type == SDL_CONTROLLERDEVICEADDED ||
                        event.type == SDL_CONTROLLERDEVICEREMOVED) {
                        PadEvent(event);
                    }
                }
            } while (!gPause.Resume && SDL_PollEvent(&event) != 0);
        }
        if (redraw && !gPause.Resume) {
            PresentWith(DrawMenu);
        }
    }
    // What was pressed and let go during the pause never reached the game; what is still
    // held is read afresh by the next frame.
    ClearPadLatches();
    PauseSound(false);
    TellHostPaused(false);
}

void ClosePause() {
    if (gPause.Label != nullptr) {
        SDL_DestroyTexture(gPause.Label);
    }
    CloseOverlay();
    gPause = PauseState{};
}

}  // namespace tolvex
