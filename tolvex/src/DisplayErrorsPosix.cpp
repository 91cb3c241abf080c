// When the X display fails under the window: the connection lost (the server gone, or our
// client killed), or an error from it (our window destroyed by another program). Xlib's own
// handlers print their text and end the process; ours end it with one line of the run's
// kind, or hand the error to the next Act.
#include <X11/Xlib.h>
#include <dlfcn.h>
#include <errno.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "Automation.h"
#include "Runtime.h"
#include "Screen.h"

namespace tolvex {

namespace {

// The code of TV_ERR_PLATFORM, in the form the program writes its codes.
constexpr const char* kPlatformCode = "0xE7100003";

std::string gFailure;

using GetErrorText = int (*)(Display*, int, char*, int);
GetErrorText gGetErrorText = nullptr;

int OnDisplayError(Display* display, XErrorEvent* event) {
    char text[128] = "unknown error";
    if (gGetErrorText != nullptr) {
        gGetErrorText(display, event->error_code, text, sizeof text);
    }
    if (gFailure.empty()) {
        gFailure = std::string("the display reported an error: ") + text;
    }
    return 0;
}

// Xlib ends the process when this returns; nothing of the display can be used any more. The
// trace keeps what it has, and the run's one line says why it ended.
int OnDisplayLost(Display*) {
    CloseTrace();
    std::fprintf(stderr, "%s: Act: the connection to the display was lost (code %s)\n",
                 program_invocation_short_name, kPlatformCode);
    std::fflush(stderr);
    _exit(1);
}

}  // namespace

namespace {

XErrorHandler gOldError = nullptr;
XIOErrorHandler gOldLost = nullptr;
bool gWatching = false;

// Puts in `error` and `lost` as Xlib's handlers, keeping what was there; false without Xlib.
bool SetHandlers(XErrorHandler error, XIOErrorHandler lost, bool keepOld) {
    // SDL loaded Xlib for the window; without it (another kind of display) there is nothing
    // to watch.
    void* xlib = dlopen("libX11.so.6", RTLD_NOW | RTLD_NOLOAD);
    if (xlib == nullptr) {
        return false;
    }
    using SetError = XErrorHandler (*)(XErrorHandler);
    using SetLost = XIOErrorHandler (*)(XIOErrorHandler);
    const auto setError = reinterpret_cast<SetError>(dlsym(xlib, "XSetErrorHandler"));
    const auto setLost = reinterpret_cast<SetLost>(dlsym(xlib, "XSetIOErrorHandler"));
    // Xlib stays loaded while the window is open, which is while the handlers are ours.
    gGetErrorText = reinterpret_cast<GetErrorText>(dlsym(xlib, "XGetErrorText"));
    if (setError != nullptr && setLost != nullptr) {
        const XErrorHandler oldError = setError(error);
        const XIOErrorHandler oldLost = setLost(lost);
        if (keepOld) {
            gOldError = oldError;
            gOldLost = oldLost;
        }
    }
    dlclose(xlib);
    return setError != nullptr && setLost != nullptr;
}

}  // namespace

void WatchDisplayErrors() {
    gFailure.clear();
    gWatching = SetHandlers(OnDisplayError, OnDisplayLost, true);
}

void ForgetDisplayErrors() {
    // Before the library can be unloaded: Xlib may outlive it.
    if (gWatching) {
        SetHandlers(gOldError, gOldLost, false);
        gWatching = false;
    }
}

const std::string& DisplayFailure() { return gFailure; }

}  // namespace tolvex
