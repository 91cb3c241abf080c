// Files on Windows: the player's files read the bounded way, and the lock that lets one game
// at a time save.
#include <windows.h>
// After windows.h, which they need.
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "core/Runtime.h"
#include "platform/Platform.h"

namespace tolvex {

namespace {

constexpr DWORD kLockStepMs = 10;

// The folder itself, however it is spelt (a relative path, another case, a link): its volume
// and its number there; its spelling only when the system cannot say.
std::wstring FolderIdentity(const std::string& folder) {
    HANDLE handle = CreateFileW(FilePath(folder).c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = handle != INVALID_HANDLE_VALUE && GetFileInformationByHandle(handle, &info);
    if (handle != INVALID_HANDLE_VALUE) {
        CloseHandle(handle);
    }
    if (!known) {
        return std::to_wstring(std::hash<std::string>{}(folder));
    }
    return std::to_wstring(info.dwVolumeSerialNumber) + L"-" +
           std::to_wstring((static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow);
}

}  // namespace

int OpenOrdinaryFile(const std::string& utf8, uint64_t& size) {
    struct _stat64 info {};
    if (_wstat64(FilePath(utf8).c_str(), &info) != 0) {
        return -1;
    }
    if ((info.st_mode & _S_IFMT) != _S_IFREG) {
        return kNotOrdinaryFile;
    }
    const int fd = _wopen(FilePath(utf8).c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    if (fd < 0) {
        return -1;
    }
    if (_fstat64(fd, &info) != 0 || (info.st_mode & _S_IFMT) != _S_IFREG) {
        _close(fd);
        return kNotOrdinaryFile;
    }
    size = static_cast<uint64_t>(info.st_size);
    return fd;
}

long ReadOrdinaryFile(int fd, char* buffer, size_t size) {
    return _read(fd, buffer, static_cast<unsigned>(size));
}

void CloseOrdinaryFile(int fd) { _close(fd); }

int CreateNewFile(const std::string& utf8) {
    int fd = -1;
    const errno_t error = _wsopen_s(&fd, FilePath(utf8).c_str(),
                                    _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                                    _SH_DENYRW, _S_IREAD | _S_IWRITE);
    if (error != 0) {
        errno = error;
        return -1;
    }
    return fd;
}

bool RenameInFolder(const std::string& utf8, const std::string& name) {
    const std::filesystem::path from = FilePath(utf8);
    std::error_code error;
    std::filesystem::rename(from, from.parent_path() / FilePath(name), error);
    return !error;
}

bool RemoveFile(const std::string& utf8) {
    std::error_code error;
    std::filesystem::remove(FilePath(utf8), error);
    return !error;
}

// A mutex named after the folder: every game of this user's session sees the same one, and
// the system lets it go when its holder dies.
int64_t LockSaveFolder(const std::string& folder, int waitMs, std::string& why) {
    const std::wstring name = L"Local\\tolvex-save-" + FolderIdentity(folder);
    HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
    if (mutex == nullptr) {
        why = "error " + std::to_string(GetLastError());
        return kNoLock;
    }
    for (int waited = 0;; waited += static_cast<int>(kLockStepMs)) {
        const DWORD got = WaitForSingleObject(mutex, kLockStepMs);
        if (got == WAIT_OBJECT_0 || got == WAIT_ABANDONED) {
            return reinterpret_cast<int64_t>(mutex);
        }
        if (waited >= waitMs || InterruptRequested()) {
            CloseHandle(mutex);
            why = InterruptRequested() ? "the game is ending" : "another game holds it";
            return kNoLock;
        }
    }
}

void UnlockSaveFolder(int64_t lock) {
    if (lock != kNoLock) {
        const auto mutex = reinterpret_cast<HANDLE>(lock);
        ReleaseMutex(mutex);
        CloseHandle(mutex);
    }
}

}  // namespace tolvex
