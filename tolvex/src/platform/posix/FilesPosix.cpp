// Files on POSIX systems (the web build's file system among them): the player's named files
// and pipes, waited on along with the run's stop request.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>

#include "core/Errors.h"
#include "core/Runtime.h"
#include "platform/Platform.h"
#include "platform/posix/InFolder.h"

namespace tolvex {

namespace {

constexpr mode_t kNewFileMode = 0666;  // less the user's umask
constexpr int kReaderWaitMs = 10;
// Small enough that a stop request is seen at once, large enough to cost nothing.
constexpr size_t kWriteChunk = size_t{1} << 20;

// Opens `path` for writing without waiting: a descriptor in non-blocking mode. A pipe with no
// reader yet is waited for; a signal ends the wait.
int OpenToWrite(const std::string& path, const char* variable) {
    for (;;) {
        // Checked before every try: a signal that came just before the open cannot cut it
        // short, and the open of a pipe would otherwise wait for a reader for ever.
        if (InterruptRequested()) {
            RaiseInterrupted(variable);
        }
        const int fd =
            open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, kNewFileMode);
        if (fd >= 0) {
            return fd;
        }
        if (errno == ENXIO) {
            // A pipe that nobody reads yet: look again soon, or as soon as a signal comes.
            pollfd wake{InterruptFd(), POLLIN, 0};
            poll(&wake, wake.fd >= 0 ? 1 : 0, kReaderWaitMs);
        } else if (errno != EINTR) {
            Raise(TV_ERR_CONFIG, "%s: cannot write: %s (%s)", variable, std::strerror(errno),
                  path.c_str());
        }
    }
}

}  // namespace

std::FILE* OpenFile(const std::string& utf8, const char* mode) {
    return std::fopen(utf8.c_str(), mode);
}

bool FolderWritable(const std::string& utf8) {
    const size_t slash = utf8.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : utf8.substr(0, slash + 1);
    return access(dir.c_str(), W_OK) == 0;
}

int OpenScriptSource(const std::string& utf8) { return open(utf8.c_str(), O_RDONLY | O_CLOEXEC); }

void CloseScriptSource(int source) { close(source); }

long ReadScriptSource(int source, char* buffer, size_t size) {
    // Wait for the writer or for a signal, whichever thread the signal landed on. With no
    // signal to wait for (the web build's files, which cannot be polled), just read.
    if (InterruptFd() >= 0) {
        pollfd waits[2] = {{source, POLLIN, 0}, {InterruptFd(), POLLIN, 0}};
        if (poll(waits, 2, -1) < 0) {
            return errno == EINTR ? kScriptWoken : kScriptFailed;
        }
        if (InterruptRequested() || waits[0].revents == 0) {
            return kScriptWoken;
        }
    }
    const ssize_t n = read(source, buffer, size);
    if (n < 0) {
        return errno == EINTR ? kScriptWoken : kScriptFailed;
    }
    return static_cast<long>(n);
}

int OpenOrdinaryFile(const std::string& utf8, uint64_t& size) {
    const InFolder file(utf8);
    struct stat info {};
    if (fstatat(file.At(), file.Name().c_str(), &info, 0) != 0) {
        return -1;
    }
    if (!S_ISREG(info.st_mode)) {
        return kNotOrdinaryFile;
    }
    // Non-blocking all the same: the name may have been given to a pipe since.
    const int fd =
        openat(file.At(), file.Name().c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return kNotOrdinaryFile;
    }
    size = static_cast<uint64_t>(info.st_size);
    return fd;
}

long ReadOrdinaryFile(int fd, char* buffer, size_t size) {
    for (;;) {
        const ssize_t n = read(fd, buffer, size);
        if (n >= 0 || errno != EINTR || InterruptRequested()) {
            return static_cast<long>(n);
        }
    }
}

void CloseOrdinaryFile(int fd) { close(fd); }

int CreateNewFile(const std::string& utf8) {
    const InFolder file(utf8);
    return file.CreateNew(file.Name());
}

bool RenameInFolder(const std::string& utf8, const std::string& name) {
    const InFolder file(utf8);
    return renameat(file.At(), file.Name().c_str(), file.At(), file.Beside(name).c_str()) == 0;
}

bool RemoveFile(const std::string& utf8) {
    const InFolder file(utf8);
    return unlinkat(file.At(), file.Name().c_str(), 0) == 0;
}

int64_t LockSaveFolder(const std::string& folder, int waitMs, std::string& why) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        why = std::strerror(errno);
        return kNoLock;
    }
    for (int waited = 0;; waited += kReaderWaitMs) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
            return fd;
        }
        // Some file systems (network ones) have no locks: save as before, unlocked.
        if (errno != EWOULDBLOCK && errno != EINTR) {
            return fd;
        }
        if (waited >= waitMs || InterruptRequested()) {
            close(fd);
            why = InterruptRequested() ? "the game is ending" : "another game holds it";
            return kNoLock;
        }
        pollfd wake{InterruptFd(), POLLIN, 0};
        poll(&wake, wake.fd >= 0 ? 1 : 0, kReaderWaitMs);
    }
}

void UnlockSaveFolder(int64_t lock) {
    if (lock != kNoLock) {
        close(static_cast<int>(lock));  // and with it the lock
    }
}

std::FILE* OpenStreamToWrite(const std::string& path, const char* variable) {
    const int fd = OpenToWrite(path, variable);
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* file = fdopen(fd, "wb");
    if (file == nullptr) {
        const int error = errno;
        close(fd);
        Raise(TV_ERR_CONFIG, "%s: cannot write: %s (%s)", variable, std::strerror(error),
              path.c_str());
    }
    return file;
}

void WriteWholeFile(const std::string& path, const std::vector<unsigned char>& bytes,
                    const char* variable) {
    const int fd = OpenToWrite(path, variable);
    const auto fail = [&](int error) {
        close(fd);
        if (InterruptRequested()) {
            RaiseInterrupted(variable);
        }
        Raise(TV_ERR_CONFIG, "%s: cannot write: %s (%s)", variable, std::strerror(error),
              path.c_str());
    };
    const int wake = InterruptFd();
    if (wake < 0) {
        // Nothing could end a wait: plain writes, which wait by themselves.
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    }
    size_t done = 0;
    while (done < bytes.size()) {
        // A pipe may take its time; a signal ends the wait.
        if (wake >= 0) {
            pollfd waits[2] = {{fd, POLLOUT, 0}, {wake, POLLIN, 0}};
            poll(waits, 2, -1);
        }
        if (InterruptRequested()) {
            fail(EINTR);
        }
        const ssize_t n =
            write(fd, bytes.data() + done, std::min(bytes.size() - done, kWriteChunk));
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            fail(errno);
        }
        done += n > 0 ? static_cast<size_t>(n) : 0;
    }
    if (close(fd) != 0) {
        Raise(TV_ERR_CONFIG, "%s: cannot write: %s (%s)", variable, std::strerror(errno),
              path.c_str());
    }
}

bool CutFile(std::FILE* file, int64_t size) {
    const int error = errno;
    const bool cut = ftruncate(fileno(file), static_cast<off_t>(size)) == 0;
    errno = error;
    return cut;
}

namespace {

// Kept from the first quiet stretch to the end of the process: when descriptors run short
// (a low limit on open files), the libraries that talk most are the ones that fail for want
// of them, and a quiet stretch must not need a new one then.
int gQuiet = -1;   // /dev/null
int gStderr = -1;  // standard error as it was
std::atomic<bool> gSilenced = false;

}  // namespace

bool WithoutStderr(const std::function<bool()>& attempt) {
    if (gQuiet < 0) {
        gQuiet = open("/dev/null", O_WRONLY | O_CLOEXEC);
    }
    if (gStderr < 0) {
        gStderr = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
    }
    if (gQuiet < 0 || gStderr < 0 || gSilenced) {
        return attempt();
    }
    std::fflush(stderr);
    dup2(gQuiet, STDERR_FILENO);
    gSilenced = true;
    const auto speak = [] {
        std::fflush(stderr);
        dup2(gStderr, STDERR_FILENO);
        gSilenced = false;
    };
    try {
        const bool result = attempt();
        speak();
        return result;
    } catch (...) {
        speak();
        throw;
    }
}

int StderrFd() { return gSilenced ? gStderr : STDERR_FILENO; }

void StayQuiet() {
    const int quiet = gQuiet >= 0 ? gQuiet : open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (quiet >= 0) {
        dup2(quiet, STDERR_FILENO);
    }
    if (quiet != gQuiet && quiet >= 0) {
        close(quiet);
    }
    gSilenced = false;
}

}  // namespace tolvex
