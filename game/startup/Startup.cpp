#include "startup/Startup.h"

#include <dlfcn.h>
#include <setjmp.h>
#include <signal.h>
#include <xmmintrin.h>

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "Tolvex.h"
#include "runtime/GameException.h"
#include "runtime/RtString.h"
#include "runtime/RuntimeBinder.h"
#include "runtime/RuntimeTable.h"
#include "startup/AppSettings.h"
#include "startup/Main.h"

namespace keldo {

namespace {

// Rounding toward zero; denormal, divide-by-zero, overflow, underflow and precision
// masked; invalid operation unmasked, so that it faults instead of spreading NaNs.
constexpr unsigned kGameFpMode = 0x7F00;
constexpr unsigned kDefaultFpMode = 0x1F80;

// The window icon: a picture of ours in Data/, named to the library in the record.
constexpr const char16_t* kIconFile = u"icon.png";

std::unique_ptr<AppSettings> gSettings;

// Hardware faults do not unwind: the trap jumps back to the handler below.
sigjmp_buf gFaultJump;
volatile sig_atomic_t gFaultSignal = 0;
void* volatile gFaultAddress = nullptr;

void OnFault(int signal, siginfo_t* info, void*) {
    gFaultSignal = signal;
    gFaultAddress = info != nullptr ? info->si_addr : nullptr;
    siglongjmp(gFaultJump, 1);
}

void TrapFaults() {
    struct sigaction action {};
    action.sa_sigaction = OnFault;
    action.sa_flags = SA_SIGINFO | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGFPE, SIGSEGV, SIGBUS, SIGILL}) {
        sigaction(signal, &action, nullptr);
    }
}

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
        default:
            return "fault";
    }
}

// The program's own module handle: the base address its image was loaded at.
uint64_t ModuleHandle() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&ModuleHandle), &info) != 0) {
        return reinterpret_cast<uint64_t>(info.dli_fbase);
    }
    return 0;
}

void StartUp() {
    _mm_setcsr(kGameFpMode);
    BindRuntime();
    gSettings = std::make_unique<AppSettings>();
    gSettings->Title = u"KELDO var 0.2";

    RtStr title(gSettings->Title);
    RtStr icon(kIconFile);
    TvInitParams params{};
    params.Stamp = TV_INIT_STAMP;
    params.Flag = 1;
    params.Instance = ModuleHandle();
    params.Icon = reinterpret_cast<uint64_t>(icon.Get());
    params.ExceptionCell = reinterpret_cast<uint64_t>(&LastExceptionAddress);
    params.Title = reinterpret_cast<uint64_t>(title.Get());
    Rt().Init(&params);
    Main();
}

// What ended the program, as the handler records it.
struct Ending {
    bool Fatal = true;
    uint64_t Code = 0;
    uint64_t Address = 0;
    std::string Cause;
};

Ending Record(Ending ending) {
    if (LastExceptionAddress != 0) {
        ending.Address = LastExceptionAddress;
    }
    LastExceptionAddress = 0;
    if (ending.Fatal) {
        // The game's own codes are small numbers; the library's read best in hexadecimal.
        if (ending.Code > 0xFFFF) {
            std::fprintf(stderr, "keldo: %s (code 0x%08" PRIX64 ")\n", ending.Cause.c_str(),
                         ending.Code);
        } else {
            std::fprintf(stderr, "keldo: %s (code %" PRIu64 ")\n", ending.Cause.c_str(),
                         ending.Code);
        }
        std::fflush(stderr);
    }
    return ending;
}

void ShutDown() {
    // A fault in these steps skips the rest of them, never the unloading.
    if (sigsetjmp(gFaultJump, 1) == 0) {
        gSettings.reset();
        if (IsFreeBound()) {
            try {
                Rt().Free();
            } catch (...) {
            }
        }
    }
    _mm_setcsr(kDefaultFpMode);
    UnloadRuntime();
}

}  // namespace

int RunProgram() {
    TrapFaults();
    // Ctrl+C and SIGTERM wait until the runtime takes them over in Init, so that one arriving
    // during start-up also ends the run through the library's clean close.
    sigset_t held;
    sigemptyset(&held);
    sigaddset(&held, SIGINT);
    sigaddset(&held, SIGTERM);
    sigprocmask(SIG_BLOCK, &held, nullptr);
    Ending ending;
    if (sigsetjmp(gFaultJump, 1) == 0) {
        try {
            StartUp();
        } catch (const TvError& error) {
            ending.Fatal = error.Code != TV_ERR_CLOSED;
            ending.Code = error.Code;
            ending.Cause = error.Message;
        } catch (const GameException& error) {
            ending.Code = static_cast<uint64_t>(error.Code);
            ending.Cause = "error " + std::to_string(error.Code) + ": " + error.Detail;
        } catch (const std::exception& error) {
            ending.Cause = std::string("unexpected exception: ") + error.what();
        } catch (...) {
            ending.Cause = "unexpected exception";
        }
    } else {
        _mm_setcsr(kDefaultFpMode);
        char where[64];
        std::snprintf(where, sizeof where, " at %p", gFaultAddress);
        ending.Code = static_cast<uint64_t>(gFaultSignal);
        ending.Address = reinterpret_cast<uint64_t>(gFaultAddress);
        ending.Cause = std::string("fault: ") + FaultName(gFaultSignal) + where;
    }
    _mm_setcsr(kDefaultFpMode);
    ending = Record(ending);
    ShutDown();
    return ending.Fatal ? 1 : 0;
}

}  // namespace keldo
