// The player's sound settings from the pause menu: settings.conf beside keys.conf, a few
// "name = value" lines that a player may read and edit. It is kept with the care the best
// score gets: read within a small limit, a damaged file set aside with one warning and the
// defaults taken, replaced whole and atomically, and with two games open a save writes only
// what this game changed over what the other one saved.
#include <charconv>
#include <optional>
#include <string>
#include <string_view>

#include "core/Runtime.h"
#include "core/Screen.h"
#include "files/DataFile.h"
#include "files/UserFiles.h"
#include "plain/PlainText.h"
#include "platform/Platform.h"

namespace tolvex {

namespace {

constexpr const char* kSettingsFile = "settings.conf";
// A few short lines; anything much larger was never written by the game.
constexpr uint64_t kMaxSettingsBytes = 4 << 10;
constexpr std::string_view kVolumeName = "volume";
constexpr std::string_view kMuteName = "mute";
constexpr std::string_view kOn = "on";
constexpr std::string_view kOff = "off";
constexpr int kLockWaitMs = 2000;

// What this run last read or wrote: a save keeps what another game changed since.
PlayerSettings gSeen;
uint64_t gWarnedIn = 0;

// Why a line cannot be believed, or "" when it was taken into `settings`.
std::string ReadLine(std::string_view line, PlayerSettings& settings) {
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
        return "not 'name = value'";
    }
    const std::string_view name = Trim(line.substr(0, equals));
    const std::string_view value = Trim(line.substr(equals + 1));
    if (name == kVolumeName) {
        int percent = -1;
        const auto [end, error] =
            std::from_chars(value.data(), value.data() + value.size(), percent);
        if (error != std::errc{} || end != value.data() + value.size() || percent < 0 ||
            percent > kVolumePercentMax || percent % kVolumeStepPercent != 0) {
            return "the volume is not 0 to 100 in steps of 10";
        }
        settings.VolumePercent = percent;
        return "";
    }
    if (name == kMuteName && (value == kOn || value == kOff)) {
        settings.Muted = value == kOn;
        return "";
    }
    return name == kMuteName ? "mute is neither on nor off" : "unknown setting";
}

enum class Found { Sound, Fresh, Refused };

// The settings at `path`: sound, fresh (no file, or a damaged one now set aside with a warning)
// or refused (not an ordinary file, unreadable: `why` says so).
Found ReadSettings(const std::string& path, PlayerSettings& settings, std::string& why) {
    settings = PlayerSettings{};
    BoundedFile file(path, kMaxSettingsBytes);
    std::string raw;
    bool cut = false;
    std::string damage;
    for (int number = 1; damage.empty() && file.NextLine(raw, cut); ++number) {
        const std::string_view line = Trim(std::string_view(raw).substr(0, raw.find('#')));
        if (cut) {
            damage = "line " + std::to_string(number) + " is too long";
        } else if (!line.empty()) {
            const std::string problem = ReadLine(line, settings);
            damage = problem.empty() ? "" : "line " + std::to_string(number) + ": " + problem;
        }
    }
    switch (file.State()) {
        case FileRead::Read:
            break;
        case FileRead::Missing:
            return Found::Fresh;
        case FileRead::Refused:
            why = std::string(kSettingsFile) + " " + file.Why();
            return Found::Refused;
        case FileRead::Interrupted:
            why = std::string(kSettingsFile) + " was not read: the game is ending";
            return Found::Refused;
    }
    if (damage.empty()) {
        return Found::Sound;
    }
    settings = PlayerSettings{};
    const std::string aside = SetAside(path);
    Warn(std::string(kSettingsFile) + " is damaged (" + damage + "); the sound settings are the " +
         "default ones and " +
         (aside.empty() ? "the file could not be set aside"
                        : "it is set aside as settings.conf.bad") +
         " (" + path + ")");
    return Found::Fresh;
}

std::string Written(const PlayerSettings& settings) {
    return "# The pause menu's sound settings: volume 0 to 100 in steps of 10, mute on or off.\n" +
           std::string(kVolumeName) + " = " + std::to_string(settings.VolumePercent) + "\n" +
           std::string(kMuteName) + " = " + std::string(settings.Muted ? kOn : kOff) + "\n";
}

}  // namespace

PlayerSettings LoadPlayerSettings() {
    gSeen = PlayerSettings{};
    const std::string folder = UserConfigFolder();
    if (folder.empty()) {
        return gSeen;
    }
    const std::string path = folder + kSettingsFile;
    RemoveDeadTemporaries(path);
    std::string why;
    PlayerSettings settings;
    if (ReadSettings(path, settings, why) == Found::Refused) {
        Warn(why + "; the sound settings are the default ones and will not be kept (" + path + ")");
        gWarnedIn = CurrentSession().Generation;
        return gSeen;
    }
    gSeen = settings;
    return settings;
}

void SavePlayerSettings(const PlayerSettings& mine) {
    const std::string folder = UserConfigFolder();
    if (folder.empty()) {
        WarnOncePerRun(gWarnedIn,
                       "no folder for settings (HOME is not set); the sound settings are not kept");
        return;
    }
    std::string why;
    if (!MakeFolders(folder, why)) {
        WarnOncePerRun(gWarnedIn, "cannot make the folder " + folder + " (" + why +
                                      "); the sound settings are " + "not kept");
        return;
    }
    const std::string path = folder + kSettingsFile;
    const int64_t lock = LockSaveFolder(folder, kLockWaitMs, why);
    if (lock == kNoLock) {
        WarnOncePerRun(gWarnedIn, "cannot lock the folder " + folder + " (" + why +
                                      "); the sound settings are " + "not kept");
        return;
    }
    const HeldFolderLock held(lock);
    PlayerSettings onDisk;
    if (ReadSettings(path, onDisk, why) == Found::Refused) {
        WarnOncePerRun(gWarnedIn, why + "; the sound settings are not kept (" + path + ")");
        return;
    }
    // What this game changed wins; what it left alone is what another game may have saved.
    PlayerSettings merged = onDisk;
    if (mine.VolumePercent != gSeen.VolumePercent) {
        merged.VolumePercent = mine.VolumePercent;
    }
    if (mine.Muted != gSeen.Muted) {
        merged.Muted = mine.Muted;
    }
    if (!ReplaceFile(path, Written(merged), why)) {
        WarnOncePerRun(gWarnedIn,
                       "cannot save " + path + ": " + why + "; the sound settings are not kept");
        return;
    }
    gSeen = mine;
}

}  // namespace tolvex
