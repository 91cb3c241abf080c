// State shared by the library's services: whether Init has run, the automation settings
// and the frame counter that pictures, pads and the trace agree on.
#pragma once

#include <cstdint>
#include <string>

#include "Automation.h"

namespace tolvex {

struct Session {
    bool Ready = false;
    // Bumped by every Init, so that a handle kept across Free and Init is caught.
    uint64_t Generation = 0;
    AutomationConfig Config;
    std::string DataDir;  // ends with '/'
    // The number of Act calls so far, which is the frame now being built.
    int64_t Frame = 0;
};

Session& CurrentSession();

// Raises TV_ERR_STATE unless Init has succeeded and Free has not run since.
void RequireReady(const char* entry);

// A file name that the game passed, resolved in the Data folder.
std::string DataPath(const std::string& name);

// Set by SIGINT/SIGTERM; the frame loop and the input script both give up on it.
bool InterruptRequested();
// Readable once SIGINT or SIGTERM has come (-1 when no signal handling is installed):
// a blocking wait polls it along with what it waits for.
int InterruptFd();

}  // namespace tolvex
