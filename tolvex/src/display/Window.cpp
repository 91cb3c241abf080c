// Init and Free, the window (or the headless picture), frame pacing and the frame loop.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <new>
#include <optional>

#include "automation/Recorder.h"
#include "core/Errors.h"
#include "core/FpEnv.h"
#include "core/Runtime.h"
#include "core/Screen.h"
#include "display/Overlay.h"
#include "files/DataFile.h"
#include "files/UserFiles.h"
#include "plain/Random.h"
#include "plain/TvText.h"
#include "platform/Adapter.h"
#include "platform/Host.h"
#include "platform/Platform.h"

namespace tolvex {

namespace {

constexpr int64_t kSecondNs = 1'000'000'000;
constexpr int64_t kFramesPerSecond = 60;
constexpr int64_t kFrameNs = kSecondNs / kFramesPerSecond;
// A frame that begins later than this after its time has its picture skipped, so that the game
// catches up; within it, a late wake-up or a browser's showing is only jitter.
constexpr int64_t kSkipWhenLateNs = kFrameNs;
// Behind by more than a quarter of a second, the pacer starts afresh instead of racing to catch
// up, and the game slows down: the machine cannot even play the game while showing one picture
// in four. Within it, a busy machine's late turns are won back by skipping pictures.
constexpr int64_t kMaxLagFrames = kFramesPerSecond / 4;

Session gSession;
Screen gScreen;
bool gSdlStarted = false;
bool gCloseRequested = false;
// Set while Init or Act runs: still set when Free comes, a fault cut it short.
bool gEntryRunning = false;
struct EntryRuns {
    EntryRuns() { gEntryRunning = true; }
    ~EntryRuns() { gEntryRunning = false; }
    EntryRuns(const EntryRuns&) = delete;
    EntryRuns& operator=(const EntryRuns&) = delete;
};
// The window does not show the last picture (not yet shown, uncovered, resized): the next Act
// shows it even when the frame drew nothing new.
bool gWindowStale = true;

struct Pacer {
    int64_t BaseNs = 0;
    int64_t Count = 0;
    int64_t LateNs = 0;          // how late the frame that began last began
    int SkippedInRow = 0;        // pictures skipped since the last one shown
    std::deque<int64_t> Recent;  // times of the frames shown within the last second
};
Pacer gPacer;

bool FitsDisplay(int& w, int& h) {
    SDL_Rect usable{};
    if (SDL_GetDisplayUsableBounds(0, &usable) != 0 || usable.w <= 0 || usable.h <= 0) {
        return false;
    }
    const double scale = std::min({1.0, usable.w * 0.9 / kScreenW, usable.h * 0.9 / kScreenH});
    w = static_cast<int>(kScreenW * scale);
    h = static_cast<int>(kScreenH * scale);
    return true;
}

// Where OpenGL is only a rasteriser on the CPU (a virtual machine, a remote desktop, a machine
// without a supported graphics card), SDL's own software renderer drawing straight into the
// window costs a fraction of the CPU: it blends and scales without OpenGL's per-pixel
// pipeline and needs no second copy of the picture to show it. Direct3D can be such a
// rasteriser too; the platform's file asks its adapter.
bool RasterisesOnCpu(SDL_Renderer* renderer) {
    if (AdapterDrawsOnCpu(renderer)) {
        return true;
    }
    SDL_RendererInfo info{};
    if (SDL_GetRendererInfo(renderer, &info) != 0 || info.name == nullptr ||
        std::strncmp(info.name, "opengl", std::strlen("opengl")) != 0) {
        return false;
    }
    // The renderer's context is current.
    return CurrentGlOnCpu();
}

// The byte order of the picture the game draws into. SDL's software renderer scales it into the
// window quickly only from the window's own order: from any other it makes a new picture of the
// window's size every frame, clears it, stretches into it and copies it on, and on Windows each
// one comes from the system as fresh pages (wine spent more of a core on that than on the game).
// The window's order is taken when it differs from the host's only in the unused fourth byte, so
// the colours are blended alike.
Uint32 PictureFormat(SDL_Renderer* renderer, SDL_Window* window) {
    const Uint32 host = HostPictureFormat();
    SDL_RendererInfo info{};
    if (HostScalesPicture() || SDL_GetRendererInfo(renderer, &info) != 0 ||
        (info.flags & SDL_RENDERER_SOFTWARE) == 0) {
        return host;
    }
    const Uint32 own = SDL_GetWindowPixelFormat(window);
    int bits = 0;
    Uint32 r = 0, g = 0, b = 0, a = 0;
    Uint32 ownR = 0, ownG = 0, ownB = 0, ownA = 0;
    if (SDL_PixelFormatEnumToMasks(host, &bits, &r, &g, &b, &a) == SDL_FALSE ||
        SDL_PixelFormatEnumToMasks(own, &bits, &ownR, &ownG, &ownB, &ownA) == SDL_FALSE) {
        return host;
    }
    return bits == 32 && ownR == r && ownG == g && ownB == b ? own : host;
}

void OpenWindowQuietly(const std::string& title, uint64_t icon) {
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_GAMECONTROLLER) != 0) {
        Raise(TV_ERR_PLATFORM, "Init: no display: %s", SDL_GetError());
    }
    gSdlStarted = true;
    // Without a display SDL quietly falls back to drivers that show nothing; a player would
    // be left with an invisible game. Only an explicit choice of such a driver is honoured.
    const char* driver = SDL_GetCurrentVideoDriver();
    const bool invisible = driver != nullptr && (std::strcmp(driver, "offscreen") == 0 ||
                                                 std::strcmp(driver, "dummy") == 0);
    if (invisible && std::getenv("SDL_VIDEODRIVER") == nullptr) {
        Raise(TV_ERR_PLATFORM,
              "Init: no display (SDL found only its '%s' video driver); set TOLVEX_HEADLESS=1 "
              "to run without one",
              driver);
    }
    int w = kScreenW;
    int h = kScreenH;
    Uint32 shape = 0;
    if (!HostScalesPicture()) {
        FitsDisplay(w, h);
        shape = SDL_WINDOW_RESIZABLE;
    }
    // Hidden until its renderer is settled, which may take a second window.
    const auto makeWindow = [&] {
        gScreen.Window = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED,
                                          SDL_WINDOWPOS_CENTERED, w, h, shape | SDL_WINDOW_HIDDEN);
        if (gScreen.Window == nullptr) {
            Raise(TV_ERR_PLATFORM, "Init: cannot open the window: %s", SDL_GetError());
        }
    };
    makeWindow();
    LetHostCatchUp();
    const RendererChoice choice = gSession.Config.Renderer;
    if (choice != RendererChoice::Software) {
        gScreen.Renderer = SDL_CreateRenderer(
            gScreen.Window, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_TARGETTEXTURE);
        if (gScreen.Renderer != nullptr && choice == RendererChoice::Choose &&
            RasterisesOnCpu(gScreen.Renderer)) {
            SDL_DestroyRenderer(gScreen.Renderer);
            gScreen.Renderer = nullptr;
            SDL_DestroyWindow(gScreen.Window);
            gScreen.Window = nullptr;
            makeWindow();
        }
    }
    if (gScreen.Renderer == nullptr) {
        // Straight into the window's own pixels, not through an OpenGL texture.
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        gScreen.Renderer = SDL_CreateRenderer(gScreen.Window, -1,
                                              SDL_RENDERER_SOFTWARE | SDL_RENDERER_TARGETTEXTURE);
    }
    if (gScreen.Renderer == nullptr) {
        Raise(TV_ERR_PLATFORM, "Init: no renderer: %s", SDL_GetError());
    }
    LetHostCatchUp();
    SDL_RenderSetLogicalSize(gScreen.Renderer, kScreenW, kScreenH);
    gScreen.Format = PictureFormat(gScreen.Renderer, gScreen.Window);
    gScreen.Target = SDL_CreateTexture(gScreen.Renderer, gScreen.Format, SDL_TEXTUREACCESS_TARGET,
                                       kScreenW, kScreenH);
    if (gScreen.Target == nullptr || SDL_SetRenderTarget(gScreen.Renderer, gScreen.Target) != 0) {
        Raise(TV_ERR_PLATFORM, "Init: cannot make the 1600 x 900 picture: %s", SDL_GetError());
    }
    // The picture is opaque: copied to the window, not blended (the software renderer's blend
    // of every pixel costs a frame dearly and changes nothing).
    SDL_SetTextureBlendMode(gScreen.Target, SDL_BLENDMODE_NONE);
    LetHostCatchUp();
    ApplyWindowIcon(gScreen.Window, icon);
    SDL_ShowWindow(gScreen.Window);
}

void OpenWindow(const std::string& title, uint64_t icon) {
    WatchDisplayErrors();
    const DisplayWait wait("Init");
    // The drivers SDL tries and finds missing (no Wayland here, no X there, an OpenGL driver
    // that cannot load) tell standard error about it; the failure that matters is ours to tell.
    WithoutStderr([&] {
        OpenWindowQuietly(title, icon);
        return true;
    });
}

void OpenCanvas() {
    gScreen.Format = HostPictureFormat();
    gScreen.Canvas = SDL_CreateRGBSurfaceWithFormat(0, kScreenW, kScreenH, 32, gScreen.Format);
    gScreen.Renderer =
        gScreen.Canvas == nullptr ? nullptr : SDL_CreateSoftwareRenderer(gScreen.Canvas);
    if (gScreen.Renderer == nullptr) {
        Raise(TV_ERR_PLATFORM, "Init: cannot make the off-screen picture: %s", SDL_GetError());
    }
}

void CloseEverything() {
    if (gEntryRunning) {
        StayQuiet();
        gEntryRunning = false;
    }
    CloseScreenshots();
    ClosePause();
    ClosePads();
    CloseSound();
    ClosePictures();
    if (gScreen.Target != nullptr) {
        SDL_DestroyTexture(gScreen.Target);
    }
    if (gScreen.Renderer != nullptr) {
        SDL_DestroyRenderer(gScreen.Renderer);
    }
    if (gScreen.Window != nullptr) {
        SDL_DestroyWindow(gScreen.Window);
    }
    if (gScreen.Canvas != nullptr) {
        SDL_FreeSurface(gScreen.Canvas);
    }
    gScreen = Screen{};
    if (gSdlStarted) {
        // Closing the display waits for its answer.
        const DisplayWait wait("Free");
        SDL_Quit();
        gSdlStarted = false;
    }
    // Only now: the display answers the window's destruction as late as its closing.
    ForgetDisplayErrors();
    CloseScript();
    CloseRecording();
    ForgetScriptHead();
    CloseTrace();
    RestoreSignals();
    StopPacing();
    gSession.Ready = false;
    gCloseRequested = false;
    gWindowStale = true;
}

void Open(const TvInitParams& params) {
    // First of all, so that Ctrl+C during start-up (even while opening a named pipe that no
    // one has opened yet, or waiting on the display or a sound device) ends the run the same
    // clean way as later.
    InstallSignals();
    ++gSession.Generation;
    gSession.Frame = 0;
    gSession.Config = ReadAutomationConfig();
    const AutomationConfig& config = gSession.Config;
    if (params.Title == 0) {
        Raise(TV_ERR_ARG, "Init: the title is null");
    }
    const std::string title = ToUtf8(reinterpret_cast<const TvStr*>(params.Title), "Init");
    SetUserFolderName(title);
    gSession.DataDir = LibraryFolder();
    gSession.DecodeAhead = ReadDecodeAheadList();

    // A recording names its seed on its first line, so that it replays by itself.
    const std::optional<uint64_t> scriptSeed =
        config.InputPath.empty() ? std::nullopt : ReadScriptHead(config.InputPath);
    const uint64_t seed = config.HasSeed ? config.Seed : scriptSeed ? *scriptSeed : RunEntropy();
    SeedRandom(seed);
    if (!config.RecordPath.empty()) {
        OpenRecording(config.RecordPath, seed);
    }

    // The trace first: a driver reading it may be what unblocks the script's writer.
    if (!config.TracePath.empty()) {
        OpenTrace(config.TracePath);
    }
    if (!config.InputPath.empty()) {
        OpenScript(config.InputPath);
    }

    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
    SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
    // In a page the pacing alone gives the browser its turn; SDL would add one of its own in
    // every present (and so must not: the stack switching leaves SDL's code out).
    SDL_SetHint(SDL_HINT_EMSCRIPTEN_ASYNCIFY, "0");
    // As the program's manifest declares, so that Windows never blurs the window by scaling it.
    SDL_SetHint(SDL_HINT_WINDOWS_DPI_AWARENESS, "permonitorv2");
    if (config.Headless == HeadlessMode::Window) {
        OpenWindow(title, params.Icon);
    } else {
        if (SDL_Init(0) != 0) {
            Raise(TV_ERR_PLATFORM, "Init: %s", SDL_GetError());
        }
        gSdlStarted = true;
        if (config.Headless == HeadlessMode::Render) {
            OpenCanvas();
        }
        ApplyWindowIcon(nullptr, params.Icon);  // no window to show it; a bad one still fails
    }
    OpenPictures();
    OpenSound(config.Headless == HeadlessMode::Window);
    OpenPads(config.Headless == HeadlessMode::Window && !ScriptOn());
    if (PlayerAtWindow()) {
        LoadKeyConfig();
        LoadPlayerChoices();
    }
    // Last: a picture too large for the memory that is left must fail by its own name when the
    // game loads it, not take the memory that the sound's thread was about to start with.
    StartPicturePrefetch();
    gSession.Ready = true;
    StartPicture(false);
    gPacer = Pacer{};
    gPacer.BaseNs = MonotonicNs();
}

bool Paced() { return gSession.Config.Headless == HeadlessMode::Window || gSession.Config.Pace; }

// Sleeps to the next 1/60 s deadline, counted from a fixed base so that errors do not add up.
void Pace() {
    ++gPacer.Count;
    const int64_t deadline = gPacer.BaseNs + gPacer.Count * kSecondNs / kFramesPerSecond;
    const int64_t now = MonotonicNs();
    if (now > deadline + kMaxLagFrames * kFrameNs) {
        gPacer.BaseNs = now;
        gPacer.Count = 0;
        gPacer.LateNs = 0;
        // Still the platform's turn: a page shows the frame only once it has it.
        SleepUntilNs(now);
        return;
    }
    SleepUntilNs(deadline);
    // The sleep's own lateness counts: a page's turn may end only after the browser has shown
    // the picture.
    gPacer.LateNs = MonotonicNs() - deadline;
}

bool ShotWanted(int64_t frame) {
    const std::vector<ShotRequest>& shots = gSession.Config.Shots;
    return std::any_of(shots.begin(), shots.end(),
                       [frame](const ShotRequest& shot) { return shot.Frame == frame; });
}

// Whether the picture of `frame`, about to begin, is skipped: decided before any of it is
// drawn, so that no picture is drawn and then left unshown. An unpaced run skips only what
// TOLVEX_SKIP asks for, and a picture asked for by TOLVEX_SHOT is always drawn.
bool SkipsPicture(int64_t frame) {
    const std::string& pattern = gSession.Config.SkipPattern;
    if (ShotWanted(frame)) {
        return false;
    }
    if (!pattern.empty()) {
        return pattern[static_cast<size_t>(frame - 1) % pattern.size()] == 's';
    }
    return Paced() && gPacer.LateNs > kSkipWhenLateNs && gPacer.SkippedInRow < kMaxSkippedInRow;
}

void RecordFrameTime() {
    const int64_t now = MonotonicNs();
    gPacer.Recent.push_back(now);
    while (gPacer.Recent.size() > 2 && now - gPacer.Recent.front() > kSecondNs) {
        gPacer.Recent.pop_front();
    }
}

bool UncoversPicture(Uint8 windowEvent) {
    switch (windowEvent) {
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_RESIZED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
        case SDL_WINDOWEVENT_MAXIMIZED:
        case SDL_WINDOWEVENT_RESTORED:
            return true;
        default:
            return false;
    }
}

void PumpEvents() {
    if (gScreen.Window == nullptr) {
        return;
    }
    const bool player = PlayerAtWindow();
    const DisplayWait wait("Act");
    if (player && HostPauseAsked()) {
        RequestPause();
    }
    if (player && HostMuteAsked()) {
        ToggleMute();
    }
    SDL_Event event;
    // What comes after a pause is asked for is the pause menu's.
    while (!PauseRequested() && SDL_PollEvent(&event) != 0) {
        WindowEvent(event);
        if (player) {
            NotePauseEvent(event);
            const bool pressed = event.type == SDL_KEYDOWN && event.key.repeat == 0;
            if (pressed && IsScreenshotKey(event.key.keysym.scancode)) {
                SaveScreenshotForPlayer();
            } else if (pressed && IsMuteKey(event.key.keysym.scancode)) {
                ToggleMute();
            }
        }
        PadEvent(event);
        SoundEvent(event);
    }
    OpenHeldSoundDevice();
}

void DrawNoticesOnly(SDL_Renderer* renderer) { DrawNotices(renderer); }

// The game's picture, with the notices for the player over it while there are any.
void Present() {
    RefreshNotices();
    PresentWith(NoticeShowing() && gScreen.Window != nullptr ? DrawNoticesOnly : nullptr);
}

void SaveShot(const std::string& path) {
    const SurfacePtr picture = ReadBackPicture();
    if (picture == nullptr) {
        Raise(TV_ERR_PLATFORM, "Act: cannot read the picture back: %s (%s)", SDL_GetError(),
              path.c_str());
    }
    WriteWholeFile(path, EncodePicture(*picture), "TOLVEX_SHOT");
}

// Between frames, before the pacing sleep, one picture or sound is made ready ahead of the
// game's load of it; whatever fails here fails again, and is reported, when the game loads it.
// Nothing is made ready while the host still brings files: the read would wait for them all.
void WarmUp() {
    if (HostFilesComing()) {
        return;
    }
    const bool recording = RecordRaiseSites(false);
    try {
        if (!WarmUpOnePicture()) {
            WarmUpOneSound();
        }
    } catch (...) {
        // Out of memory included: the game's own load of the file says so, naming it.
    }
    RecordRaiseSites(recording);
}

}  // namespace

bool WindowEvent(const SDL_Event& event) {
    if (event.type == SDL_QUIT ||
        (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE)) {
        gCloseRequested = true;
        return true;
    }
    if (event.type == SDL_WINDOWEVENT && UncoversPicture(event.window.event)) {
        gWindowStale = true;
        return true;
    }
    if (event.type == SDL_RENDER_TARGETS_RESET || event.type == SDL_RENDER_DEVICE_RESET) {
        ForgetPicture();
        gWindowStale = true;
        return true;
    }
    if (event.type == SDL_KEYDOWN && event.key.repeat == 0) {
        const SDL_Scancode key = event.key.keysym.scancode;
        const bool alt = (event.key.keysym.mod & KMOD_ALT) != 0;
        // A player's Escape opens the pause menu; a run that a program drives ends on it.
        if (key == SDL_SCANCODE_ESCAPE && !PlayerAtWindow()) {
            gCloseRequested = true;
            return true;
        }
        if (key == SDL_SCANCODE_F11 ||
            (alt && (key == SDL_SCANCODE_RETURN || key == SDL_SCANCODE_KP_ENTER))) {
            ToggleFullscreen();
            return true;
        }
    }
    return false;
}

bool CloseRequested() { return gCloseRequested || InterruptRequested(); }

void AskToClose() { gCloseRequested = true; }

bool IsFullscreen() {
    if (HostHasFullscreen()) {
        return HostIsFullscreen();
    }
    return gScreen.Window != nullptr &&
           (SDL_GetWindowFlags(gScreen.Window) & SDL_WINDOW_FULLSCREEN_DESKTOP) != 0;
}

void ToggleFullscreen() {
    if (HostHasFullscreen()) {
        HostToggleFullscreen();
        return;
    }
    SDL_SetWindowFullscreen(gScreen.Window, IsFullscreen() ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
}

bool PlayerAtWindow() { return gScreen.Window != nullptr && !ScriptOn(); }

void PresentWith(void (*over)(SDL_Renderer*)) {
    SDL_Renderer* renderer = gScreen.Renderer;
    if (renderer == nullptr) {
        return;
    }
    if (gScreen.Target == nullptr) {
        SDL_RenderFlush(renderer);
        return;
    }
    const DisplayWait wait("Act");
    if (over == nullptr && HostShowsPicture(renderer)) {
        HostFrameShown();
        gWindowStale = false;
        return;
    }
    SDL_SetRenderTarget(renderer, nullptr);
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    SDL_RenderCopy(renderer, gScreen.Target, nullptr, nullptr);
    if (over != nullptr) {
        over(renderer);
    }
    SDL_RenderPresent(renderer);
    HostFrameShown();
    SDL_SetRenderTarget(renderer, gScreen.Target);
    // Whatever was laid over the picture must go when the game's frames come back.
    gWindowStale = over != nullptr;
}

SurfacePtr ReadBackPicture() {
    SDL_Renderer* renderer = gScreen.Renderer;
    SurfacePtr picture;
    if (gScreen.Canvas != nullptr) {
        SDL_RenderFlush(renderer);
        picture.reset(SDL_ConvertSurfaceFormat(gScreen.Canvas, SDL_PIXELFORMAT_RGB24, 0));
    } else if (renderer != nullptr) {
        const DisplayWait wait("Act");
        picture.reset(
            SDL_CreateRGBSurfaceWithFormat(0, kScreenW, kScreenH, 24, SDL_PIXELFORMAT_RGB24));
        SDL_RenderSetViewport(renderer, nullptr);
        if (picture != nullptr && SDL_RenderReadPixels(renderer, nullptr, SDL_PIXELFORMAT_RGB24,
                                                       picture->pixels, picture->pitch) != 0) {
            picture.reset();
        }
    }
    return picture;
}

Session& CurrentSession() { return gSession; }

Screen& CurrentScreen() { return gScreen; }

void RequireReady(const char* entry) {
    if (!gSession.Ready) {
        Raise(TV_ERR_STATE, "%s: called before Init or after Free", entry);
    }
}

std::string DataPath(const std::string& name) { return gSession.DataDir + name; }

}  // namespace tolvex

using namespace tolvex;

extern "C" {

bool Init(const TvInitParams* params) {
    if (params == nullptr || params->Stamp != TV_INIT_STAMP || params->Flag != 1) {
        Raise(TV_ERR_ARG, "Init: the start-up record has a wrong stamp or flag");
    }
    SetExceptionCell(reinterpret_cast<uint64_t*>(params->ExceptionCell));
    if (gSession.Ready) {
        Raise(TV_ERR_STATE, "Init: already running; call Free first");
    }
    DefaultFpEnv fp;
    try {
        const EntryRuns runs;
        Open(*params);
    } catch (const std::bad_alloc&) {
        CloseEverything();
        Raise(TV_ERR_PLATFORM, "Init: out of memory");
    } catch (...) {
        CloseEverything();
        throw;
    }
    return true;
}

void Free() {
    DefaultFpEnv fp;
    CloseEverything();
}

// Ends the run the polite way: the next Act behaves as if the window had been closed.
void Exit() {
    RequireReady("Exit");
    gCloseRequested = true;
}

// One frame: what Act does once it is allowed to.
static void Step() {
    const AutomationConfig& config = gSession.Config;
    const bool shown = !PictureSkipped();
    const bool drawn = FinishPicture();
    for (const ShotRequest& shot : config.Shots) {
        if (shot.Frame == gSession.Frame) {
            SaveShot(shot.Path);
        }
    }
    if (shown && (drawn || gWindowStale)) {
        Present();
    }
    CaptureFrame();
    ++gSession.Frame;
    WarmUp();
    if (Paced()) {
        Pace();
    }
    PumpEvents();
    if (PauseRequested()) {
        HoldWhilePaused();
        // The rate is of frames played, and the pacer starts afresh on its own.
        gPacer.Recent.clear();
    }
    AdvancePads();
    RecordButtons(gSession.Frame, PadsDown());
    const bool skip = SkipsPicture(gSession.Frame);
    gPacer.SkippedInRow = skip ? gPacer.SkippedInRow + 1 : 0;
    StartPicture(skip);
    if (shown) {
        RecordFrameTime();
    }
    TraceFrame(gSession.Frame);
    if (skip) {
        TraceSkip();
    }
    FlushTrace();
    if (config.FrameLimit != 0 && gSession.Frame >= config.FrameLimit) {
        Raise(TV_ERR_CLOSED, "Act: frame limit %lld reached (TOLVEX_FRAMES)",
              static_cast<long long>(config.FrameLimit));
    }
    if (InterruptRequested()) {
        RaiseInterrupted("Act");
    }
    if (gScreen.Window != nullptr && !DisplayFailure().empty()) {
        Raise(TV_ERR_PLATFORM, "Act: %s", DisplayFailure().c_str());
    }
    if (gCloseRequested) {
        Raise(TV_ERR_CLOSED, "Act: the window was closed");
    }
}

bool Act() {
    RequireReady("Act");
    DefaultFpEnv fp;
    try {
        const EntryRuns runs;
        Step();
    } catch (const std::bad_alloc&) {
        Raise(TV_ERR_PLATFORM, "Act: out of memory");
    }
    return true;
}

void Stop() { RaiseUnsupported("Stop"); }

// Frames shown per second over about the last second, as a share of 60. An unpaced headless
// run reports exactly 1 so that what the game prints from it is the same on every run.
double GetFPS() {
    RequireReady("GetFPS");
    if (!Paced() || gPacer.Recent.size() < 2) {
        return 1.0;
    }
    DefaultFpEnv fp;
    const double span = static_cast<double>(gPacer.Recent.back() - gPacer.Recent.front());
    const double fps = static_cast<double>(gPacer.Recent.size() - 1) * kSecondNs / span;
    // Whole frames per second: a counter on the screen reads "60" or "58", not "59.9723",
    // and a fraction that keeps changing would only flicker.
    return std::round(fps) / kFramesPerSecond;
}

// Shows the picture as drawn so far, in the middle of a frame: no pacing, no new frame.
void Flip() {
    RequireReady("Flip");
    DefaultFpEnv fp;
    if (DrawPictureSoFar()) {
        Present();
    }
}

}  // extern "C"
