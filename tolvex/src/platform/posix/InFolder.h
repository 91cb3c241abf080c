// A file reached through its opened folder. The system limits the length of a whole path, so a
// folder with a long path may hold a file whose full path is too long to be named, a temporary
// file's long name above all: relative to the folder, only the folder's own path counts.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace tolvex {

// The player's own files are the player's to read.
constexpr mode_t kSavedFileMode = 0644;

class InFolder {
public:
    explicit InFolder(const std::string& path) {
        const size_t slash = path.rfind('/');
        const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
        Name_ = slash == std::string::npos ? path : path.substr(slash + 1);
        Fd_ = Name_.empty() ? -1 : open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (Fd_ < 0) {
            // A folder that may be searched but not read: whole paths, as they are.
            Name_ = path;
            Folder_ = slash == std::string::npos ? std::string{} : folder;
        }
    }
    ~InFolder() {
        if (Fd_ >= 0) {
            close(Fd_);
        }
    }
    InFolder(const InFolder&) = delete;
    InFolder& operator=(const InFolder&) = delete;

    // For the *at calls: the folder, or the current one when the whole path is used.
    int At() const { return Fd_ >= 0 ? Fd_ : AT_FDCWD; }
    // The file's name in the folder (or the whole path).
    const std::string& Name() const { return Name_; }
    // The same for another file of the folder.
    std::string Beside(const std::string& name) const { return Folder_ + name; }
    // A new file `name` in the folder, only where nothing is yet, not even a link: the
    // descriptor, or -1 with errno set (EEXIST when something is).
    int CreateNew(const std::string& name) const {
        return openat(At(), name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                      kSavedFileMode);
    }
    // The folder's own changes (a rename) on the disk; nothing when it could not be opened.
    void Sync() const {
        if (Fd_ >= 0) {
            fsync(Fd_);
        }
    }

private:
    int Fd_ = -1;
    std::string Name_;
    std::string Folder_;  // only while whole paths are used
};

}  // namespace tolvex
