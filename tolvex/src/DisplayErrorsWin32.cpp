// On Windows a window that goes away is a window closed: SDL reports it as such, and there is
// no display connection of its own to lose.
#include <string>

#include "Runtime.h"

namespace tolvex {

void WatchDisplayErrors() {}

void ForgetDisplayErrors() {}

const std::string& DisplayFailure() {
    static const std::string kNone;
    return kNone;
}

}  // namespace tolvex
