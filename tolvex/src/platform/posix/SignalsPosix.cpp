// Signals on POSIX systems. Init takes them over and Free hands them back as they were.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "core/Errors.h"
#include "core/Runtime.h"

namespace tolvex {

namespace {

// Asks to end the run: it ends the clean way, as a closed window does.
constexpr std::array kStopSignals = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
// Nobody should send these; the run still ends the clean way, but as a failure naming it.
constexpr std::array kStraySignals = {SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF};
// A reader of the trace that goes away, or a file-size limit, must make the write fail (and
// be reported), not end the process in silence.
constexpr std::array kIgnoredSignals = {SIGPIPE, SIGXFSZ};
constexpr size_t kTaken = kStopSignals.size() + kStraySignals.size() + kIgnoredSignals.size();

volatile sig_atomic_t gSignal = 0;
std::array<struct sigaction, kTaken> gOld{};
bool gInstalled = false;
int gHeld = 0;  // holds for new threads not yet released

// Written to by the handler, so that a wait on the input script wakes up whichever thread
// the signal was delivered to.
int gWakePipe[2] = {-1, -1};

void OnSignal(int signal) {
    if (gSignal == 0) {
        gSignal = signal;
    }
    if (gWakePipe[1] >= 0) {
        const int saved = errno;
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = write(gWakePipe[1], &byte, 1);
        errno = saved;
    }
}

template <typename Fn>
void ForEachTaken(Fn&& fn) {
    size_t i = 0;
    for (int signal : kStopSignals) fn(signal, gOld[i++], false);
    for (int signal : kStraySignals) fn(signal, gOld[i++], false);
    for (int signal : kIgnoredSignals) fn(signal, gOld[i++], true);
}

bool IsStop(int signal) {
    for (int stop : kStopSignals) {
        if (stop == signal) return true;
    }
    return false;
}

}  // namespace

void InstallSignals() {
    gSignal = 0;
    if (gWakePipe[0] < 0 && pipe2(gWakePipe, O_NONBLOCK | O_CLOEXEC) != 0) {
        gWakePipe[0] = gWakePipe[1] = -1;  // the script wait then relies on EINTR alone
    }
    sigset_t ours;
    sigemptyset(&ours);
    ForEachTaken([&](int signal, struct sigaction& old, bool ignore) {
        struct sigaction action {};
        action.sa_handler = ignore ? SIG_IGN : OnSignal;
        sigemptyset(&action.sa_mask);
        // No SA_RESTART: a read of the input script must wake up and see the flag.
        action.sa_flags = 0;
        sigaction(signal, &action, &old);
        sigaddset(&ours, signal);
    });
    gInstalled = true;
    // A program may hold these signals back until the library can take them; from here a
    // pending one reaches the handler and ends the run cleanly.
    pthread_sigmask(SIG_UNBLOCK, &ours, nullptr);
}

void RestoreSignals() {
    if (gInstalled) {
        ForEachTaken(
            [](int signal, struct sigaction& old, bool) { sigaction(signal, &old, nullptr); });
        gInstalled = false;
    }
    // Whatever failed half-way, nothing stays held.
    gHeld = 0;
    HoldSignalsForNewThreads(false);
    for (int& fd : gWakePipe) {
        if (fd >= 0) {
            close(fd);
            fd = -1;
        }
    }
}

void HoldSignalsForNewThreads(bool hold) {
    // Holds nest: only the outermost release lets the signals through again.
    gHeld += hold ? 1 : -1;
    if (!hold && gHeld > 0) {
        return;
    }
    gHeld = std::max(gHeld, 0);
    sigset_t taken;
    sigemptyset(&taken);
    ForEachTaken([&](int signal, struct sigaction&, bool) { sigaddset(&taken, signal); });
    pthread_sigmask(hold ? SIG_BLOCK : SIG_UNBLOCK, &taken, nullptr);
}

bool InterruptRequested() { return gSignal != 0; }

int InterruptFd() { return gWakePipe[0]; }

void RaiseInterrupted(const char* when) {
    const int signal = gSignal;
    if (IsStop(signal)) {
        Raise(TV_ERR_CLOSED, "%s: interrupted by a signal", when);
    }
    const char* name = sigabbrev_np(signal);
    Raise(TV_ERR_PLATFORM, "%s: ended by an unexpected signal, SIG%s", when,
          name != nullptr ? name : "?");
}

}  // namespace tolvex
