// The library on Windows.
#include <SDL_syswm.h>
#include <fcntl.h>
#include <io.h>
#include <windows.h>
// After windows.h, which it needs.
#include <timeapi.h>

#include <cerrno>
#include <cstring>
#include <cwchar>

#include "core/Errors.h"
#include "core/Runtime.h"
#include "platform/Platform.h"
#include "platform/win32/WideText.h"

namespace tolvex {

namespace {

// A timer that wakes within a fraction of a millisecond where Windows has one; elsewhere an
// ordinary one, with the system's timer made fine-grained for as long as the library runs.
// Windows 10 1803 has the flag; these headers may be older.
constexpr DWORD kHighResolutionTimer = 0x00000002;  // CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
HANDLE gTimer = nullptr;
bool gCoarseTimer = false;

int64_t PerformanceFrequency() {
    static const int64_t frequency = [] {
        LARGE_INTEGER f{};
        QueryPerformanceFrequency(&f);
        return static_cast<int64_t>(f.QuadPart);
    }();
    return frequency;
}

HANDLE PacingTimer() {
    if (gTimer == nullptr) {
        gTimer = CreateWaitableTimerExW(nullptr, nullptr, kHighResolutionTimer, TIMER_ALL_ACCESS);
        if (gTimer == nullptr) {
            gTimer = CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
            gCoarseTimer = gTimer != nullptr;
            if (gCoarseTimer) {
                timeBeginPeriod(1);
            }
        }
    }
    return gTimer;
}

}  // namespace

void StopPacing() {
    if (gTimer != nullptr) {
        CloseHandle(gTimer);
        gTimer = nullptr;
    }
    if (gCoarseTimer) {
        timeEndPeriod(1);
        gCoarseTimer = false;
    }
}

int64_t MonotonicNs() {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    constexpr int64_t kSecondNs = 1'000'000'000;
    const int64_t frequency = PerformanceFrequency();
    const int64_t ticks = static_cast<int64_t>(now.QuadPart);
    // In two parts, so that the product cannot overflow after a long uptime.
    return ticks / frequency * kSecondNs + ticks % frequency * kSecondNs / frequency;
}

void SleepUntilNs(int64_t deadline) {
    constexpr int64_t kTickNs = 100;  // the timer counts in 100 ns units
    const int64_t wait = deadline - MonotonicNs();
    if (wait <= 0 || InterruptRequested()) {
        return;
    }
    HANDLE timer = PacingTimer();
    LARGE_INTEGER due{};
    due.QuadPart = -(wait / kTickNs);  // negative: relative to now
    if (timer != nullptr && SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE)) {
        WaitForSingleObject(timer, INFINITE);
    } else {
        Sleep(static_cast<DWORD>(wait / 1'000'000));
    }
}

uint64_t RunEntropy() {
    FILETIME wall{};
    GetSystemTimePreciseAsFileTime(&wall);
    return (static_cast<uint64_t>(wall.dwHighDateTime) << 32 | wall.dwLowDateTime) ^
           static_cast<uint64_t>(MonotonicNs()) ^
           (static_cast<uint64_t>(GetCurrentProcessId()) << 40);
}

std::string LibraryFolder() {
    HMODULE self = nullptr;
    if (!GetModuleHandleExW(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCWSTR>(&LibraryFolder), &self)) {
        Raise(TV_ERR_PLATFORM, "Init: cannot find the library's own file (error %lu)",
              GetLastError());
    }
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(self, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) {
            Raise(TV_ERR_PLATFORM, "Init: cannot find the library's own file (error %lu)",
                  GetLastError());
        }
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    return Utf8(path.substr(0, path.find_last_of(L"\\/") + 1));
}

std::FILE* OpenFile(const std::string& utf8, const char* mode) {
    return _wfopen(Wide(utf8).c_str(), Wide(mode).c_str());
}

bool FolderWritable(const std::string& utf8) {
    const size_t slash = utf8.find_last_of("/\\");
    const std::wstring dir = slash == std::string::npos ? L"." : Wide(utf8.substr(0, slash + 1));
    const DWORD attributes = GetFileAttributesW(dir.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        errno = ENOENT;
        return false;
    }
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        errno = EACCES;
        return false;
    }
    return true;
}

// Scripts are read as files here: lock-step through pipes is for the POSIX build's drivers.
int OpenScriptSource(const std::string& utf8) {
    return _wopen(Wide(utf8).c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
}

void CloseScriptSource(int source) { _close(source); }

long ReadScriptSource(int source, char* buffer, size_t size) {
    const int n = _read(source, buffer, static_cast<unsigned>(size));
    return n < 0 ? kScriptFailed : n;
}

// SDL's own silent driver.
const char* SilentSoundDriver() { return "dummy"; }

bool SoundWaitsForPlayer() { return false; }

void LetHostCatchUp() {}

void KeepLibraryLoaded() {
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&KeepLibraryLoaded), &self);
}

// The record carries the program's icon resource, loaded by the program itself.
void ApplyWindowIcon(SDL_Window* window, uint64_t icon) {
    if (window == nullptr || icon == 0) {
        return;
    }
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info)) {
        return;  // a window without our icon is still a window
    }
    // The record's icon is the group's default size; the title bar and the task switcher each
    // get the group's own picture at the size the system asks for (the drawn 16 px one, say),
    // not that one scaled. The window keeps them for the rest of the run.
    const auto group = reinterpret_cast<HICON>(icon);
    const auto sized = [group](int width, int height) {
        HANDLE copy = CopyImage(group, IMAGE_ICON, GetSystemMetrics(width),
                                GetSystemMetrics(height), LR_COPYFROMRESOURCE);
        return reinterpret_cast<LPARAM>(copy != nullptr ? copy : group);
    };
    SendMessageW(info.info.win.window, WM_SETICON, ICON_BIG, sized(SM_CXICON, SM_CYICON));
    SendMessageW(info.info.win.window, WM_SETICON, ICON_SMALL, sized(SM_CXSMICON, SM_CYSMICON));
}

// Files named by the user are written plainly: lock-step through pipes is for the POSIX
// build's drivers.
std::FILE* OpenStreamToWrite(const std::string& path, const char* variable) {
    if (InterruptRequested()) {
        RaiseInterrupted(variable);
    }
    std::FILE* file = OpenFile(path, "wb");
    if (file == nullptr) {
        Raise(TV_ERR_CONFIG, "%s: cannot write: %s (%s)", variable, std::strerror(errno),
              path.c_str());
    }
    return file;
}

void WriteWholeFile(const std::string& path, const std::vector<unsigned char>& bytes,
                    const char* variable) {
    std::FILE* file = OpenStreamToWrite(path, variable);
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const int error = errno;
    if (std::fclose(file) != 0 || !written) {
        Raise(TV_ERR_CONFIG, "%s: cannot write: %s (%s)", variable,
              std::strerror(written ? errno : error), path.c_str());
    }
}

bool CutFile(std::FILE* file, int64_t size) {
    const int error = errno;
    const bool cut = _chsize_s(_fileno(file), size) == 0;
    errno = error;
    return cut;
}

// A program with a window has no console to trouble; nothing to hide.
bool WithoutStderr(const std::function<bool()>& attempt) { return attempt(); }

void StayQuiet() {}

}  // namespace tolvex
