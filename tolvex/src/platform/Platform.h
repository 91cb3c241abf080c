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

// An ordinary file opened for reading without waiting for anything: the descriptor, with
// `size` set; -1 with errno set when it cannot be opened; kNotOrdinaryFile for a pipe, a
// device or a folder, which is not even opened (the writer of a pipe would see a reader come
// and go).
constexpr int kNotOrdinaryFile = -2;
int OpenOrdinaryFile(const std::string& utf8, uint64_t& size);
// Bytes read, 0 at the end, -1 with errno set.
long ReadOrdinaryFile(int fd, char* buffer, size_t size);
void CloseOrdinaryFile(int fd);

// Creates a file at `utf8` for writing, only if nothing is there yet, not even a link (nor a
// link to nowhere): the descriptor, or -1 with errno set (EEXIST when something is). These
// reach a file through its folder where the system allows, so that a long folder path leaves
// the same room for the file's name.
int CreateNewFile(const std::string& utf8);
// Renames the file at `utf8` to `name` in the same folder, replacing what is there; false when
// it cannot.
bool RenameInFolder(const std::string& utf8, const std::string& name);
// Removes the file at `utf8`; false when it cannot.
bool RemoveFile(const std::string& utf8);

// Holds the lock of the saved-data folder `folder` (one game saves at a time) until the
// returned value is given to UnlockSaveFolder; waits at most `waitMs`, or less when a stop is
// asked for. kNoLock when it could not be had, with `why` filled.
constexpr int64_t kNoLock = -1;
int64_t LockSaveFolder(const std::string& folder, int waitMs, std::string& why);
void UnlockSaveFolder(int64_t lock);
// Lets go of a lock from LockSaveFolder however the scope that holds it ends.
class HeldFolderLock {
public:
    explicit HeldFolderLock(int64_t lock) : Lock(lock) {}
    ~HeldFolderLock() { UnlockSaveFolder(Lock); }
    HeldFolderLock(const HeldFolderLock&) = delete;
    HeldFolderLock& operator=(const HeldFolderLock&) = delete;

private:
    int64_t Lock;
};

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

// SDL's audio driver that plays nothing, for runs without a sound device (headless), and
// while the device waits for the player.
const char* SilentSoundDriver();

// Within a long stretch of work between frames (starting up, loading pictures and sounds), a
// page's browser takes a turn now and then, to paint and to answer the player; elsewhere this
// does nothing.
void LetHostCatchUp();

// Whether the sound device must wait for the player's first key, click or touch: a page's
// browser plays nothing before one, and starting its audio holds the page up for a long
// moment, which is better spent as the player starts than while the title loads.
bool SoundWaitsForPlayer();

// The window's icon, from the start-up record's icon field (0: none): on Windows a handle to
// the program's icon resource, elsewhere the name of a picture in the Data folder, which is
// read even when `window` is null (headless), so that a bad file fails the same way.
void ApplyWindowIcon(SDL_Window* window, uint64_t icon);

}  // namespace tolvex
