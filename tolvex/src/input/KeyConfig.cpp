// The player's own keys: an optional keys.conf in the game's settings folder maps each action
// to one or more keys by their SDL names, one line an action:
//
//     # comment
//     attack = J, Z
//     pause = P, Pause
//
// A line that cannot be read gets one warning naming the file and the line, and its action
// keeps its default keys. The controller's buttons are kept the same way in pad.conf, by SDL's
// names of them ("attack = x"). The pause menu binds keys and buttons and writes the lines of
// what it changed into these files, keeping every other line as the player wrote it. Only a
// player at the window has these files; scripted and headless runs ignore them.
#include <SDL.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/Errors.h"
#include "core/Runtime.h"
#include "core/Screen.h"
#include "files/DataFile.h"
#include "files/UserFiles.h"
#include "plain/PlainText.h"
#include "platform/Platform.h"

namespace tolvex {

namespace {

constexpr const char* kKeyFile = "keys.conf";
constexpr const char* kButtonFile = "pad.conf";
// Eight actions of a few keys each fit in far less.
constexpr uint64_t kMaxKeyFileBytes = 64 << 10;
constexpr int kPauseAction = -1;
constexpr int kScreenshotAction = -2;
constexpr int kLockWaitMs = 2000;

struct Action {
    std::string_view Name;
    int Button;  // the pad button, or one of the library's own actions
};
constexpr Action kActions[] = {{"hop", 0},
                               {"attack", 2},
                               {"left", 12},
                               {"right", 13},
                               {"up", 14},
                               {"down", 15},
                               {"pause", kPauseAction},
                               {"screenshot", kScreenshotAction}};
constexpr size_t kActionCount = std::size(kActions);

// Keys that the window and the menu keep for themselves: binding one is refused.
constexpr int kKeptKeys[] = {SDL_SCANCODE_ESCAPE, SDL_SCANCODE_F11, SDL_SCANCODE_M};

const std::vector<int> kDefaultPauseKeys = {SDL_SCANCODE_P, SDL_SCANCODE_PAUSE};
const std::vector<int> kDefaultScreenshotKeys = {SDL_SCANCODE_F12};

std::vector<int> gPauseKeys = kDefaultPauseKeys;
std::vector<int> gScreenshotKeys = kDefaultScreenshotKeys;

// Every action's keys and controller button as the run started, before the player's files.
struct Defaults {
    std::array<std::vector<int>, kActionCount> Keys;
    std::array<int, kActionCount> Buttons{};
};
Defaults gDefaults;
uint64_t gWarnedSaveIn = 0;

const Action* FindAction(std::string_view name) {
    for (const Action& action : kActions) {
        if (action.Name.size() == name.size() &&
            std::equal(name.begin(), name.end(), action.Name.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) == b;
            })) {
            return &action;
        }
    }
    return nullptr;
}

int KeyFromName(const std::string& name) { return SDL_GetScancodeFromName(name.c_str()); }

int ButtonFromName(const std::string& name) {
    return SDL_GameControllerGetButtonFromString(name.c_str());
}

// Why the names of a line cannot be read, or "" when they all can (then they are in `codes`).
std::string ReadNames(std::string_view list, const std::function<int(const std::string&)>& code,
                      int unknown, const char* what, std::vector<int>& codes) {
    while (!list.empty()) {
        const size_t comma = list.find(',');
        const std::string name(Trim(list.substr(0, comma)));
        list = comma == std::string_view::npos ? std::string_view{} : list.substr(comma + 1);
        const int found = code(name);
        if (found == unknown) {
            return Quoted(name) + " is not a " + what + " name";
        }
        codes.push_back(found);
    }
    return codes.empty() ? "nothing after '='" : "";
}

std::vector<int> KeysOf(const Action& action) {
    if (action.Button == kPauseAction) {
        return gPauseKeys;
    }
    if (action.Button == kScreenshotAction) {
        return gScreenshotKeys;
    }
    return PadKeys(static_cast<size_t>(action.Button));
}

void SetKeys(const Action& action, const std::vector<int>& keys) {
    if (action.Button == kPauseAction) {
        gPauseKeys = keys;
    } else if (action.Button == kScreenshotAction) {
        gScreenshotKeys = keys;
    } else {
        SetPadKeys(static_cast<size_t>(action.Button), keys);
    }
}

// The pause is a controller's Start, always; the screenshot has no button.
int ButtonOf(const Action& action) {
    if (action.Button == kPauseAction) {
        return SDL_CONTROLLER_BUTTON_START;
    }
    return action.Button < 0 ? SDL_CONTROLLER_BUTTON_INVALID
                             : PadSource(static_cast<size_t>(action.Button));
}

bool TakesButton(const Action& action) { return action.Button >= 0; }

// One of the player's files, line by line: each action's line goes to `apply`, each line that
// cannot be read gets a warning naming the file and the line.
void ReadActionFile(const std::string& path, const char* file,
                    const std::function<int(const std::string&)>& code, int unknown,
                    const char* what,
                    const std::function<void(const Action&, const std::vector<int>&)>& apply) {
    BoundedFile reader(path, kMaxKeyFileBytes);
    std::string raw;
    bool cut = false;
    for (int number = 1; reader.NextLine(raw, cut); ++number) {
        const std::string_view line = Trim(std::string_view(raw).substr(0, raw.find('#')));
        if (line.empty() && !cut) {
            continue;
        }
        const size_t equals = line.find('=');
        const Action* action =
            equals == std::string_view::npos ? nullptr : FindAction(Trim(line.substr(0, equals)));
        std::vector<int> codes;
        std::string why;
        if (cut) {
            why = "the line is longer than " + std::to_string(kMaxLineBytes) + " bytes";
            action = nullptr;
        } else if (equals == std::string_view::npos) {
            why = std::string("not 'action = ") + what + ", " + what + "...'";
        } else if (action == nullptr) {
            why = Quoted(Trim(line.substr(0, equals))) +
                  " is not an action (hop, attack, left, right, up, down, pause, screenshot)";
        } else {
            why = ReadNames(line.substr(equals + 1), code, unknown, what, codes);
        }
        if (!why.empty()) {
            Warn(path + " line " + std::to_string(number) + ": " + why + "; " +
                 (action != nullptr ? std::string(action->Name) + " keeps its default " + what + "s"
                                    : "the line is left out"));
            continue;
        }
        apply(*action, codes);
    }
    if (reader.State() == FileRead::Refused) {
        Warn(std::string(file) + " " + reader.Why() + "; the " + what + "s are the default ones (" +
             path + ")");
    }
}

std::string KeyName(int scancode) {
    return SDL_GetScancodeName(static_cast<SDL_Scancode>(scancode));
}

std::string ButtonName(int button) {
    const char* name =
        SDL_GameControllerGetStringForButton(static_cast<SDL_GameControllerButton>(button));
    return name == nullptr ? std::string{} : name;
}

// A controller button as the menu shows it; the files keep SDL's own name.
std::string ButtonLabel(int button) {
    static constexpr std::pair<int, const char*> kLabels[] = {
        {SDL_CONTROLLER_BUTTON_A, "A"},
        {SDL_CONTROLLER_BUTTON_B, "B"},
        {SDL_CONTROLLER_BUTTON_X, "X"},
        {SDL_CONTROLLER_BUTTON_Y, "Y"},
        {SDL_CONTROLLER_BUTTON_START, "Start"},
        {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, "left shoulder"},
        {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, "right shoulder"},
        {SDL_CONTROLLER_BUTTON_DPAD_UP, "d-pad up"},
        {SDL_CONTROLLER_BUTTON_DPAD_DOWN, "d-pad down"},
        {SDL_CONTROLLER_BUTTON_DPAD_LEFT, "d-pad left"},
        {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, "d-pad right"}};
    for (const auto& [code, label] : kLabels) {
        if (code == button) {
            return label;
        }
    }
    return ButtonName(button);
}

std::string KeysLine(const Action& action) {
    std::string line;
    for (const int key : KeysOf(action)) {
        line += (line.empty() ? "" : ", ") + KeyName(key);
    }
    return line;
}

// Writes the lines of the actions in `changed` into `file`: each one where the action's first
// line was (its other lines dropped, since a later line would win), or at the end; every
// other line stays as the player wrote it. Under the folder's lock, so that two games saving
// at once each keep what the other wrote.
void WriteActionLines(const char* file, const std::vector<const Action*>& changed,
                      const std::function<std::string(const Action&)>& value) {
    const std::string folder = UserConfigFolder();
    std::string why;
    if (folder.empty() || !MakeFolders(folder, why)) {
        WarnOncePerRun(gWarnedSaveIn, std::string("no settings folder") +
                                          (why.empty() ? "" : " (" + why + ")") +
                                          "; the controls are not kept");
        return;
    }
    const std::string path = folder + file;
    const int64_t lock = LockSaveFolder(folder, kLockWaitMs, why);
    if (lock == kNoLock) {
        WarnOncePerRun(gWarnedSaveIn, "cannot lock the folder " + folder + " (" + why +
                                          "); the controls are not kept");
        return;
    }
    const HeldFolderLock held(lock);
    BoundedFile reader(path, kMaxKeyFileBytes);
    std::string out;
    std::vector<const Action*> placed;
    std::string raw;
    bool cut = false;
    while (reader.NextLine(raw, cut)) {
        const std::string_view line = Trim(std::string_view(raw).substr(0, raw.find('#')));
        const size_t equals = line.find('=');
        const Action* action = cut || equals == std::string_view::npos
                                   ? nullptr
                                   : FindAction(Trim(line.substr(0, equals)));
        if (action == nullptr ||
            std::find(changed.begin(), changed.end(), action) == changed.end()) {
            out += raw + "\n";
        } else if (std::find(placed.begin(), placed.end(), action) == placed.end()) {
            placed.push_back(action);
            out += std::string(action->Name) + " = " + value(*action) + "\n";
        }
    }
    if (reader.State() == FileRead::Refused || reader.State() == FileRead::Interrupted) {
        WarnOncePerRun(gWarnedSaveIn, std::string(file) + " " + reader.Why() +
                                          "; the controls are not kept (" + path + ")");
        return;
    }
    for (const Action* action : changed) {
        if (std::find(placed.begin(), placed.end(), action) == placed.end()) {
            out += std::string(action->Name) + " = " + value(*action) + "\n";
        }
    }
    if (!ReplaceFile(path, out, why)) {
        WarnOncePerRun(gWarnedSaveIn,
                       "cannot save " + path + ": " + why + "; the controls are not kept");
    }
}

void SaveKeys(const std::vector<const Action*>& changed) {
    WriteActionLines(kKeyFile, changed, KeysLine);
}

void SaveButtons(const std::vector<const Action*>& changed) {
    WriteActionLines(kButtonFile, changed,
                     [](const Action& action) { return ButtonName(ButtonOf(action)); });
}

}  // namespace

void LoadKeyConfig() {
    gPauseKeys = kDefaultPauseKeys;
    gScreenshotKeys = kDefaultScreenshotKeys;
    for (size_t a = 0; a < kActionCount; ++a) {
        gDefaults.Keys[a] = KeysOf(kActions[a]);
        gDefaults.Buttons[a] = ButtonOf(kActions[a]);
    }
    const std::string folder = UserConfigFolder();
    if (folder.empty()) {
        return;
    }
    ReadActionFile(folder + kKeyFile, kKeyFile, KeyFromName, SDL_SCANCODE_UNKNOWN, "key", SetKeys);
    ReadActionFile(folder + kButtonFile, kButtonFile, ButtonFromName, SDL_CONTROLLER_BUTTON_INVALID,
                   "button", [](const Action& action, const std::vector<int>& buttons) {
                       // The first of them: a controller button drives one action.
                       if (TakesButton(action)) {
                           SetPadSource(static_cast<size_t>(action.Button), buttons.front());
                       }
                   });
}

bool IsPauseKey(int scancode) {
    return std::find(gPauseKeys.begin(), gPauseKeys.end(), scancode) != gPauseKeys.end();
}

bool IsScreenshotKey(int scancode) {
    return std::find(gScreenshotKeys.begin(), gScreenshotKeys.end(), scancode) !=
           gScreenshotKeys.end();
}

size_t ControlCount() { return kActionCount; }

ControlView ViewControl(size_t index) {
    const Action& action = kActions[index];
    const int button = ButtonOf(action);
    return {std::string(action.Name), KeysLine(action),
            button == SDL_CONTROLLER_BUTTON_INVALID ? std::string{} : ButtonLabel(button)};
}

std::string BindKey(size_t index, int scancode) {
    const Action& action = kActions[index];
    if (std::find(std::begin(kKeptKeys), std::end(kKeptKeys), scancode) != std::end(kKeptKeys)) {
        return KeyName(scancode) + " is the menu's own key: not bound";
    }
    const std::vector<int> before = KeysOf(action);
    if (before == std::vector<int>{scancode}) {
        return std::string(action.Name) + " is already " + KeyName(scancode);
    }
    std::vector<const Action*> changed = {&action};
    std::string said = std::string(action.Name) + " = " + KeyName(scancode);
    for (const Action& other : kActions) {
        std::vector<int> keys = KeysOf(other);
        if (&other == &action || std::find(keys.begin(), keys.end(), scancode) == keys.end()) {
            continue;
        }
        // Never one key for two actions: the other one gives it up, and takes this one's
        // first key when that would leave it none.
        keys.erase(std::remove(keys.begin(), keys.end(), scancode), keys.end());
        if (keys.empty() && !before.empty()) {
            keys.push_back(before.front());
        }
        SetKeys(other, keys);
        changed.push_back(&other);
        said += "; " + std::string(other.Name) + " = " + KeysLine(other);
    }
    SetKeys(action, {scancode});
    SaveKeys(changed);
    return said;
}

std::string BindButton(size_t index, int button) {
    const Action& action = kActions[index];
    if (!TakesButton(action) || button == SDL_CONTROLLER_BUTTON_START) {
        return TakesButton(action) ? "Start is the pause: not bound"
                                   : std::string(action.Name) + " has no controller button";
    }
    const int before = ButtonOf(action);
    if (before == button) {
        return std::string(action.Name) + " is already " + ButtonLabel(button);
    }
    std::vector<const Action*> changed = {&action};
    std::string said = std::string(action.Name) + " = " + ButtonLabel(button);
    for (const Action& other : kActions) {
        if (&other != &action && TakesButton(other) && ButtonOf(other) == button) {
            SetPadSource(static_cast<size_t>(other.Button), before);
            changed.push_back(&other);
            said += "; " + std::string(other.Name) + " = " + ButtonLabel(before);
        }
    }
    SetPadSource(static_cast<size_t>(action.Button), button);
    SaveButtons(changed);
    return said;
}

std::string ResetControls() {
    std::vector<const Action*> all;
    std::vector<const Action*> withButtons;
    for (size_t a = 0; a < kActionCount; ++a) {
        SetKeys(kActions[a], gDefaults.Keys[a]);
        all.push_back(&kActions[a]);
        if (TakesButton(kActions[a])) {
            SetPadSource(static_cast<size_t>(kActions[a].Button), gDefaults.Buttons[a]);
            withButtons.push_back(&kActions[a]);
        }
    }
    SaveKeys(all);
    SaveButtons(withButtons);
    return "every control is back to its default";
}

}  // namespace tolvex
