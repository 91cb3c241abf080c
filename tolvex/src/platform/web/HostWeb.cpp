// The page around the game: its touch controls press pad 0's buttons through here, so that
// the game, a recording and its replay see them as they see the keyboard; the canvas holds
// the whole 1600 x 900 picture and the page's style scales it; the page hears of each pause;
// the page starts the game with the title's files and brings the rest while the title runs.
#include <SDL.h>
#include <emscripten.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "core/Screen.h"
#include "platform/Host.h"

namespace tolvex {

namespace {

struct HostButtons {
    uint32_t Held = 0;
    // Pressed since the last frame, so that a tap shorter than a frame still counts.
    uint32_t Latched = 0;
    bool PauseAsked = false;
    bool MuteAsked = false;
};
HostButtons gHost;

// The picture as the canvas takes it, read out of the renderer: red, green, blue and a fourth
// byte that an opaque canvas does not read.
std::vector<uint32_t> gCanvasPixels;

// The canvas shows the bytes where they lie in the program's memory, without copying them
// first: an ImageData over them, made again only when the memory has grown (which moves it).
// (JavaScript, which the formatter would break.)
// clang-format off
EM_JS(void, PutOnCanvas, (const void* pixels, int w, int h), {
    let shown = Module['canvasPicture'];
    if (!shown || shown.image.data.buffer !== HEAPU8.buffer || shown.pixels !== pixels) {
        const context = Module['canvas'].getContext('2d', { alpha: false });
        const image = new ImageData(new Uint8ClampedArray(HEAPU8.buffer, pixels, w * h * 4), w, h);
        shown = Module['canvasPicture'] = { context, image, pixels };
    }
    shown.context.putImageData(shown.image, 0, 0);
});
// clang-format on

// The browser's turn while the game is paused: until the player does something on the page
// (whose handlers then give SDL, or the page's buttons, the event) or a while has passed.
// (JavaScript, which the formatter would break.)
// clang-format off
EM_ASYNC_JS(void, AwaitPlayerOrTime, (int ms), {
    const kInput = ['keydown', 'keyup', 'pointerdown', 'pointerup', 'touchstart', 'touchend'];
    // Under node (automation) there is no page, and only the time.
    const page = typeof addEventListener === 'function' ? globalThis : null;
    await new Promise((resolve) => {
        const done = () => {
            clearTimeout(timer);
            if (page) for (const type of kInput) page.removeEventListener(type, done, true);
            // After the event's own handlers.
            setTimeout(resolve, 0);
        };
        const timer = setTimeout(done, ms);
        if (page) for (const type of kInput) page.addEventListener(type, done, true);
    });
});
// clang-format on

bool DrawsOnCpu(SDL_Renderer* renderer) {
    SDL_RendererInfo info{};
    return SDL_GetRendererInfo(renderer, &info) == 0 && (info.flags & SDL_RENDERER_SOFTWARE) != 0;
}

}  // namespace

uint32_t HostButtonsDown() {
    const uint32_t down = gHost.Held | gHost.Latched;
    gHost.Latched = 0;
    return down;
}

// Only asked while the game is paused, when no frame reads the latch, and the latch is
// cleared after the pause anyway: the pause may take it for its own.
bool HostButtonPressed() {
    const bool pressed = gHost.Latched != 0;
    gHost.Latched = 0;
    return pressed;
}

void ClearHostLatches() { gHost.Latched = 0; }

bool HostScalesPicture() { return true; }

// The canvas's own order: reading the picture out for it is then a plain copy, where the
// other order cost a conversion of every pixel each frame. The game's pictures are decoded in
// this order too, so drawing them blends without reordering either.
uint32_t HostPictureFormat() { return SDL_PIXELFORMAT_ABGR8888; }

// With SDL's software renderer on a plain canvas, SDL would copy the picture into the window's
// own, fill in every pixel's opacity in JavaScript and copy it into a picture of the canvas's
// before putting that on the canvas. Read out once in the canvas's byte order, it goes there
// straight; an opaque canvas needs no opacity. WebGL shows its picture itself.
bool HostShowsPicture(SDL_Renderer* renderer) {
    if (!DrawsOnCpu(renderer)) {
        return false;
    }
    gCanvasPixels.resize(static_cast<size_t>(kScreenW) * kScreenH);
    // The whole picture, whatever viewport the game has set.
    SDL_Rect viewport{};
    SDL_RenderGetViewport(renderer, &viewport);
    SDL_RenderSetViewport(renderer, nullptr);
    const bool read = SDL_RenderReadPixels(renderer, nullptr, HostPictureFormat(),
                                           gCanvasPixels.data(), kScreenW * 4) == 0;
    SDL_RenderSetViewport(renderer, &viewport);
    if (!read) {
        return false;
    }
    PutOnCanvas(gCanvasPixels.data(), kScreenW, kScreenH);
    return true;
}

// Read by the pacing's wait for the browser (PlatformWeb.cpp).
void HostFrameShown() {
    EM_ASM({ Module['framePending'] = true; });
}

void TellHostPaused(bool paused) {
    EM_ASM(
        {
            if (Module['onPause']) Module['onPause']($0 != 0);
        },
        paused);
}

// SDL's own wait would sleep inside SDL, which the stack switching leaves out.
bool WaitForHostEvent(SDL_Event& event, int timeoutMs) {
    if (SDL_PollEvent(&event) != 0) {
        return true;
    }
    // A game pad is read when SDL looks, not announced: it is looked at this often.
    constexpr int kPadLookMs = 50;
    AwaitPlayerOrTime(std::min(timeoutMs, kPadLookMs));
    return SDL_PollEvent(&event) != 0;
}

bool HostAllowsQuit() { return false; }

bool HostHasFullscreen() {
    return EM_ASM_INT({ return Module['toggleFullscreen'] ? 1 : 0; }) != 0;
}

bool HostIsFullscreen() {
    return EM_ASM_INT(
               { return typeof document == 'object' && document.fullscreenElement ? 1 : 0; }) != 0;
}

void HostToggleFullscreen() {
    EM_ASM({
        if (Module['toggleFullscreen']) Module['toggleFullscreen']();
    });
}

bool HostPauseAsked() { return std::exchange(gHost.PauseAsked, false); }

bool HostMuteAsked() { return std::exchange(gHost.MuteAsked, false); }

void TellHostMuted(bool muted) {
    EM_ASM(
        {
            if (Module['onMute']) Module['onMute']($0 != 0);
        },
        muted);
}
// The page's promise of the files still coming is Module.filesComing, gone once they are in.
// (JavaScript, which the formatter would break.)
// clang-format off
EM_JS(int, FilesComingNow, (), { return Module['filesComing'] ? 1 : 0; });

// The page shows its progress bar over the picture meanwhile.
EM_ASYNC_JS(void, AwaitComingFiles, (), {
    if (Module['onFilesWait']) Module['onFilesWait'](true);
    await Module['filesComing'];
    if (Module['onFilesWait']) Module['onFilesWait'](false);
});
// clang-format on

bool HostFilesComing() { return FilesComingNow() != 0; }

void WaitForHostFiles() { AwaitComingFiles(); }

}  // namespace tolvex

// The page's pause and mute buttons.
extern "C" EMSCRIPTEN_KEEPALIVE void tolvex_host_pause() { tolvex::gHost.PauseAsked = true; }
extern "C" EMSCRIPTEN_KEEPALIVE void tolvex_host_mute() { tolvex::gHost.MuteAsked = true; }

// Called by the page whenever its held buttons change (bit b for pad button b).
extern "C" EMSCRIPTEN_KEEPALIVE void tolvex_host_buttons(uint32_t held) {
    using tolvex::gHost;
    gHost.Latched |= held & ~gHost.Held;
    gHost.Held = held;
}
