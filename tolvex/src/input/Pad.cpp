// Pad 0 (keyboard and the first game controller, or the input script) and the mouse.
// Counts advance once per Act, so every read within a frame agrees.
#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>
#include <vector>

#include "core/Errors.h"
#include "core/FpEnv.h"
#include "core/Runtime.h"
#include "core/Screen.h"
#include "platform/Host.h"

namespace tolvex {

namespace {

// Controller sources for SetPadCfg: an SDL game-controller button number, or one
// direction of an axis (kAxisSource + 2 * axis, plus 1 for the positive side).
constexpr int kNoSource = -1;
constexpr int kAxisSource = 100;
constexpr int kAxisDeadZone = 12000;  // of 32767: a resting stick must not walk
constexpr int kMouseButtons = 3;

struct PadConfig {
    std::array<int, TV_PAD_BUTTONS> Key{};  // SDL scancode, 0: none
    // More keys for a button, from the player's key file.
    std::array<std::vector<int>, TV_PAD_BUTTONS> MoreKeys{};
    std::array<int, TV_PAD_BUTTONS> Source{};  // controller source, kNoSource: none
    bool Locked = false;
};

// A value for each pad button: `first` for the buttons from the first on, `none` for those
// after them, and `directions` (left, right, up, down) for the last four.
constexpr std::array<int, TV_PAD_BUTTONS> ButtonTable(std::initializer_list<int> first, int none,
                                                      std::array<int, 4> directions) {
    std::array<int, TV_PAD_BUTTONS> table{};
    std::fill(table.begin(), table.end(), none);
    std::copy(first.begin(), first.end(), table.begin());
    std::copy(directions.begin(), directions.end(), table.end() - directions.size());
    return table;
}

PadConfig DefaultConfig() {
    PadConfig config;
    config.Key =
        ButtonTable({SDL_SCANCODE_SPACE, SDL_SCANCODE_X, SDL_SCANCODE_Z, SDL_SCANCODE_C,
                     SDL_SCANCODE_A, SDL_SCANCODE_S},
                    0, {SDL_SCANCODE_LEFT, SDL_SCANCODE_RIGHT, SDL_SCANCODE_UP, SDL_SCANCODE_DOWN});
    config.Source =
        ButtonTable({SDL_CONTROLLER_BUTTON_A, SDL_CONTROLLER_BUTTON_B, SDL_CONTROLLER_BUTTON_X,
                     SDL_CONTROLLER_BUTTON_Y, SDL_CONTROLLER_BUTTON_LEFTSHOULDER,
                     SDL_CONTROLLER_BUTTON_RIGHTSHOULDER},
                    kNoSource,
                    {SDL_CONTROLLER_BUTTON_DPAD_LEFT, SDL_CONTROLLER_BUTTON_DPAD_RIGHT,
                     SDL_CONTROLLER_BUTTON_DPAD_UP, SDL_CONTROLLER_BUTTON_DPAD_DOWN});
    return config;
}

// The left stick always steers, whatever the d-pad is mapped to.
constexpr std::array<int, TV_PAD_BUTTONS> kStickSource = ButtonTable(
    {}, kNoSource,
    {kAxisSource + 2 * SDL_CONTROLLER_AXIS_LEFTX, kAxisSource + 2 * SDL_CONTROLLER_AXIS_LEFTX + 1,
     kAxisSource + 2 * SDL_CONTROLLER_AXIS_LEFTY, kAxisSource + 2 * SDL_CONTROLLER_AXIS_LEFTY + 1});

struct Pads {
    bool ReadDevices = false;
    // Every controller plugged in, oldest first: the first one is pad 0, and when it goes
    // the next oldest takes over.
    std::vector<SDL_GameController*> Controllers;
    PadConfig Config = DefaultConfig();
    std::array<int64_t, TV_PAD_BUTTONS> Counts{};
    // Pressed since the last Act, on the keyboard and on pad 0's controller. A controller
    // pulled out takes its presses with it, so that nothing reads as down after it is gone.
    std::array<bool, TV_PAD_BUTTONS> KeyLatched{};
    std::array<bool, TV_PAD_BUTTONS> PadLatched{};
    std::array<int64_t, kMouseButtons> MouseCounts{};
    std::array<bool, kMouseButtons> MouseLatched{};
    int64_t MouseX = 0;
    int64_t MouseY = 0;
};
Pads gPads;

bool ValidSource(int64_t source) {
    return source == kNoSource || (source >= 0 && source < SDL_CONTROLLER_BUTTON_MAX) ||
           (source >= kAxisSource && source < kAxisSource + 2 * SDL_CONTROLLER_AXIS_MAX);
}

SDL_GameController* PadZero() {
    return gPads.Controllers.empty() ? nullptr : gPads.Controllers.front();
}

SDL_JoystickID InstanceOf(SDL_GameController* c) {
    return SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(c));
}

bool SourceDown(int source) {
    SDL_GameController* c = PadZero();
    if (c == nullptr || source == kNoSource) {
        return false;
    }
    if (source < kAxisSource) {
        return SDL_GameControllerGetButton(c, static_cast<SDL_GameControllerButton>(source)) != 0;
    }
    const int axis = (source - kAxisSource) / 2;
    const bool positive = (source - kAxisSource) % 2 == 1;
    const int value = SDL_GameControllerGetAxis(c, static_cast<SDL_GameControllerAxis>(axis));
    return positive ? value > kAxisDeadZone : value < -kAxisDeadZone;
}

// Instance ids grow with every connection, so ordering by them is ordering by age.
void AddController(int deviceIndex) {
    if (!SDL_IsGameController(deviceIndex)) {
        return;
    }
    const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(deviceIndex);
    auto& all = gPads.Controllers;
    if (id < 0 || std::any_of(all.begin(), all.end(),
                              [&](SDL_GameController* c) { return InstanceOf(c) == id; })) {
        return;  // SDL also announces the controllers that were there at the start
    }
    SDL_GameController* c = SDL_GameControllerOpen(deviceIndex);
    if (c == nullptr) {
        return;
    }
    const auto later = std::find_if(all.begin(), all.end(),
                                    [&](SDL_GameController* o) { return InstanceOf(o) > id; });
    if (later == all.begin()) {
        gPads.PadLatched = {};
    }
    all.insert(later, c);
}

void RemoveController(SDL_JoystickID id) {
    auto& all = gPads.Controllers;
    const auto gone = std::find_if(all.begin(), all.end(),
                                   [&](SDL_GameController* c) { return InstanceOf(c) == id; });
    if (gone == all.end()) {
        return;
    }
    if (gone == all.begin()) {
        gPads.PadLatched = {};
    }
    SDL_GameControllerClose(*gone);
    all.erase(gone);
}

size_t CheckedButton(int64_t button, const char* entry) {
    if (button < 0 || button >= TV_PAD_BUTTONS) {
        Raise(TV_ERR_ARG, "%s: button %lld is not from 0 to 15", entry,
              static_cast<long long>(button));
    }
    return static_cast<size_t>(button);
}

void CheckPadZero(int64_t pad, const char* entry) {
    if (pad != 0) {
        Raise(TV_ERR_ARG, "%s: pad %lld has no configuration (only pad 0 exists)", entry,
              static_cast<long long>(pad));
    }
}

void CheckUnlocked(const char* entry) {
    if (gPads.Config.Locked) {
        Raise(TV_ERR_STATE, "%s: the pad configuration is locked", entry);
    }
}

bool KeyOf(size_t button, int scancode) {
    const PadConfig& c = gPads.Config;
    return scancode != 0 && (c.Key[button] == scancode ||
                             std::find(c.MoreKeys[button].begin(), c.MoreKeys[button].end(),
                                       scancode) != c.MoreKeys[button].end());
}

bool AnyKeyDown(size_t button, const Uint8* keys) {
    const PadConfig& c = gPads.Config;
    if (c.Key[button] != 0 && keys[c.Key[button]] != 0) {
        return true;
    }
    return std::any_of(c.MoreKeys[button].begin(), c.MoreKeys[button].end(),
                       [&](int key) { return keys[key] != 0; });
}

// Window coordinates to the game's 1600 x 900 area, through the letterbox.
void SetMousePosition(int x, int y) {
    SDL_Window* window = CurrentScreen().Window;
    if (window == nullptr) {
        return;
    }
    int w = 0;
    int h = 0;
    SDL_GetWindowSize(window, &w, &h);
    if (w <= 0 || h <= 0) {
        return;
    }
    const double scale =
        std::min(static_cast<double>(w) / kScreenW, static_cast<double>(h) / kScreenH);
    const double left = (w - kScreenW * scale) / 2;
    const double top = (h - kScreenH * scale) / 2;
    gPads.MouseX = static_cast<int64_t>(std::floor((x - left) / scale));
    gPads.MouseY = static_cast<int64_t>(std::floor((y - top) / scale));
}

}  // namespace

void OpenPads(bool readDevices) {
    ClosePads();
    gPads.ReadDevices = readDevices;
    if (readDevices) {
        for (int i = 0; i < SDL_NumJoysticks(); ++i) {
            AddController(i);
        }
    }
}

void ClosePads() {
    for (SDL_GameController* c : gPads.Controllers) {
        SDL_GameControllerClose(c);
    }
    gPads = Pads{};
}

void PadEvent(const SDL_Event& event) {
    if (!gPads.ReadDevices) {
        return;
    }
    switch (event.type) {
        case SDL_KEYDOWN:
            for (size_t b = 0; b < TV_PAD_BUTTONS; ++b) {
                if (KeyOf(b, event.key.keysym.scancode)) {
                    gPads.KeyLatched[b] = true;
                }
            }
            break;
        case SDL_CONTROLLERBUTTONDOWN:
            if (PadZero() == nullptr || InstanceOf(PadZero()) != event.cbutton.which) {
                break;
            }
            for (size_t b = 0; b < TV_PAD_BUTTONS; ++b) {
                if (gPads.Config.Source[b] == event.cbutton.button) {
                    gPads.PadLatched[b] = true;
                }
            }
            break;
        case SDL_MOUSEBUTTONDOWN:
            if (event.button.button >= 1 && event.button.button <= kMouseButtons) {
                // SDL numbers left, middle, right; ours are left, right, middle.
                static constexpr size_t kOurs[] = {0, 2, 1};
                gPads.MouseLatched[kOurs[event.button.button - 1]] = true;
            }
            break;
        case SDL_CONTROLLERDEVICEADDED:
            AddController(event.cdevice.which);
            break;
        case SDL_CONTROLLERDEVICEREMOVED:
            RemoveController(event.cdevice.which);
            break;
        default:
            break;
    }
}

void AdvancePads() {
    if (!gPads.ReadDevices) {
        return;
    }
    const Uint8* keys = SDL_GetKeyboardState(nullptr);
    const uint32_t host = HostButtonsDown();
    for (size_t b = 0; b < TV_PAD_BUTTONS; ++b) {
        const bool down = gPads.KeyLatched[b] || gPads.PadLatched[b] || AnyKeyDown(b, keys) ||
                          SourceDown(gPads.Config.Source[b]) || SourceDown(kStickSource[b]) ||
                          ((host >> b) & 1u) != 0;
        gPads.Counts[b] = down ? gPads.Counts[b] + 1 : 0;
        gPads.KeyLatched[b] = false;
        gPads.PadLatched[b] = false;
    }
    int x = 0;
    int y = 0;
    const Uint32 mouse = SDL_GetMouseState(&x, &y);
    static constexpr Uint32 kMasks[kMouseButtons] = {SDL_BUTTON_LMASK, SDL_BUTTON_RMASK,
                                                     SDL_BUTTON_MMASK};
    for (size_t m = 0; m < kMouseButtons; ++m) {
        const bool down = gPads.MouseLatched[m] || (mouse & kMasks[m]) != 0;
        gPads.MouseCounts[m] = down ? gPads.MouseCounts[m] + 1 : 0;
        gPads.MouseLatched[m] = false;
    }
    SetMousePosition(x, y);
}

void ClearPadLatches() {
    gPads.KeyLatched.fill(false);
    gPads.PadLatched.fill(false);
    gPads.MouseLatched.fill(false);
    ClearHostLatches();
}

void SetPadKeys(size_t button, const std::vector<int>& keys) {
    gPads.Config.Key[button] = keys.empty() ? 0 : keys.front();
    gPads.Config.MoreKeys[button].assign(keys.begin() + (keys.empty() ? 0 : 1), keys.end());
}

std::vector<int> PadKeys(size_t button) {
    const PadConfig& c = gPads.Config;
    std::vector<int> keys;
    if (c.Key[button] != 0) {
        keys.push_back(c.Key[button]);
    }
    keys.insert(keys.end(), c.MoreKeys[button].begin(), c.MoreKeys[button].end());
    return keys;
}

int PadSource(size_t button) { return gPads.Config.Source[button]; }

void SetPadSource(size_t button, int source) {
    if (ValidSource(source)) {
        gPads.Config.Source[button] = source;
    }
}

uint32_t PadsDown() {
    uint32_t down = 0;
    for (size_t b = 0; b < TV_PAD_BUTTONS; ++b) {
        down |= gPads.Counts[b] > 0 ? 1u << b : 0u;
    }
    return down;
}

}  // namespace tolvex

using namespace tolvex;

extern "C" {

int64_t Pad(int64_t pad, int64_t button) {
    RequireReady("Pad");
    const size_t b = CheckedButton(button, "Pad");
    if (pad != 0) {
        return 0;
    }
    if (ScriptOn()) {
        const int64_t frame = CurrentSession().Frame;
        const int64_t since = ScriptDownSince(frame)[b];
        return since < 0 ? 0 : frame - since + 1;
    }
    return gPads.Counts[b];
}

void SetPadCfg(int64_t pad, int64_t button, int64_t source) {
    RequireReady("SetPadCfg");
    CheckPadZero(pad, "SetPadCfg");
    const size_t b = CheckedButton(button, "SetPadCfg");
    CheckUnlocked("SetPadCfg");
    if (!ValidSource(source)) {
        Raise(TV_ERR_ARG, "SetPadCfg: %lld is not a controller button or axis direction",
              static_cast<long long>(source));
    }
    gPads.Config.Source[b] = static_cast<int>(source);
}

int64_t GetPadCfg(int64_t pad, int64_t button) {
    RequireReady("GetPadCfg");
    CheckPadZero(pad, "GetPadCfg");
    return gPads.Config.Source[CheckedButton(button, "GetPadCfg")];
}

void LockPadCfg(bool lock) {
    RequireReady("LockPadCfg");
    gPads.Config.Locked = lock;
}

void SetPadKey(int64_t pad, int64_t button, int64_t key) {
    RequireReady("SetPadKey");
    CheckPadZero(pad, "SetPadKey");
    const size_t b = CheckedButton(button, "SetPadKey");
    CheckUnlocked("SetPadKey");
    if (key < 0 || key >= SDL_NUM_SCANCODES) {
        Raise(TV_ERR_ARG, "SetPadKey: %lld is not a key code", static_cast<long long>(key));
    }
    SetPadKeys(b, key == 0 ? std::vector<int>{} : std::vector<int>{static_cast<int>(key)});
}

int64_t Mouse(int64_t button) {
    RequireReady("Mouse");
    if (button < 0 || button >= kMouseButtons) {
        Raise(TV_ERR_ARG, "Mouse: button %lld is not 0 (left), 1 (right) or 2 (middle)",
              static_cast<long long>(button));
    }
    return gPads.MouseCounts[static_cast<size_t>(button)];
}

int64_t MouseX() {
    RequireReady("MouseX");
    return gPads.MouseX;
}

int64_t MouseY() {
    RequireReady("MouseY");
    return gPads.MouseY;
}

}  // extern "C"
