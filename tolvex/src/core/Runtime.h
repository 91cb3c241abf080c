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
// Threads started while the signals are held never take them, so that a signal always lands
// on the main thread and interrupts whatever it waits for.
void HoldSignalsForNewThreads(bool hold);
// Errors of the display under the window (DisplayErrorsPosix.cpp): watched from before the
// display is opened until after it is closed; the first one, or "" while there is none. A
// lost connection ends the process at once with one line. AskAfterWindow makes a window
// destroyed by another program show as such an error even while nothing is drawn.
void WatchDisplayErrors();
void ForgetDisplayErrors();
const std::string& DisplayFailure();
void AskAfterWindow();

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
