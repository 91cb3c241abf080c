// The player's folders as the XDG base-directory and user-directory conventions name them,
// and file replacement with POSIX rename.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "files/DataFile.h"
#include "files/UserFiles.h"
#include "platform/Platform.h"
#include "platform/posix/InFolder.h"

namespace tolvex {

namespace {

constexpr int kTemporaryTries = 8;
constexpr const char* kUserDirsFile = "user-dirs.dirs";
// The tool writes a dozen short lines.
constexpr uint64_t kMaxUserDirsBytes = 64 << 10;

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string{} : std::string{value};
}

std::string WithSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/') {
        folder.push_back('/');
    }
    return folder;
}

// $XDG_..._HOME when it is an absolute path (the convention says to ignore a relative one),
// else $HOME/<fallback>.
std::string BaseFolder(const char* variable, const char* fallback) {
    const std::string base = Env(variable);
    if (!base.empty() && base.front() == '/') {
        return WithSlash(base);
    }
    const std::string home = Env("HOME");
    return home.empty() ? std::string{} : WithSlash(home) + fallback;
}

// XDG_PICTURES_DIR from user-dirs.dirs, the file that the desktop's user-directory tool keeps:
// lines of the form XDG_PICTURES_DIR="$HOME/Pictures".
std::string PicturesFromUserDirs() {
    const std::string config = BaseFolder("XDG_CONFIG_HOME", ".config/");
    if (config.empty()) {
        return {};
    }
    const std::string path = config + kUserDirsFile;
    BoundedFile file(path, kMaxUserDirsBytes);
    const std::string key = "XDG_PICTURES_DIR=\"";
    std::string line;
    bool cut = false;
    while (file.NextLine(line, cut)) {
        if (cut || !line.starts_with(key) || line.size() < key.size() + 1 || line.back() != '"') {
            continue;
        }
        std::string value = line.substr(key.size(), line.size() - key.size() - 1);
        if (value.starts_with("$HOME")) {
            const std::string home = Env("HOME");
            value = home.empty() ? std::string{} : home + value.substr(5);
        }
        return value.starts_with('/') ? value : std::string{};
    }
    if (file.State() == FileRead::Refused) {
        Warn(std::string(kUserDirsFile) + " " + file.Why() + "; it is left out (" + path + ")");
    }
    return {};
}

}  // namespace

bool IsFolder(const std::string& path) {
    struct stat info {};
    return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string UserDataFolder() {
    const std::string base = BaseFolder("XDG_DATA_HOME", ".local/share/");
    return base.empty() ? base : base + UserFolderName() + "/";
}

std::string UserConfigFolder() {
    const std::string base = BaseFolder("XDG_CONFIG_HOME", ".config/");
    return base.empty() ? base : base + UserFolderName() + "/";
}

std::string UserPicturesFolder() {
    // The variable first, so that a caller can point a single run elsewhere; then what the
    // desktop was told; then the usual folder, when it is there.
    for (const std::string& candidate : {Env("XDG_PICTURES_DIR"), PicturesFromUserDirs()}) {
        // The user-directory tool answers $HOME itself for a folder that is not set up.
        if (!candidate.empty() && candidate.front() == '/' &&
            WithSlash(candidate) != WithSlash(Env("HOME"))) {
            return WithSlash(candidate);
        }
    }
    const std::string home = Env("HOME");
    if (!home.empty() && IsFolder(WithSlash(home) + "Pictures")) {
        return WithSlash(home) + "Pictures/";
    }
    return UserDataFolder();
}

bool ReplaceFile(const std::string& path, std::string_view bytes, std::string& why) {
    // Through the folder: the temporary file's longer name must fit wherever the file's does.
    const InFolder folder(path);
    std::string temporary = TemporaryName(folder.Name());
    int fd = folder.CreateNew(temporary);
    // Something planted at the name is left alone: another name is as good.
    for (int tries = 1; fd < 0 && errno == EEXIST && tries < kTemporaryTries; ++tries) {
        temporary = TemporaryName(folder.Name());
        fd = folder.CreateNew(temporary);
    }
    if (fd < 0) {
        why = std::strerror(errno);
        return false;
    }
    const auto fail = [&](int error) {
        why = std::strerror(error);
        close(fd);
        unlinkat(folder.At(), temporary.c_str(), 0);
        return false;
    };
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return fail(n < 0 ? errno : ENOSPC);
        }
        done += static_cast<size_t>(n);
    }
    // The content must be on the disk before the name points at it, or a power cut could
    // leave the new name on an empty file.
    if (fsync(fd) != 0) {
        return fail(errno);
    }
    close(fd);
    if (renameat(folder.At(), temporary.c_str(), folder.At(), folder.Name().c_str()) != 0) {
        why = std::strerror(errno);
        unlinkat(folder.At(), temporary.c_str(), 0);
        return false;
    }
    // And the rename itself, which lives in the folder.
    folder.Sync();
    return true;
}

uint64_t CurrentProcessId() { return static_cast<uint64_t>(getpid()); }

bool ProcessIsGone(uint64_t id) { return kill(static_cast<pid_t>(id), 0) != 0 && errno == ESRCH; }

// A desktop launcher's or a terminal's standard error is where the warnings are kept.
void LogForPlayer(const std::string&) {}

}  // namespace tolvex
