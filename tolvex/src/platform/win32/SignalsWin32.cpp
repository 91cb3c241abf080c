// The user's request to stop on Windows: Ctrl+C, Ctrl+Break or the console being closed. Init
// takes it over and Free hands it back.
#include <windows.h>

#include "core/Errors.h"
#include "core/Runtime.h"

namespace tolvex {

namespace {

// Set from the console's control handler, which Windows runs on a thread of its own.
volatile LONG gInterruptRequested = 0;
bool gInstalled = false;

BOOL WINAPI OnConsoleEvent(DWORD event) {
    InterlockedExchange(&gInterruptRequested, 1);
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
        return TRUE;
    }
    // Closing the console (or logging off): Windows ends the process as soon as this returns,
    // so hold on while the frame loop sees the request and the program shuts down; its exit
    // ends this thread too.
    Sleep(INFINITE);
    return TRUE;
}

}  // namespace

void InstallSignals() {
    InterlockedExchange(&gInterruptRequested, 0);
    gInstalled = SetConsoleCtrlHandler(OnConsoleEvent, TRUE) != 0;
}

void RestoreSignals() {
    if (gInstalled) {
        SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
        gInstalled = false;
    }
}

// The console's events come on a thread of their own, never on ours.
void HoldSignalsForNewThreads(bool) {}

bool InterruptRequested() { return InterlockedCompareExchange(&gInterruptRequested, 0, 0) != 0; }

// Nothing to poll: the waits here are on files, which do not block.
int InterruptFd() { return -1; }

void RaiseInterrupted(const char* when) {
    Raise(TV_ERR_CLOSED, "%s: interrupted by Ctrl+C or the console closing", when);
}

}  // namespace tolvex
