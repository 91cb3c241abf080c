// State shared by the library's services: whether Init has run, the automation settings
// and the frame counter that pictures, pads and the trace agree on.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/Automation.h"

namespace tolvex {

struct Session {
    bool Ready = false;
    // Bumped by every Init, so that a handle kept across Free and Init is caught.
    uint64_t Generation = 0;
    AutomationConfig Config;
    std::string DataDir;  // ends with '/'
    // The files to decode ahead of the game's loads, in order.
    std::vector<std::string> DecodeAhead;
    // The number of Act calls so far, which is the frame now being built.
    int64_t Frame = 0;
};

Session& CurrentSession();

// Raises TV_ERR_STATE unless Init has succeeded and Free has not run since.
void RequireReady(const char* entry);

// A file name that the game passed, resolved in the Data folder.
std::string DataPath(const std::string& name);

// Signals (SignalsPosix.cpp): taken over by Init, handed back by Free.
void InstallSignals();
void RestoreSignals();
// Errors of the display under the window (DisplayErrorsPosix.cpp): watched from before the
// display is opened until after it is closed; the first one, or "" while there is none. A
// lost connection ends the process at once with one line. AskAfterWindow makes a window
// destroyed by another program show as such an error even while nothing is drawn.
void WatchDisplayErrors();
void ForgetDisplayErrors();
const std::string& DisplayFailure();
void AskAfterWindow();
// Marks a stretch of the Init thread that waits on the display (a nested one adds nothing).
// One that lasts longer than any display takes to answer means the display stopped answering,
// and a run asked to stop meanwhile must not wait for it: the watchdog in SignalsPosix.cpp ends
// such a run.
class DisplayWait {
public:
    explicit DisplayWait(const char* when);
    ~DisplayWait();
    DisplayWait(const DisplayWait&) = delete;
    DisplayWait& operator=(const DisplayWait&) = delete;
};
// Since when (MonotonicNs) the Init thread waits on the display, with the entry it waits in
// into `when`; 0 (and `when` as it was) when it does not.
int64_t DisplayWaitSince(const char*& when);

// Set by SIGINT, SIGTERM and the like; the frame loop, the input script and every file read
// give up on it.
bool InterruptRequested();
// Readable once such a signal has come (-1 when no signal handling is installed): a blocking
// wait polls it along with what it waits for.
int InterruptFd();
// Ends the run for the signal that came: TV_ERR_CLOSED for a request to stop, a failure
// naming the signal for one that nobody should send. `when` starts the message.
[[noreturn]] void RaiseInterrupted(const char* when);

}  // namespace tolvex
