// What the library needs from the operating system, one file per platform
// (PlatformPosix.cpp, PlatformWin32.cpp): the clock and the pacing sleep, the library's own
// folder, files by UTF-8 name, the input script's reader, files the user names for writing,
// the window's icon. The user's request to stop (Ctrl+C, a termination signal, the console
// being closed) and the display's failures are in Runtime.h, one file each per platform.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace tolvex {

// A clock that never goes back, in nanoseconds from an arbitrary start.
int64_t MonotonicNs();

// Sleeps until MonotonicNs() reaches `deadline`, without spinning; returns early once the user
// asks to stop.
void SleepUntilNs(int64_t deadline);
// Gives back what the pacing sleep holds (a timer, a finer system clock), at Free.
void StopPacing();

// Bits that differ from run to run, for seeding when no seed is given.
uint64_t RunEntropy();

// The folder that holds the library file itself, with a trailing separator. Raises
// TV_ERR_PLATFORM when it cannot be found.
std::string LibraryFolder();

// A path given in UTF-8, as the standard library's file streams take it.
inline std::filesystem::path FilePath(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// fopen for a UTF-8 name; null with errno set when it cannot be opened.
std::FILE* OpenFile(const std::string& utf8, const char* mode);

// Whether a file could be made at `utf8` (its folder exists and takes new files); errno
// says why not.
bool FolderWritable(const std::string& utf8);

// The input script: a file, or where the platform allows, a pipe that a driver writes while
// the game runs. OpenScriptSource gives -1 with errno set on failure.
int OpenScriptSource(const std::string& utf8);
void CloseScriptSource(int source);
// Waits for bytes (or the end) from the script, or for the user's request to stop: the bytes
// read, 0 at the end, kScriptWoken when woken with nothing read (the caller looks at
// InterruptRequested and asks again), kScriptFailed with errno set.
constexpr long kScriptWoken = -2;
constexpr long kScriptFailed = -1;
long ReadScriptSource(int source, char* buffer, size_t size);

// Opens (creates, empties) `path`, a file the user named in `variable`, for writing in binary
// mode; writes wait for a slow reader (a pipe). A pipe with no reader yet is waited for; a
// stop request ends the wait (the run's ending), any other failure is TV_ERR_CONFIG naming the
// variable.
std::FILE* OpenStreamToWrite(const std::string& path, const char* variable);

// Writes `bytes` to `path` (a file the user named in `variable`), every failure reported:
// TV_ERR_CONFIG naming the variable, the cause and the path, or the run's ending when a
// stop request comes while the write waits (on a pipe, say).
void WriteWholeFile(const std::string& path, const std::vector<unsigned char>& bytes,
                    const char* variable);

// Cuts an open file back to `size` bytes, keeping errno; false when it cannot.
bool CutFile(std::FILE* file, int64_t size);

// Runs `attempt` with standard error sent nowhere, for libraries that tell it about every
// failed try of something whose failure is no error here.
bool WithoutStderr(const std::function<bool()>& attempt);
// Where a line for the user goes, also from another thread during such a stretch (POSIX).
int StderrFd();
// After a fault cut the run short: the program has said why it ended, and nothing else is to
// be heard (a display that goes away while it closes, say).
void StayQuiet();

// Keeps the library loaded until the process ends, for a thread of it left running.
void KeepLibraryLoaded();

// SDL's audio driver that plays nothing, for runs without a sound device (headless).
const char* SilentSoundDriver();

// The window's icon, from the start-up record's icon field (0: none): on Windows a handle to
// the program's icon resource, elsewhere the name of a picture in the Data folder, which is
// read even when `window` is null (headless), so that a bad file fails the same way.
void ApplyWindowIcon(SDL_Window* window, uint64_t icon);

}  // namespace tolvex
