// Faults and the console's stop requests on Windows.
#include <windows.h>
#include <xmmintrin.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "Tolvex.h"
#include "startup/FaultTrap.h"
#include "startup/PlayerNotice.h"

namespace keldo {

namespace {

constexpr unsigned kDefaultFpMode = 0x1F80;

// Long enough for any shutdown that is not stuck.
constexpr DWORD kShutdownMs = 30'000;

// Below the faulting frame's stack pointer, room that the landing leaves alone: x64 code may
// keep data just below it.
constexpr DWORD64 kLandingGap = 512;

// A jump target is valid exactly while its guard runs, on the main thread.
using JumpBuffer = void* [5];
JumpBuffer* volatile gGuard = nullptr;
DWORD gMainThread = 0;
volatile LONG gEndingReported = 0;
volatile LONG gLeaving = 0;
volatile DWORD gFaultCode = 0;
volatile DWORD64 gFaultAddress = 0;
wchar_t gProgramFolder[MAX_PATH] = {};
size_t gProgramFolderLength = 0;

const char* FaultName(DWORD code) {
    switch (code) {
        case EXCEPTION_FLT_INVALID_OPERATION:
        case STATUS_FLOAT_MULTIPLE_TRAPS:
        case STATUS_FLOAT_MULTIPLE_FAULTS:
            return "invalid floating-point operation";
        case EXCEPTION_FLT_DIVIDE_BY_ZERO:
        case EXCEPTION_FLT_OVERFLOW:
        case EXCEPTION_FLT_UNDERFLOW:
        case EXCEPTION_FLT_INEXACT_RESULT:
        case EXCEPTION_FLT_DENORMAL_OPERAND:
        case EXCEPTION_FLT_STACK_CHECK:
            return "floating-point fault";
        case EXCEPTION_ACCESS_VIOLATION:
        case EXCEPTION_IN_PAGE_ERROR:
        case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
            return "invalid memory access";
        case EXCEPTION_DATATYPE_MISALIGNMENT:
            return "misaligned access";
        case EXCEPTION_ILLEGAL_INSTRUCTION:
        case EXCEPTION_PRIV_INSTRUCTION:
            return "illegal instruction";
        case EXCEPTION_INT_DIVIDE_BY_ZERO:
        case EXCEPTION_INT_OVERFLOW:
            return "integer division fault";
        case EXCEPTION_STACK_OVERFLOW:
            return "stack overflow";
        default:
            return nullptr;
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
    void AddWide(const wchar_t* text) {
        char utf8[MAX_PATH * 3];
        const int n =
            WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
        if (n > 0) {
            Add(utf8);
        }
    }
    void AddHex(uint64_t value, int digits) {
        for (int shift = (digits - 1) * 4; shift >= 0 && Length < sizeof Text; shift -= 4) {
            Text[Length++] = "0123456789ABCDEF"[(value >> shift) & 0xF];
        }
    }
    void WriteOut() const {
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_ERROR_HANDLE), Text, static_cast<DWORD>(Length), &written,
                  nullptr);
    }

private:
    char Text[1024];
    size_t Length = 0;
};

// The module that holds `address`, and its file; false for an address outside any module.
bool ModuleOf(uint64_t address, HMODULE& module, wchar_t (&file)[MAX_PATH]) {
    if (address == 0 || !GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                            reinterpret_cast<LPCWSTR>(address), &module)) {
        return false;
    }
    const DWORD n = GetModuleFileNameW(module, file, MAX_PATH);
    return n != 0 && n < MAX_PATH;
}

// Our own code: the program and what it loaded from its own folder. Access faults elsewhere
// may be expected by the code that made them (system code probes memory under its own
// handlers); they reach us only if nobody handles them.
bool InOurCode(uint64_t address) {
    HMODULE module = nullptr;
    wchar_t file[MAX_PATH];
    if (!ModuleOf(address, module, file)) {
        return false;
    }
    return module == GetModuleHandleW(nullptr) ||
           (gProgramFolderLength != 0 &&
            _wcsnicmp(file, gProgramFolder, gProgramFolderLength) == 0);
}

// Ends the process from inside a handler: one line, unless the run's line is out already.
[[noreturn]] void LeaveNow(DWORD code, uint64_t address, const char* where) {
    if (InterlockedExchange(&gLeaving, 1) == 0 && gEndingReported == 0) {
        const char* name = FaultName(code);
        LineBuffer line;
        line.Add("keldo: fault: ");
        line.Add(name != nullptr ? name : "unhandled exception");
        line.Add(" at 0x");
        line.AddHex(address, 16);
        HMODULE module = nullptr;
        wchar_t file[MAX_PATH];
        if (ModuleOf(address, module, file)) {
            line.Add(" in ");
            line.AddWide(file);
        }
        line.Add(where);
        line.Add(" (code 0x");
        line.AddHex(code, 8);
        line.Add(")\n");
        line.WriteOut();
    }
    TerminateProcess(GetCurrentProcess(), kFaultExitCode);
    for (;;) {
    }
}

// Where a caught fault resumes: normal code on the faulting thread's stack, once Windows has
// finished dispatching the exception, so the jump back to the guard leaves nothing half done.
[[noreturn]] void LandAfterFault() {
    JumpBuffer* guard = gGuard;
    gGuard = nullptr;
    __builtin_longjmp(*guard, 1);
}

// Sends a fault in our code on the main thread back to its guard; ends the process for any
// other that reaches here. Before the last chance, only hardware faults in our own code are
// taken; everything else is left to the handlers of the code that raised it.
LONG TakeFault(EXCEPTION_POINTERS* info, bool lastChance) {
    const DWORD code = info->ExceptionRecord->ExceptionCode;
    const auto address = reinterpret_cast<uint64_t>(info->ExceptionRecord->ExceptionAddress);
    const bool hardware = FaultName(code) != nullptr;
    if (!lastChance && !hardware) {
        return EXCEPTION_CONTINUE_SEARCH;  // the program's own exceptions, C++ throws and the like
    }
    if (!lastChance && code != EXCEPTION_FLT_INVALID_OPERATION &&
        code != STATUS_FLOAT_MULTIPLE_TRAPS && !InOurCode(address)) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    if (gLeaving != 0) {
        TerminateProcess(GetCurrentProcess(), kFaultExitCode);  // a fault while saying goodbye
    }
    const bool mainThread = GetCurrentThreadId() == gMainThread;
    if (mainThread && gGuard != nullptr && code != EXCEPTION_STACK_OVERFLOW) {
        gFaultCode = code;
        gFaultAddress = address;
        CONTEXT* context = info->ContextRecord;
        // The library's code and ours expect the platform's default mode after a fault.
        context->MxCsr = kDefaultFpMode;
        context->FltSave.MxCsr = kDefaultFpMode;
        // As if LandAfterFault had been called: 16-byte aligned before the return address.
        const DWORD64 stack = ((context->Rsp - kLandingGap) & ~DWORD64{15}) - sizeof(DWORD64);
        context->Rsp = stack;
        context->Rip = reinterpret_cast<DWORD64>(&LandAfterFault);
        return EXCEPTION_CONTINUE_EXECUTION;
    }
    LeaveNow(code, address, mainThread ? " during shutdown" : " on a worker thread");
}

LONG CALLBACK OnFirstChance(EXCEPTION_POINTERS* info) { return TakeFault(info, false); }

LONG WINAPI OnUnhandled(EXCEPTION_POINTERS* info) { return TakeFault(info, true); }

// Until the library takes the console's requests over, Ctrl+C is ignored.
BOOL WINAPI HoldStop(DWORD event) { return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT; }

DWORD WINAPI ShutdownWatch(void*) {
    Sleep(kShutdownMs);
    if (gEndingReported == 0) {
        LineBuffer line;
        line.Add("keldo: the shutdown after a fault did not finish\n");
        line.WriteOut();
    }
    TerminateProcess(GetCurrentProcess(), kFaultExitCode);
    return 0;
}

}  // namespace

void InstallFaultTrap() {
    // First of all: every line of the run, this trap's among them, goes to the console that
    // started the program, if there is one.
    JoinParentConsole();
    gMainThread = GetCurrentThreadId();
    // A fault is our one line on the console, never a dialog box.
    SetErrorMode(GetErrorMode() | SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    const DWORD n = GetModuleFileNameW(nullptr, gProgramFolder, MAX_PATH);
    if (n != 0 && n < MAX_PATH) {
        const wchar_t* slash = std::wcsrchr(gProgramFolder, L'\\');
        gProgramFolderLength =
            slash != nullptr ? static_cast<size_t>(slash - gProgramFolder) + 1 : 0;
    }
    AddVectoredExceptionHandler(1, OnFirstChance);
    SetUnhandledExceptionFilter(OnUnhandled);
}

void HoldStopRequests() { SetConsoleCtrlHandler(HoldStop, TRUE); }

// Standard error stays where it is here; where nobody reads it, the player is told.
void SayEnding(const char* line) {
    if (InterlockedExchange(&gEndingReported, 1) == 0) {
        std::string text(line);
        if (!text.empty() && text.back() == '\n') {
            text.pop_back();
        }
        ReportEnding(text);
    }
}

void ShutDownAfterFault() {
    // From here Ctrl+C ends the process at once, as Windows does by default.
    SetConsoleCtrlHandler(HoldStop, FALSE);
    HANDLE watch = CreateThread(nullptr, 0, ShutdownWatch, nullptr, 0, nullptr);
    if (watch != nullptr) {
        CloseHandle(watch);
    }
}

void FaultPlace(uint64_t address, char* out, size_t size) {
    out[0] = '\0';
    HMODULE module = nullptr;
    wchar_t file[MAX_PATH];
    if (!ModuleOf(address, module, file)) {
        return;
    }
    char utf8[MAX_PATH * 3];
    if (WideCharToMultiByte(CP_UTF8, 0, file, -1, utf8, sizeof utf8, nullptr, nullptr) <= 0) {
        return;
    }
    std::snprintf(out, size, " in %s", utf8);
}

bool MemoryRanOut() {
    constexpr SIZE_T kProbeBytes = SIZE_T{8} << 20;
    void* probe = VirtualAlloc(nullptr, kProbeBytes, MEM_RESERVE, PAGE_NOACCESS);
    if (probe == nullptr) {
        return true;
    }
    VirtualFree(probe, 0, MEM_RELEASE);
    return false;
}

void EnterGameFpMode() { _mm_setcsr(TV_GAME_FP_MODE); }

void LeaveGameFpMode() { _mm_setcsr(kDefaultFpMode); }

namespace detail {

namespace {

// Apart from the jump target, so that the exception handling stays out of its frame.
__attribute__((noinline)) void RunBody(void (*body)(void*), void* context) {
    try {
        body(context);
    } catch (...) {
        gGuard = nullptr;
        throw;
    }
}

}  // namespace

bool RunGuarded(void (*body)(void*), void* context, Fault& fault) {
    JumpBuffer jump;
    if (__builtin_setjmp(jump) != 0) {
        gGuard = nullptr;
        fault.Code = gFaultCode;
        fault.Address = gFaultAddress;
        const char* name = FaultName(gFaultCode);
        fault.Name = name != nullptr ? name : "unhandled exception";
        return false;
    }
    gGuard = &jump;
    RunBody(body, context);
    gGuard = nullptr;
    return true;
}

}  // namespace detail

}  // namespace keldo
