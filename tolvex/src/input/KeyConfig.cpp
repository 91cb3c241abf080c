// The player's own keys: an optional keys.conf in the game's settings folder maps each action
// to one or more keys by their SDL names, one line an action:
//
//     # comment
//     attack = J, Z
//     pause = P, Pause
//
// A line that cannot be read gets one warning naming the file and the line, and its action
// keeps its default keys. Only a player at the window has a key file; scripted and headless
// runs ignore it.
#include <SDL.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>
#include <vector>

#include "core/Errors.h"
#include "core/Screen.h"
#include "files/DataFile.h"
#include "files/UserFiles.h"
#include "platform/Platform.h"

namespace tolvex {

namespace {

constexpr const char* kKeyFile = "keys.conf";
// Eight actions of a few keys each fit in far less.
constexpr uint64_t kMaxKeyFileBytes = 64 << 10;
constexpr int kPauseAction = -1;
constexpr int kScreenshotAction = -2;

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

const std::vector<int> kDefaultPauseKeys = {SDL_SCANCODE_P, SDL_SCANCODE_PAUSE};
const std::vector<int> kDefaultScreenshotKeys = {SDL_SCANCODE_F12};

std::vector<int> gPauseKeys = kDefaultPauseKeys;
std::vector<int> gScreenshotKeys = kDefaultScreenshotKeys;

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())) != 0) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())) != 0) {
        text.remove_suffix(1);
    }
    return text;
}

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

// Why the keys of a line cannot be read, or "" when they all can (then they are in `keys`).
std::string ReadKeys(std::string_view list, std::vector<int>& keys) {
    while (!list.empty()) {
        const size_t comma = list.find(',');
        const std::string name(Trimmed(list.substr(0, comma)));
        list = comma == std::string_view::npos ? std::string_view{} : list.substr(comma + 1);
        const SDL_Scancode key = SDL_GetScancodeFromName(name.c_str());
        if (key == SDL_SCANCODE_UNKNOWN) {
            return Quoted(name) + " is not a key name";
        }
        keys.push_back(key);
    }
    return keys.empty() ? "no keys after '='" : "";
}

void Apply(const Action& action, const std::vector<int>& keys) {
    if (action.Button == kPauseAction) {
        gPauseKeys = keys;
    } else if (action.Button == kScreenshotAction) {
        gScreenshotKeys = keys;
    } else {
        SetPadKeys(static_cast<size_t>(action.Button), keys);
    }
}

}  // namespace

void LoadKeyConfig() {
    gPauseKeys = kDefaultPauseKeys;
    gScreenshotKeys = kDefaultScreenshotKeys;
    const std::string folder = UserConfigFolder();
    if (folder.empty()) {
        return;
    }
    const std::string path = folder + kKeyFile;
    BoundedFile file(path, kMaxKeyFileBytes);
    std::string raw;
    bool cut = false;
    for (int number = 1; file.NextLine(raw, cut); ++number) {
        const std::string_view line = Trimmed(std::string_view(raw).substr(0, raw.find('#')));
        if (line.empty() && !cut) {
            continue;
        }
        const size_t equals = line.find('=');
        const Action* action = equals == std::string_view::npos
                                   ? nullptr
                                   : FindAction(Trimmed(line.substr(0, equals)));
        std::vector<int> keys;
        std::string why;
        if (cut) {
            why = "the line is longer than " + std::to_string(kMaxLineBytes) + " bytes";
            action = nullptr;
        } else if (equals == std::string_view::npos) {
            why = "not 'action = key, key...'";
        } else if (action == nullptr) {
            why = Quoted(Trimmed(line.substr(0, equals))) +
                  " is not an action (hop, attack, left, right, up, down, pause, screenshot)";
        } else {
            why = ReadKeys(line.substr(equals + 1), keys);
        }
        if (!why.empty()) {
            Warn(path + " line " + std::to_string(number) + ": " + why + "; " +
                 (action != nullptr ? std::string(action->Name) + " keeps its default keys"
                                    : "the line is left out"));
            continue;
        }
        Apply(*action, keys);
    }
    if (file.State() == FileRead::Refused) {
        Warn(std::string(kKeyFile) + " " + file.Why() + "; the keys are the default ones (" + path +
             ")");
    }
}

bool IsPauseKey(int scancode) {
    return std::find(gPauseKeys.begin(), gPauseKeys.end(), scancode) != gPauseKeys.end();
}

bool IsScreenshotKey(int scancode) {
    return std::find(gScreenshotKeys.begin(), gScreenshotKeys.end(), scancode) !=
           gScreenshotKeys.end();
}

}  // namespace tolvex
