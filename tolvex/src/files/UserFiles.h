// The player's own folders (saved data, key settings, screenshots) and the safe replacement
// of a file in them. What differs between systems lives in one file per platform
// (UserFilesPosix.cpp, ...).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tolvex {

// The name of the game's folders under the player's data and settings folders: the first
// word of the window title in lower case ("KELDO var 0.2" gives "keldo"). Set by Init.
void SetUserFolderName(std::string_view title);
const std::string& UserFolderName();

// The game's folder in the player's data folder and in the settings folder (both end with
// '/'; they may not exist yet), or "" when the system names none.
std::string UserDataFolder();
std::string UserConfigFolder();
// Where screenshots go: the player's pictures folder, else the data folder ("" when neither
// is known). Ends with '/'.
std::string UserPicturesFolder();

bool IsFolder(const std::string& path);

// Makes `folder` and its parents; false with `why` filled when it cannot.
bool MakeFolders(const std::string& folder, std::string& why);

// Replaces the file at `path` with `bytes` so that, whenever the process dies, the path holds
// either the old content or the new one in full: a temporary file in the same folder is
// written, flushed to the disk and renamed over it. False with `why` filled on failure.
bool ReplaceFile(const std::string& path, std::string_view bytes, std::string& why);

// Removes the temporary files that ReplaceFile left for `path` in processes that died while
// writing (those of processes still running are theirs to finish).
void RemoveDeadTemporaries(const std::string& path);

// A new name for ReplaceFile's temporary file for `path`: the process number and a random
// part, so that nobody can place anything at it beforehand. ReplaceFile creates it only where
// nothing is, and takes another name when something is.
std::string TemporaryName(const std::string& path);
uint64_t CurrentProcessId();
// Whether the process `id` has ended (one that cannot be asked about counts as running).
bool ProcessIsGone(uint64_t id);

// Renames `path` to `path` + ".bad", replacing an older one; the new name, or "" on failure.
std::string SetAside(const std::string& path);

// One line on standard error, "tolvex: warning: ...", written in one piece; the player also
// sees it over the picture (a warning always tells of something the player loses).
void Warn(const std::string& text);

// Where a game started by a double-click has no console for its warnings (Windows), the line
// also goes into the player's log beside the game's own errors; elsewhere nothing.
void LogForPlayer(const std::string& line);

// Warn, but only once a run for each `mark` (for what fails again at every try).
void WarnOncePerRun(uint64_t& mark, const std::string& text);

// A short line for the player over the picture, from any thread; TakeNotices gives those said
// since it was last asked, oldest first.
void Notify(const std::string& text);
std::vector<std::string> TakeNotices();

}  // namespace tolvex
