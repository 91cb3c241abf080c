// When the X display fails under the window: the connection lost (the server gone, or our
// client killed), or an error from it (our window destroyed by another program). Xlib's own
// handlers print their text and end the process; ours end it with one line of the run's
// kind, or hand the error to the next Act.
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <dlfcn.h>
#include <errno.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "core/Automation.h"
#include "core/Runtime.h"
#include "core/Screen.h"

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

using SetError = XErrorHandler (*)(XErrorHandler);
using SetLost = XIOErrorHandler (*)(XIOErrorHandler);
using GetAttributes = Status (*)(Display*, Window, XWindowAttributes*);

struct Watch {
    // Our own hold on Xlib: SDL lets go of its hold when it quits, before we hand the
    // handlers back.
    void* Xlib = nullptr;
    SetError SetErrorHandler = nullptr;
    SetLost SetLostHandler = nullptr;
    GetAttributes GetWindowAttributes = nullptr;
    XErrorHandler OldError = nullptr;
    XIOErrorHandler OldLost = nullptr;
};
Watch gWatch;

}  // namespace

// Called before SDL opens the display. SDL keeps the error handler it finds then, passes on to
// it every error its own handlers do not expect, and puts it back just before it closes the
// display, which is when the answer to its destroying a window that is already gone arrives.
// Were that Xlib's own handler, its text would follow our line and end the process; being
// ours, the error lands where the rest do.
void WatchDisplayErrors() {
    gFailure.clear();
    if (gWatch.Xlib != nullptr) {
        return;
    }
    // Without Xlib (another kind of display) there is nothing to watch.
    void* xlib = dlopen("libX11.so.6", RTLD_NOW);
    if (xlib == nullptr) {
        return;
    }
    Watch watch;
    watch.Xlib = xlib;
    watch.SetErrorHandler = reinterpret_cast<SetError>(dlsym(xlib, "XSetErrorHandler"));
    watch.SetLostHandler = reinterpret_cast<SetLost>(dlsym(xlib, "XSetIOErrorHandler"));
    watch.GetWindowAttributes =
        reinterpret_cast<GetAttributes>(dlsym(xlib, "XGetWindowAttributes"));
    gGetErrorText = reinterpret_cast<GetErrorText>(dlsym(xlib, "XGetErrorText"));
    if (watch.SetErrorHandler == nullptr || watch.SetLostHandler == nullptr) {
        gGetErrorText = nullptr;
        dlclose(xlib);
        return;
    }
    watch.OldError = watch.SetErrorHandler(OnDisplayError);
    watch.OldLost = watch.SetLostHandler(OnDisplayLost);
    gWatch = watch;
}

// Called once SDL has closed the display, and before this library can be unloaded: Xlib may
// outlive it.
void ForgetDisplayErrors() {
    if (gWatch.Xlib == nullptr) {
        return;
    }
    gWatch.SetErrorHandler(gWatch.OldError);
    gWatch.SetLostHandler(gWatch.OldLost);
    gGetErrorText = nullptr;
    dlclose(gWatch.Xlib);
    gWatch = Watch{};
}

// Nothing is drawn while the game is paused, so nothing would tell a window destroyed by
// another program meanwhile; asking after the window does, as an error of the display.
void AskAfterWindow() {
    SDL_Window* const window = CurrentScreen().Window;
    if (gWatch.GetWindowAttributes == nullptr || window == nullptr) {
        return;
    }
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11) {
        return;
    }
    XWindowAttributes attributes;
    gWatch.GetWindowAttributes(info.info.x11.display, info.info.x11.window, &attributes);
}

const std::string& DisplayFailure() { return gFailure; }

}  // namespace tolvex
