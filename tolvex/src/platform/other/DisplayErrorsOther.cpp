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

}  // namespace tolvex
