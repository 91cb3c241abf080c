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

#include "Platform.h"
#include "UserFiles.h"

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
        folder.push_back('/');
    }
    CoTaskMemFree(path);
    return folder;
}

std::string TemporaryPrefix(const std::string& path) { return path + ".tmp."; }

}  // namespace

bool IsFolder(const std::string& path) {
    std::error_code error;
    return !path.empty() && std::filesystem::is_directory(FilePath(path), error);
}

std::string UserDataFolder() {
    const std::string base = KnownFolder(FOLDERID_RoamingAppData);
    return base.empty() ? base : base + UserFolderName() + "/";
}

std::string UserConfigFolder() { return UserDataFolder(); }

std::string UserPicturesFolder() {
    const std::string pictures = KnownFolder(FOLDERID_Pictures);
    return !pictures.empty() && IsFolder(pictures) ? pictures : UserDataFolder();
}

bool ReplaceFile(const std::string& path, std::string_view bytes, std::string& why) {
    // One temporary name per process: two games saving at once never write the same file.
    const std::string temporary = TemporaryPrefix(path) + std::to_string(GetCurrentProcessId());
    std::FILE* file = OpenFile(temporary, "wb");
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

void RemoveDeadTemporaries(const std::string& path) {
    const std::filesystem::path target = FilePath(path);
    const std::string prefix = target.filename().string() + ".tmp.";
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(target.parent_path(), error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) != 0) {
            continue;
        }
        char* end = nullptr;
        const unsigned long pid = std::strtoul(name.c_str() + prefix.size(), &end, 10);
        if (pid == 0 || *end != '\0') {
            continue;
        }
        HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
        const bool running = process != nullptr && WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
        if (process != nullptr) {
            CloseHandle(process);
        }
        if (!running) {
            std::filesystem::remove(entry.path(), error);
        }
    }
}

}  // namespace tolvex
