#include "startup/Startup.h"

#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <string>
#include <string_view>

#include "Tolvex.h"
#include "runtime/GameException.h"
#include "runtime/RtString.h"
#include "runtime/RuntimeBinder.h"
#include "runtime/RuntimeLoader.h"
#include "runtime/RuntimeTable.h"
#include "startup/AppSettings.h"
#include "startup/FaultTrap.h"
#include "startup/Main.h"

namespace keldo {

namespace {

// The window icon where the record names a picture of ours in Data/ (Windows hands over the
// program's icon resource instead).
constexpr const char16_t* kIconFile = u"icon.png";

std::unique_ptr<AppSettings> gSettings;

void StartUp() {
    EnterGameFpMode();
    BindRuntime();
    gSettings = std::make_unique<AppSettings>();
    gSettings->Title = u"KELDO var 0.2";

    RtStr title(gSettings->Title);
    RtStr icon(kIconFile);
    TvInitParams params{};
    params.Stamp = TV_INIT_STAMP;
    params.Flag = 1;
    params.Instance = ProgramModuleHandle();
    params.Icon = ProgramIcon(params.Instance, icon.Get());
    params.ExceptionCell = reinterpret_cast<uint64_t>(&LastExceptionAddress);
    params.Title = reinterpret_cast<uint64_t>(title.Get());
    Rt().Init(&params);
    Main();
}

// What ended the program, as the handler records it. Nothing here allocates: the ending may
// be that memory ran out.
struct Ending {
    bool Fatal = true;
    uint64_t Code = 0;
    uint64_t Address = 0;
    char Cause[sizeof TvError::Message + 64] = "";

    void SetCause(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        va_list args;
        va_start(args, format);
        std::vsnprintf(Cause, sizeof Cause, format, args);
        va_end(args);
    }
};

Ending FaultEnding(const Fault& fault, const char* when) {
    Ending ending;
    char at[600] = "";
    if (!fault.Sent) {
        char place[512];
        FaultPlace(fault.Address, place, sizeof place);
        std::snprintf(at, sizeof at, " at 0x%" PRIx64 "%s%s", fault.Address, place, when);
    }
    ending.Code = static_cast<uint64_t>(fault.Code);
    ending.Address = fault.Address;
    ending.SetCause("fault: %s%s%s", fault.Name, at, MemoryRanOut() ? ", with memory run out" : "");
    return ending;
}

// The cause as one line that shows what it holds: it may quote a variable, a script line or
// a path, and a line end, an escape sequence or a byte-order mark must not reach the terminal
// as such. Other text (UTF-8 names) passes unchanged. What does not fit in `out` is cut.
void Printable(std::string_view text, char* out, size_t size) {
    static constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    // The longest escape ("\uFEFF") and the final NUL.
    constexpr size_t kRoom = 7;
    size_t used = 0;
    for (size_t i = 0; i < text.size() && used + kRoom <= size; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        // U+0080 to U+009F, the second set of control characters, is C2 80 to C2 9F.
        const bool c1 = c == 0xC2 && i + 1 < text.size() &&
                        static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                        static_cast<unsigned char>(text[i + 1]) <= 0x9F;
        if (c < 0x20 || c == 0x7F) {
            used += static_cast<size_t>(std::snprintf(out + used, size - used, "\\x%02X", c));
        } else if (c1) {
            used += static_cast<size_t>(std::snprintf(out + used, size - used, "\\u%04X",
                                                      static_cast<unsigned char>(text[++i])));
        } else if (text.substr(i).starts_with(kByteOrderMark)) {
            used += static_cast<size_t>(std::snprintf(out + used, size - used, "\\uFEFF"));
            i += kByteOrderMark.size() - 1;
        } else {
            out[used++] = static_cast<char>(c);
        }
    }
    out[used] = '\0';
}

Ending Record(Ending ending) {
    if (LastExceptionAddress != 0) {
        ending.Address = LastExceptionAddress;
    }
    LastExceptionAddress = 0;
    if (ending.Fatal) {
        char cause[sizeof ending.Cause * 6];
        Printable(ending.Cause, cause, sizeof cause);
        char line[sizeof cause + 64];
        // The game's own codes are small numbers; the library's read best in hexadecimal.
        if (ending.Code > 0xFFFF) {
            std::snprintf(line, sizeof line, "keldo: %s (code 0x%08" PRIX64 ")\n", cause,
                          ending.Code);
        } else {
            std::snprintf(line, sizeof line, "keldo: %s (code %" PRIu64 ")\n", cause, ending.Code);
        }
        SayEnding(line);
    }
    return ending;
}

// A fault in the first steps skips the rest of them, never the unloading. A fault in the
// unloading itself ends the process from the fault trap.
Ending ShutDown(Ending ending, bool faulted) {
    Fault fault;
    const bool finished = RunGuarded(
        [] {
            gSettings.reset();
            if (IsFreeBound()) {
                try {
                    Rt().Free();
                } catch (...) {
                }
            }
        },
        fault);
    LeaveGameFpMode();
    if (!finished) {
        if (!ending.Fatal) {
            ending = Record(FaultEnding(fault, " during shutdown"));
        }
        faulted = true;
    }
    if (faulted) {
        // Free puts back the signal handling it found; ours must hold until the end.
        ShutDownAfterFault();
    }
    UnloadRuntime();
    return ending;
}

// An exception that nothing catches (thrown on a thread of the library, or out of a step that
// must not throw) would end the process with the C++ runtime's own text and no line of ours.
[[noreturn]] void OnUncaughtException() {
    const char* what = "an exception that nothing caught";
    try {
        if (const std::exception_ptr escaped = std::current_exception()) {
            std::rethrow_exception(escaped);
        }
    } catch (const std::bad_alloc&) {
        what = "out of memory on a thread of the game or its library";
    } catch (...) {
    }
    char line[128];
    std::snprintf(line, sizeof line, "keldo: %s (code %d)\n", what, kFaultExitCode);
    SayEnding(line);
    std::_Exit(kFaultExitCode);
}

}  // namespace

int RunProgram() {
    InstallFaultTrap();
    std::set_terminate(OnUncaughtException);
    HoldStopRequests();
    Ending ending;
    Fault fault;
    const bool finished = RunGuarded(
        [&ending] {
            try {
                StartUp();
            } catch (const TvError& error) {
                ending.Fatal = error.Code != TV_ERR_CLOSED;
                ending.Code = error.Code;
                ending.SetCause("%.*s", static_cast<int>(sizeof error.Message), error.Message);
            } catch (const GameException& error) {
                ending.Code = static_cast<uint64_t>(error.Code);
                ending.SetCause("error %" PRId64 ": %s", error.Code, error.Detail.c_str());
            } catch (const std::bad_alloc&) {
                ending.SetCause("out of memory in the game");
            } catch (const std::exception& error) {
                ending.SetCause("unexpected exception: %s", error.what());
            } catch (...) {
                ending.SetCause("unexpected exception");
            }
        },
        fault);
    LeaveGameFpMode();
    if (!finished) {
        ShutDownAfterFault();
        ending = FaultEnding(fault, "");
    }
    ending = Record(ending);
    ending = ShutDown(ending, !finished);
    return ending.Fatal ? 1 : 0;
}

}  // namespace keldo
