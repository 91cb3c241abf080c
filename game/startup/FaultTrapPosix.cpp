// Faults and signals on POSIX systems.
#include <fcntl.h>
#include <setjmp.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>
#include <xmmintrin.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "Tolvex.h"
#include "TolvexSignals.h"
#include "startup/FaultTrap.h"

namespace keldo {

namespace {

constexpr unsigned kDefaultFpMode = 0x1F80;

// Long enough for any shutdown that is not stuck, even under a memory checker.
constexpr unsigned kShutdownSeconds = 30;

// What the game cannot survive: the code that raised it cannot go on.
constexpr int kFaultSignals[] = {SIGFPE, SIGSEGV, SIGBUS, SIGILL, SIGSYS, SIGTRAP, SIGABRT};

// How much address space a fault must find free for memory not to have run out: about one
// picture of the game's size.
constexpr size_t kMemoryProbeBytes = size_t{8} << 20;

// Only the handler and the guard touch these; a jump target is valid exactly while its guard
// runs, on the thread that set it.
sigjmp_buf* volatile gGuard = nullptr;
volatile pid_t gMainThread = 0;
int gStderr = STDERR_FILENO;  // as the program found it
volatile sig_atomic_t gEndingReported = 0;
volatile sig_atomic_t gLeaving = 0;
volatile sig_atomic_t gFaultSignal = 0;
volatile sig_atomic_t gFaultSent = 0;
void* volatile gFaultAddress = nullptr;

const char* FaultName(int signal) {
    switch (signal) {
        case SIGFPE:
            return "invalid floating-point operation";
        case SIGSEGV:
            return "invalid memory access";
        case SIGBUS:
            return "bus error";
        case SIGILL:
            return "illegal instruction";
        case SIGSYS:
            return "bad system call";
        case SIGTRAP:
            return "trace or breakpoint trap";
        case SIGABRT:
            return "aborted";
        default:
            return "fault";
    }
}

void WriteAll(const char* text, size_t length) {
    size_t done = 0;
    while (done < length) {
        const ssize_t n = write(gStderr, text + done, length - done);
        if (n <= 0) {
            return;
        }
        done += static_cast<size_t>(n);
    }
}

// A line built without allocating: the handler may run with the heap in any state.
class LineBuffer {
public:
    void Add(const char* text) {
        while (*text != '\0' && Length < sizeof Text) {
            Text[Length++] = *text++;
        }
    }
    void AddNumber(uint64_t value, unsigned base) {
        char digits[24];
        size_t n = 0;
        do {
            digits[n++] = "0123456789abcdef"[value % base];
            value /= base;
        } while (value != 0);
        while (n > 0 && Length < sizeof Text) {
            Text[Length++] = digits[--n];
        }
    }
    void WriteOut() const { WriteAll(Text, Length); }

private:
    char Text[256];
    size_t Length = 0;
};

// Ends the process from inside a handler: one line, unless the run's line is out already.
[[noreturn]] void LeaveNow(int signal, bool sent, void* address, const char* where) {
    if (gEndingReported == 0 && gLeaving == 0) {
        gLeaving = 1;
        LineBuffer line;
        line.Add("keldo: fault: ");
        line.Add(FaultName(signal));
        if (!sent) {
            line.Add(" at 0x");
            line.AddNumber(reinterpret_cast<uintptr_t>(address), 16);
            line.Add(where);
        }
        if (MemoryRanOut()) {
            line.Add(", with memory run out");
        }
        line.Add(" (code ");
        line.AddNumber(static_cast<uint64_t>(signal), 10);
        line.Add(")\n");
        line.WriteOut();
    }
    _exit(kFaultExitCode);
}

void OnFault(int signal, siginfo_t* info, void*) {
    // A signal sent by a process (abort() among them) has no faulting address, nor a thread
    // that it belongs to.
    const bool sent = info == nullptr || info->si_code <= 0;
    void* address = sent ? nullptr : info->si_addr;
    if (gLeaving != 0) {
        _exit(kFaultExitCode);  // a fault while saying goodbye
    }
    const bool mainThread = gettid() == gMainThread;
    sigjmp_buf* guard = gGuard;
    if (mainThread && guard != nullptr) {
        // Disarmed before the jump: a second fault on the way back cannot come here again.
        gGuard = nullptr;
        gFaultSignal = signal;
        gFaultSent = sent ? 1 : 0;
        gFaultAddress = address;
        siglongjmp(*guard, 1);
    }
    LeaveNow(signal, sent, address, mainThread ? " during shutdown" : " on a worker thread");
}

void OnShutdownTimeout(int) {
    if (gEndingReported == 0) {
        LineBuffer line;
        line.Add("keldo: the shutdown after a fault did not finish\n");
        line.WriteOut();
    }
    _exit(kFaultExitCode);
}

}  // namespace

void InstallFaultTrap() {
    gMainThread = gettid();
    const int saved = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
    if (saved >= 0) {
        gStderr = saved;
    }
    struct sigaction action {};
    action.sa_sigaction = OnFault;
    // NODEFER: a fault in the handler's own way out must come back here, not kill silently.
    action.sa_flags = SA_SIGINFO | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    for (int signal : kFaultSignals) {
        sigaction(signal, &action, nullptr);
    }
}

void HoldStopRequests() {
    sigset_t held;
    sigemptyset(&held);
    tvsignals::ForEachEnding([&](int signal) { sigaddset(&held, signal); });
    sigprocmask(SIG_BLOCK, &held, nullptr);
}

void SayEnding(const char* line) {
    if (gEndingReported != 0) {
        return;
    }
    gEndingReported = 1;
    WriteAll(line, std::strlen(line));
}

void ShutDownAfterFault() {
    struct sigaction plain {};
    plain.sa_handler = SIG_DFL;
    sigemptyset(&plain.sa_mask);
    sigset_t stops;
    sigemptyset(&stops);
    tvsignals::ForEachEnding([&](int signal) {
        sigaction(signal, &plain, nullptr);
        sigaddset(&stops, signal);
    });
    sigprocmask(SIG_UNBLOCK, &stops, nullptr);
    struct sigaction timeout {};
    timeout.sa_handler = OnShutdownTimeout;
    sigemptyset(&timeout.sa_mask);
    sigaction(SIGALRM, &timeout, nullptr);
    sigset_t alarm;
    sigemptyset(&alarm);
    sigaddset(&alarm, SIGALRM);
    sigprocmask(SIG_UNBLOCK, &alarm, nullptr);
    ::alarm(kShutdownSeconds);
}

void FaultPlace(uint64_t address, char* out, size_t size) {
    out[0] = '\0';
    // From the kernel's list of mappings, not from the loader's tables: those lie in the
    // mapped file itself, which may be the very thing that was cut short under us. Read a
    // line at a time into a buffer of our own: memory may have run out.
    const int maps = open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
    if (maps < 0) {
        return;
    }
    char buffer[4096];
    size_t held = 0;
    for (;;) {
        const ssize_t n = read(maps, buffer + held, sizeof buffer - 1 - held);
        if (n <= 0) {
            break;
        }
        held += static_cast<size_t>(n);
        buffer[held] = '\0';
        char* line = buffer;
        for (char* end = std::strchr(line, '\n'); end != nullptr;
             line = end + 1, end = std::strchr(line, '\n')) {
            *end = '\0';
            uint64_t low = 0;
            uint64_t high = 0;
            int pathAt = 0;
            if (std::sscanf(line, "%" SCNx64 "-%" SCNx64 " %*s %*s %*s %*s %n", &low, &high,
                            &pathAt) >= 2 &&
                address >= low && address < high) {
                if (pathAt > 0 && line[pathAt] == '/') {
                    std::snprintf(out, size, " in %s", line + pathAt);
                }
                close(maps);
                return;
            }
        }
        // A line longer than the buffer (a path of thousands of bytes) is skipped whole.
        held = static_cast<size_t>(buffer + held - line);
        if (held == sizeof buffer - 1) {
            held = 0;
        }
        std::memmove(buffer, line, held);
    }
    close(maps);
}

bool MemoryRanOut() {
    void* probe = mmap(nullptr, kMemoryProbeBytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (probe == MAP_FAILED) {
        return errno == ENOMEM;
    }
    munmap(probe, kMemoryProbeBytes);
    return false;
}

void EnterGameFpMode() { _mm_setcsr(TV_GAME_FP_MODE); }

void LeaveGameFpMode() { _mm_setcsr(kDefaultFpMode); }

namespace detail {

bool RunGuarded(void (*body)(void*), void* context, Fault& fault) {
    sigjmp_buf jump;
    // The mask is not put back on the jump: the fault signal is not blocked in its handler
    // (NODEFER), and the stop requests must stay as the library left them.
    if (sigsetjmp(jump, 0) != 0) {
        gGuard = nullptr;
        fault.Code = gFaultSignal;
        fault.Address = reinterpret_cast<uint64_t>(gFaultAddress);
        fault.Name = FaultName(gFaultSignal);
        fault.Sent = gFaultSent != 0;
        return false;
    }
    gGuard = &jump;
    try {
        body(context);
    } catch (...) {
        gGuard = nullptr;
        throw;
    }
    gGuard = nullptr;
    return true;
}

}  // namespace detail

}  // namespace keldo
