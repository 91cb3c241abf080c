// Where the window is not an X client (Windows, a web page) there is no display connection to
// lose: a window that goes away is a window closed, and SDL reports it as such.
#include <string>

#include "core/Runtime.h"

namespace tolvex {

void WatchDisplayErrors() {}

void ForgetDisplayErrors() {}

const std::string& DisplayFailure() {
    static const std::string kNone;
    return kNone;
}

void AskAfterWindow() {}

// A window that is no X client never leaves a request unanswered.
DisplayWait::DisplayWait(const char*) {}
DisplayWait::~DisplayWait() {}

int64_t DisplayWaitSince(const char*&) { return 0; }

}  // namespace tolvex
