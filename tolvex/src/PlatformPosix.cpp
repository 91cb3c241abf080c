// The library on Linux and other POSIX systems.
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "Errors.h"
#include "Platform.h"
#include "Runtime.h"
#include "Screen.h"
#include "TvText.h"

namespace tolvex {

namespace {

constexpr int64_t kSecondNs = 1'000'000'000;

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

#ifdef __linux__
// The thread that sleeps to each frame's deadline asks the scheduler for short turns. Woken at
// its deadline on a core that another program (or the display server) is using, a thread with
// the usual turn (1.4 ms on two cores) can wait for that program's turn to run out, and its
// frame comes two or three milliseconds late; a thread that asks for a short turn is let in at
// once. Its share of the processor stays the same. Kernels before 6.12 ignore the request.
constexpr uint64_t kPacingSliceNs = 100'000;

// The kernel's sched_attr as first laid out, which every kernel since 3.14 takes (the C
// library declares neither it nor the calls).
struct SchedAttr {
    uint32_t Size;
    uint32_t Policy;
    uint64_t Flags;
    int32_t Nice;
    uint32_t Priority;
    uint64_t Runtime;  // for the ordinary policies, the turn asked for; 0: the kernel's own
    uint64_t Deadline;
    uint64_t Period;
};
// Threads started by this one get the kernel's own turn again (and no negative nice value).
constexpr uint64_t kResetOnFork = 1;

// The pacing thread's turn, asked for at its first sleep and given back at Free, and the flags
// it had before.
enum class Turn { NotAsked, Refused, Short };
thread_local Turn tTurn = Turn::NotAsked;
thread_local uint64_t tFlagsBefore = 0;

// Only for the ordinary policies: a thread the user made real-time is left as it is, and so
// are its nice value and policy.
bool SetThreadTurn(uint64_t slice, uint64_t flags, uint64_t* flagsBefore) {
    SchedAttr attr{};
    if (syscall(SYS_sched_getattr, 0, &attr, sizeof attr, 0) != 0 ||
        (attr.Policy != SCHED_OTHER && attr.Policy != SCHED_BATCH)) {
        return false;
    }
    if (flagsBefore != nullptr) {
        *flagsBefore = attr.Flags & kResetOnFork;
    }
    attr.Size = sizeof attr;
    attr.Flags = flags;
    attr.Runtime = slice;
    return syscall(SYS_sched_setattr, 0, &attr, 0) == 0;
}
#endif

}  // namespace

int64_t MonotonicNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<int64_t>(t.tv_sec) * kSecondNs + t.tv_nsec;
}

void SleepUntilNs(int64_t deadline) {
#ifdef __linux__
    if (tTurn == Turn::NotAsked) {
        tTurn = SetThreadTurn(kPacingSliceNs, kResetOnFork, &tFlagsBefore) ? Turn::Short
                                                                           : Turn::Refused;
    }
#endif
    const timespec until{static_cast<time_t>(deadline / kSecondNs),
                         static_cast<long>(deadline % kSecondNs)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
        if (InterruptRequested()) {
            break;
        }
    }
}

void StopPacing() {
#ifdef __linux__
    if (tTurn == Turn::Short) {
        SetThreadTurn(0, tFlagsBefore, nullptr);
    }
    tTurn = Turn::NotAsked;
#endif
}

uint64_t RunEntropy() {
    timespec wall{};
    clock_gettime(CLOCK_REALTIME, &wall);
    return static_cast<uint64_t>(wall.tv_nsec) ^ (static_cast<uint64_t>(wall.tv_sec) << 30) ^
           static_cast<uint64_t>(MonotonicNs()) ^ static_cast<uint64_t>(getpid());
}

// The Data folder is wherever the library itself lies, so the game runs from any folder.
std::string LibraryFolder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&LibraryFolder), &info) == 0 || info.dli_fname == nullptr) {
        Raise(TV_ERR_PLATFORM, "Init: cannot find the library's own file");
    }
    char resolved[PATH_MAX];
    if (realpath(info.dli_fname, resolved) == nullptr) {
        Raise(TV_ERR_PLATFORM, "Init: cannot resolve %s: %s", info.dli_fname, std::strerror(errno));
    }
    std::string path = resolved;
    return path.substr(0, path.rfind('/') + 1);
}

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
    // Wait for the writer or for a signal, whichever thread the signal landed on.
    pollfd waits[2] = {{source, POLLIN, 0}, {InterruptFd(), POLLIN, 0}};
    if (poll(waits, waits[1].fd >= 0 ? 2 : 1, -1) < 0) {
        return errno == EINTR ? kScriptWoken : kScriptFailed;
    }
    if (InterruptRequested() || waits[0].revents == 0) {
        return kScriptWoken;
    }
    const ssize_t n = read(source, buffer, size);
    if (n < 0) {
        return errno == EINTR ? kScriptWoken : kScriptFailed;
    }
    return static_cast<long>(n);
}

void ApplyWindowIcon(SDL_Window* window, uint64_t icon) {
    if (icon == 0) {
        return;
    }
    const std::string name = ToUtf8(reinterpret_cast<const TvStr*>(icon), "Init");
    SurfacePtr picture = LoadPictureFile(name, "Init");
    if (window != nullptr) {
        SDL_SetWindowIcon(window, picture.get());
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
    size_t done = 0;
    while (done < bytes.size()) {
        // A pipe may take its time; a signal ends the wait.
        pollfd waits[2] = {{fd, POLLOUT, 0}, {InterruptFd(), POLLIN, 0}};
        poll(waits, waits[1].fd >= 0 ? 2 : 1, -1);
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

bool WithoutStderr(const std::function<bool()>& attempt) {
    const int quiet = open("/dev/null", O_WRONLY | O_CLOEXEC);
    const int saved = quiet >= 0 ? dup(STDERR_FILENO) : -1;
    if (saved >= 0) {
        std::fflush(stderr);
        dup2(quiet, STDERR_FILENO);
    }
    const bool result = attempt();
    if (saved >= 0) {
        std::fflush(stderr);
        dup2(saved, STDERR_FILENO);
        close(saved);
    }
    if (quiet >= 0) {
        close(quiet);
    }
    return result;
}

}  // namespace tolvex
