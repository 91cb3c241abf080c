#include "startup/Startup.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
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
#include "startup/PlayerNotice.h"

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

// What ended the program, as the handler records it.
struct Ending {
    bool Fatal = true;
    uint64_t Code = 0;
    uint64_t Address = 0;
    std::string Cause;
};

Ending FaultEnding(const Fault& fault, const char* when) {
    Ending ending;
    char where[64];
    std::snprintf(where, sizeof where, " at 0x%" PRIx64, fault.Address);
    ending.Code = static_cast<uint64_t>(fault.Code);
    ending.Address = fault.Address;
    ending.Cause = std::string("fault: ") + fault.Name + where + FaultPlace(fault.Address) + when;
    return ending;
}

// The cause as one line that shows what it holds: it may quote a variable, a script line or
// a path, and a line end, an escape sequence or a byte-order mark must not reach the terminal
// as such. Other text (UTF-8 names) passes unchanged.
std::string Printable(std::string_view text) {
    static constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        // U+0080 to U+009F, the second set of control characters, is C2 80 to C2 9F.
        const bool c1 = c == 0xC2 && i + 1 < text.size() &&
                        static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                        static_cast<unsigned char>(text[i + 1]) <= 0x9F;
        char escaped[8];
        if (c < 0x20 || c == 0x7F) {
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            out += escaped;
        } else if (c1) {
            std::snprintf(escaped, sizeof escaped, "\\u%04X",
                          static_cast<unsigned char>(text[++i]));
            out += escaped;
        } else if (text.substr(i).starts_with(kByteOrderMark)) {
            out += "\\uFEFF";
            i += kByteOrderMark.size() - 1;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

Ending Record(Ending ending) {
    if (LastExceptionAddress != 0) {
        ending.Address = LastExceptionAddress;
    }
    LastExceptionAddress = 0;
    if (ending.Fatal) {
        // The game's own codes are small numbers; the library's read best in hexadecimal.
        char code[32];
        if (ending.Code > 0xFFFF) {
            std::snprintf(code, sizeof code, " (code 0x%08" PRIX64 ")", ending.Code);
        } else {
            std::snprintf(code, sizeof code, " (code %" PRIu64 ")", ending.Code);
        }
        ReportEnding("keldo: " + Printable(ending.Cause) + code);
        NoteEndingReported();
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

}  // namespace

int RunProgram() {
    JoinParentConsole();
    InstallFaultTrap();
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
                ending.Cause = error.Message;
            } catch (const GameException& error) {
                ending.Code = static_cast<uint64_t>(error.Code);
                ending.Cause = "error " + std::to_string(error.Code) + ": " + error.Detail;
            } catch (const std::bad_alloc&) {
                ending.Cause = "out of memory";
            } catch (const std::exception& error) {
                ending.Cause = std::string("unexpected exception: ") + error.what();
            } catch (...) {
                ending.Cause = "unexpected exception";
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
