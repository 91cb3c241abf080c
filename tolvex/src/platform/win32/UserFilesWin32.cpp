// The player's folders as Windows names them (the roaming application data and the
// pictures folder), and file replacement with MoveFileEx.
#include <windows.h>
// After windows.h, which they need.
#include <io.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "files/UserFiles.h"
#include "platform/Platform.h"

// windows.h names its own ReplaceFile this way; ours is the one declared in UserFiles.h.
#undef ReplaceFile

namespace tolvex {

namespace {

std::string KnownFolder(REFKNOWNFOLDERID id) {
    wchar_t* path = nullptr;
    std::string folder;
    if (SHGetKnownFolderPath(id, 0, nullptr, &path) == S_OK && path != nullptr) {
        const std::u8string utf8 = std::filesystem::path(path).u8string();
        folder.assign(utf8.begin(), utf8.end());
        folder.push_back('\\');
    }
    CoTaskMemFree(path);
    return folder;
}

}  // namespace

bool IsFolder(const std::string& path) {
    std::error_code error;
    return !path.empty() && std::filesystem::is_directory(FilePath(path), error);
}

std::string UserDataFolder() {
    const std::string base = KnownFolder(FOLDERID_RoamingAppData);
    return base.empty() ? base : base + UserFolderName() + "\\";
}

std::string UserConfigFolder() { return UserDataFolder(); }

std::string UserPicturesFolder() {
    const std::string pictures = KnownFolder(FOLDERID_Pictures);
    return !pictures.empty() && IsFolder(pictures) ? pictures : UserDataFolder();
}

bool ReplaceFile(const std::string& path, std::string_view bytes, std::string& why) {
    const std::string temporary = TemporaryName(path);
    const int fd = CreateNewFile(temporary);
    std::FILE* file = fd < 0 ? nullptr : _fdopen(fd, "wb");
    if (file == nullptr) {
        why = std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() &&
                         std::fflush(file) == 0 && _commit(_fileno(file)) == 0;
    const int error = errno;
    const bool closed = std::fclose(file) == 0;
    std::error_code ignored;
    if (!written || !closed) {
        why = std::strerror(written ? errno : error);
        std::filesystem::remove(FilePath(temporary), ignored);
        return false;
    }
    // The content is on the disk before the name points at it.
    if (!MoveFileExW(FilePath(temporary).c_str(), FilePath(path).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        why = "cannot replace the file (error " + std::to_string(GetLastError()) + ")";
        std::filesystem::remove(FilePath(temporary), ignored);
        return false;
    }
    return true;
}

uint64_t CurrentProcessId() { return GetCurrentProcessId(); }

bool ProcessIsGone(uint64_t id) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(id));
    const bool running = process != nullptr && WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    if (process != nullptr) {
        CloseHandle(process);
    }
    return !running;
}

namespace {

constexpr const wchar_t* kLogName = L"keldo.log";
// As the game's own log of errors: only its last 64 kB, cut at a line's start.
constexpr size_t kLogLimit = 64 * 1024;

}  // namespace

// The game's log of errors, %LOCALAPPDATA%\keldo\keldo.log: one dated line a warning. Best
// effort: a log that cannot be written must not hide the warning itself.
void LogForPlayer(const std::string& line) {
    const std::string base = KnownFolder(FOLDERID_LocalAppData);
    if (base.empty()) {
        return;
    }
    const std::filesystem::path folder = FilePath(base + UserFolderName());
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const std::filesystem::path log = folder / kLogName;
    std::string content;
    if (std::FILE* old = _wfopen(log.c_str(), L"rb")) {
        char buffer[4096];
        size_t got = 0;
        while ((got = std::fread(buffer, 1, sizeof buffer, old)) > 0 &&
               content.size() < 2 * kLogLimit) {
            content.append(buffer, got);
        }
        std::fclose(old);
    }
    SYSTEMTIME now{};
    GetLocalTime(&now);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u ", now.wYear, now.wMonth,
                  now.wDay, now.wHour, now.wMinute, now.wSecond);
    content += stamp + line + "\r\n";
    if (content.size() > kLogLimit) {
        const size_t start = content.find('\n', content.size() - kLogLimit);
        content.erase(0, start == std::string::npos ? content.size() - kLogLimit : start + 1);
    }
    std::string why;
    const std::u8string utf8 = log.u8string();
    ReplaceFile(std::string(utf8.begin(), utf8.end()), content, why);
}

}  // namespace tolvex
