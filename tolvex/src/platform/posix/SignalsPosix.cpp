// Signals on POSIX systems. Init takes them over and Free hands them back as they were.
//
// No signal is ever held back: one that lands on another thread is sent on to the thread that
// called Init, so that whatever that thread waits for (a pipe, a device, the pacing sleep) is
// cut short. What does not heed a signal (the display's own library retries its waits) is
// covered by a watchdog thread: a run asked to stop whose thread still sleeps in a wait a second
// later is ended by it, and so is a run whose display stopped answering.
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>

#include "TolvexSignals.h"
#include "core/Errors.h"
#include "core/Runtime.h"
#include "platform/Platform.h"

namespace tolvex {

namespace {

// A reader of the trace that goes away, or a file-size limit, must make the write fail (and
// be reported), not end the process in silence.
constexpr std::array kIgnoredSignals = {SIGPIPE, SIGXFSZ};

// How long a run asked to stop may take to end by itself, and how long the display may take
// to answer one request before it counts as gone.
constexpr int64_t kStopGraceNs = 1'000'000'000;
constexpr int64_t kDisplayPatienceNs = 5'000'000'000;
// The system calls a wait for the display sits in.
constexpr long kDescriptorWaits[] = {
#ifdef SYS_poll
    SYS_poll,  SYS_select,
#endif
    SYS_ppoll, SYS_pselect6, SYS_read,    SYS_readv,  SYS_recvmsg,    SYS_recvfrom,
    SYS_write, SYS_writev,   SYS_sendmsg, SYS_sendto, SYS_epoll_pwait};
// How often the watchdog looks.
constexpr std::chrono::milliseconds kWatch{100};
// The code of TV_ERR_PLATFORM, in the form the program writes its codes.
constexpr const char* kPlatformCode = "0xE7100003";

volatile sig_atomic_t gSignal = 0;
std::array<struct sigaction, NSIG> gOld{};
bool gInstalled = false;
pid_t gMainThread = 0;
// The run's ending for the signal has been raised: the program reports it.
std::atomic<bool> gEndingRaised = false;

// Written to by the handler, so that a wait on the input script wakes up whichever thread
// the signal was delivered to. Never drained: once a signal has come it stays readable. One
// descriptor, not a pipe's two: with a low limit on open files every one counts.
int gWake = -1;
struct Watchdog {
    std::mutex Lock;
    std::condition_variable Changed;
    bool Quit = false;  // set by Free
    std::thread Thread;
};
Watchdog gWatchdog;

bool IsStop(int signal) {
    return std::find(tvsignals::kStop.begin(), tvsignals::kStop.end(), signal) !=
           tvsignals::kStop.end();
}

template <typename Fn>
void ForEachTaken(Fn&& fn) {
    tvsignals::ForEachEnding([&](int signal) { fn(signal, false); });
    for (int signal : kIgnoredSignals) fn(signal, true);
}

void OnSignal(int signal) {
    const int saved = errno;
    if (gSignal == 0) {
        gSignal = signal;
    }
    if (gWake >= 0) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = write(gWake, &one, sizeof one);
    }
    // Another thread's wait does not matter; the Init thread's must end.
    if (gMainThread != 0 && gettid() != gMainThread) {
        tgkill(getpid(), gMainThread, signal);
    }
    errno = saved;
}

// "SIGUSR1", "SIGRTMIN+3": the signal's name into `out`.
void SignalName(int signal, char* out, size_t size) {
    if (signal >= SIGRTMIN && signal <= SIGRTMAX) {
        std::snprintf(out, size, "SIGRTMIN+%d", signal - SIGRTMIN);
        return;
    }
    // The C library knows it by its other name, SIGPOLL, which few remember.
    const char* name = signal == SIGIO ? "IO" : sigabbrev_np(signal);
    std::snprintf(out, size, "SIG%s", name != nullptr ? name : "?");
}

void WriteLine(const char* text) {
    size_t done = 0;
    const size_t length = std::strlen(text);
    while (done < length) {
        const ssize_t n = write(StderrFd(), text + done, length - done);
        if (n <= 0) {
            return;
        }
        done += static_cast<size_t>(n);
    }
}

// Ends the process from the watchdog. The files hold what was flushed after the last whole
// frame; the thread that is stuck is left as it is.
[[noreturn]] void EndFromWatchdog(int exitCode, const char* line) {
    if (line != nullptr) {
        WriteLine(line);
    }
    _exit(exitCode);
}

void EndForSignal(int signal) {
    if (IsStop(signal)) {
        EndFromWatchdog(0, nullptr);
    }
    char name[32];
    SignalName(signal, name, sizeof name);
    const char* when = "Act";
    DisplayWaitSince(when);
    char line[256];
    std::snprintf(line, sizeof line, "%s: %s: ended by an unexpected signal, %s (code %s)\n",
                  program_invocation_short_name, when, name, kPlatformCode);
    EndFromWatchdog(1, gEndingRaised ? nullptr : line);
}

// The Init thread's file NAME under /proc, as a string in TEXT (cut to SIZE - 1 bytes), without
// allocating; false if it cannot be read.
bool ReadMainThreadFile(const char* name, char* text, size_t size) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/self/task/%d/%s", static_cast<int>(gMainThread), name);
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const ssize_t n = read(fd, text, size - 1);
    close(fd);
    if (n <= 0) {
        return false;
    }
    text[n] = '\0';
    return true;
}

// Whether the Init thread is running, or ready to run as soon as it gets a core: then it is on
// its way out, however busy the machine, and needs no help.
bool MainThreadRuns() {
    char text[512];
    if (!ReadMainThreadFile("stat", text, sizeof text)) {
        return false;
    }
    // "TID (NAME) STATE ...": the name may hold anything, so the state follows the last ')'.
    const char* end = std::strrchr(text, ')');
    return end != nullptr && end[1] == ' ' && end[2] == 'R';
}

// Whether the Init thread sits in a wait for a descriptor (a poll, a read or a write of a
// socket), which is how a request to the display waits. Held up by anything else (a lock
// after a fault, say) it is not the display that keeps it.
bool MainThreadWaitsOnADescriptor() {
    char text[32];
    if (!ReadMainThreadFile("syscall", text, sizeof text)) {
        return true;  // nothing to tell by: the mark alone decides
    }
    char* end = nullptr;
    const long number = std::strtol(text, &end, 10);
    if (end == text) {
        return false;  // "running"
    }
    for (const long waiting : kDescriptorWaits) {
        if (number == waiting) {
            return true;
        }
    }
    return false;
}

void Watch() {
    int64_t signalSeenAt = 0;
    std::unique_lock<std::mutex> lock(gWatchdog.Lock);
    while (!gWatchdog.Quit) {
        gWatchdog.Changed.wait_for(lock, kWatch);
        if (gWatchdog.Quit) {
            break;
        }
        const int64_t now = MonotonicNs();
        if (gSignal != 0 && signalSeenAt == 0) {
            signalSeenAt = now;
        }
        if (signalSeenAt != 0 && now - signalSeenAt >= kStopGraceNs && !MainThreadRuns()) {
            EndForSignal(gSignal);
        }
        const char* when = "Act";
        const int64_t since = DisplayWaitSince(when);
        if (since != 0 && now - since >= kDisplayPatienceNs && MainThreadWaitsOnADescriptor()) {
            char line[256];
            std::snprintf(line, sizeof line, "%s: %s: the display stopped answering (code %s)\n",
                          program_invocation_short_name, when, kPlatformCode);
            EndFromWatchdog(1, line);
        }
    }
}

void StartWatchdog() {
    gWatchdog.Quit = false;
    // The watchdog takes none of the run's signals itself; a fault of its own (its code cut
    // short under it) must still reach the program's fault trap, which a held one would not.
    sigset_t taken;
    sigset_t before;
    sigemptyset(&taken);
    ForEachTaken([&](int signal, bool) { sigaddset(&taken, signal); });
    pthread_sigmask(SIG_BLOCK, &taken, &before);
    try {
        gWatchdog.Thread = std::thread(Watch);
    } catch (const std::system_error&) {
        // Without it, only what heeds signals ends at once.
    }
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
}

void StopWatchdog() {
    if (!gWatchdog.Thread.joinable()) {
        return;
    }
    {
        const std::lock_guard<std::mutex> lock(gWatchdog.Lock);
        gWatchdog.Quit = true;
    }
    gWatchdog.Changed.notify_all();
    gWatchdog.Thread.join();
}

}  // namespace

void InstallSignals() {
    gSignal = 0;
    gEndingRaised = false;
    gMainThread = gettid();
    if (gWake < 0) {
        // On failure the script wait relies on EINTR alone.
        gWake = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    }
    sigset_t ours;
    sigemptyset(&ours);
    ForEachTaken([&](int signal, bool ignore) {
        struct sigaction action {};
        action.sa_handler = ignore ? SIG_IGN : OnSignal;
        sigemptyset(&action.sa_mask);
        // No SA_RESTART: a read of the input script must wake up and see the flag.
        action.sa_flags = 0;
        sigaction(signal, &action, &gOld[static_cast<size_t>(signal)]);
        sigaddset(&ours, signal);
    });
    gInstalled = true;
    StartWatchdog();
    // A program may hold these signals back until the library can take them; from here a
    // pending one reaches the handler and ends the run cleanly.
    pthread_sigmask(SIG_UNBLOCK, &ours, nullptr);
}

void RestoreSignals() {
    StopWatchdog();
    if (gInstalled) {
        ForEachTaken([](int signal, bool) {
            sigaction(signal, &gOld[static_cast<size_t>(signal)], nullptr);
        });
        gInstalled = false;
    }
    gMainThread = 0;
    if (gWake >= 0) {
        close(gWake);
        gWake = -1;
    }
}

bool InterruptRequested() { return gSignal != 0; }

int InterruptFd() { return gWake; }

void RaiseInterrupted(const char* when) {
    const int signal = gSignal;
    gEndingRaised = true;
    if (IsStop(signal)) {
        Raise(TV_ERR_CLOSED, "%s: interrupted by a signal", when);
    }
    char name[32];
    SignalName(signal, name, sizeof name);
    Raise(TV_ERR_PLATFORM, "%s: ended by an unexpected signal, %s", when, name);
}

}  // namespace tolvex
