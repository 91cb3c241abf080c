// The picture the game draws into and the services around it: pictures and drawing
// (Picture.cpp), sound (Sound.cpp) and the pad (Pad.cpp), opened and closed by Init and
// Free in Window.cpp.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tolvex {

constexpr int kScreenW = 1600;
constexpr int kScreenH = 900;

struct Screen {
    SDL_Window* Window = nullptr;
    // Null when nothing is rasterised (TOLVEX_HEADLESS=null).
    SDL_Renderer* Renderer = nullptr;
    // In a window the game draws into this 1600 x 900 texture, which each frame is
    // copied to the window (letterboxed); screenshots read it back at that size.
    SDL_Texture* Target = nullptr;
    // Headless, the software renderer draws straight into this 1600 x 900 surface.
    SDL_Surface* Canvas = nullptr;
    // The byte order of the picture, Target's or Canvas's.
    Uint32 Format = SDL_PIXELFORMAT_UNKNOWN;
};

Screen& CurrentScreen();

struct SurfaceDeleter {
    void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};
using SurfacePtr = std::unique_ptr<SDL_Surface, SurfaceDeleter>;

// Limits far beyond any picture of ours (the largest is 1024 x 1024): a picture file, its
// side and its pixels (4 bytes each once decoded).
constexpr uint64_t kMaxPictureBytes = uint64_t{64} << 20;
constexpr unsigned kMaxPictureSide = 16384;
constexpr uint64_t kMaxPicturePixels = uint64_t{4096} * 4096;

// Decodes PNG or WebP bytes (WebP where the build reads it); an empty, unknown or broken one
// raises TV_ERR_FILE naming `name` and `path` (for messages only) and the cause.
SurfacePtr DecodePicture(const unsigned char* bytes, size_t size, const std::string& name,
                         const std::string& path, const char* entry);

// A picture as PNG bytes; TV_ERR_PLATFORM when it cannot be encoded.
std::vector<unsigned char> EncodePicture(SDL_Surface& rgb24);
// The same, false with `why` filled instead of raising.
bool EncodePicture(SDL_Surface& rgb24, std::vector<unsigned char>& bytes, std::string& why);

// Reads and decodes a picture from the Data folder; TV_ERR_FILE names it and the cause.
SurfacePtr LoadPictureFile(const std::string& name, const char* entry);

// The window icon that the start-up record names (a picture in the Data folder), or null for
// none. Read even without a window, so that a bad file fails the same way headless.
SurfacePtr LoadIconPicture(uint64_t icon);

// Decoding the Data folder's pictures ahead, on a worker thread (PicturePrefetch.cpp).
void StartPicturePrefetch();
void StopPicturePrefetch();
// A decoded picture for LoadTex: the one decoded ahead when there is one, else decoded now.
SurfacePtr TakePicture(const std::string& name, const char* entry);

// The name of a picture decoded ahead that nobody has taken yet, or "" when there is none.
std::string NextDecodedPicture();

// Pictures: the texture cache and the drawing state.
void OpenPictures();
void ClosePictures();
// Begins the next frame: its drawing is recorded from here on, starting on black with the
// game's viewport. A skipped frame records nothing: its picture is neither drawn nor shown.
void StartPicture(bool skip);
bool PictureSkipped();
// Draws the frame's recorded calls onto the picture. False when they are exactly those of the
// frame before, whose picture is still there, or when the frame is skipped: nothing was drawn
// and nothing needs showing.
bool FinishPicture();
// Draws what the frame has recorded so far (to show a frame before it is finished); false in a
// skipped frame, which draws nothing.
bool DrawPictureSoFar();
// The picture's content was lost (a reset renderer): the next frame is drawn in full.
void ForgetPicture();

// Spare work between frames: makes one picture that was decoded ahead (or one sound of the
// Data folder) ready in the cache, so that the game's later load finds it done. False when
// there was nothing left to do.
bool WarmUpOnePicture();
bool WarmUpOneSound();

// Sound: a real device when `device`, SDL's silent one otherwise.
void OpenSound(bool device);
void CloseSound();
// Every event the frame loop reads: a lost output device is replaced by the default one,
// or by silence.
void SoundEvent(const SDL_Event& event);
// Each frame: a device that waited for the player opens once the player has acted.
void OpenHeldSoundDevice();

// TOLVEX_AUDIO_OUT (SoundCapture.cpp). `frameDriven`: the mixer runs on the silent driver
// and mixes only when a frame ends, so it must be opened with kCaptureChunkFrames: the
// silent driver rounds buffers up to a power of two and sleeps for each one, whole
// milliseconds rounded down, so this is the largest one that does not sleep. A frame then
// ends up to 31 sample frames into a buffer, and the next frame's sounds start that late.
constexpr int kCaptureChunkFrames = 32;
bool CaptureOn();
void OpenCapture(const std::string& path, bool frameDriven);
void CloseCapture();
// Around every opening and closing of the mixer's device.
void TapMixer(SDL_AudioDeviceID device);
void UntapMixer();
// At the end of every frame: that frame's sound, mixed, into the file.
void CaptureFrame();
// Holds every sound that is playing where it is, or lets them all go on.
void PauseSound(bool pause);

// Pad and mouse: devices are read only when `readDevices`.
void OpenPads(bool readDevices);
void ClosePads();
void PadEvent(const SDL_Event& event);
// Once per Act: the counts of the frame that begins.
void AdvancePads();
// The pad-0 buttons down in this frame, bit b for button b.
uint32_t PadsDown();
// Presses seen since the last Act are forgotten (a key pressed and let go while the game was
// paused never happened for it).
void ClearPadLatches();
// The keys that drive `button`: the first is the one SetPadKey gives it, the others come from
// the player's key file or the pause menu.
void SetPadKeys(size_t button, const std::vector<int>& keys);
std::vector<int> PadKeys(size_t button);
// The controller button (or axis direction) that drives `button`; an invalid one is ignored.
int PadSource(size_t button);
void SetPadSource(size_t button, int source);

// The window: close, Escape and fullscreen, handled alike whether the game runs or is paused.
// True when `event` was one of them.
bool WindowEvent(const SDL_Event& event);
bool CloseRequested();
// The next Act ends the run as a closed window does (the pause menu's Quit).
void AskToClose();
// The window's fullscreen, or the host's own where it has one (the page's).
bool IsFullscreen();
void ToggleFullscreen();
// Presents the game's picture as it stands, letterboxed in the window, and what `over` draws
// on top of it (in the game's 1600 x 900 coordinates); null: nothing.
void PresentWith(void (*over)(SDL_Renderer*));
// The game's 1600 x 900 picture as it stands, read back as RGB; null when it cannot be.
SurfacePtr ReadBackPicture();

// A player at the window (not a scripted or headless run) has what follows: their own keys
// (KeyConfig.cpp), pause (Pause.cpp) and the screenshot key (ScreenshotKey.cpp).
bool PlayerAtWindow();
// Reads the player's key file, if there is one, into the pad's key table and the library's
// own keys.
void LoadKeyConfig();
bool IsPauseKey(int scancode);
bool IsScreenshotKey(int scancode);
// The actions the pause menu lists, each with its keys and controller button by name.
struct ControlView {
    std::string Action;
    std::string Keys;
    std::string Button;  // "" for none
};
size_t ControlCount();
ControlView ViewControl(size_t index);
// Binds a key (a scancode) or a controller button to the action `index` alone, and writes it
// into the player's file: a key or button that another action had is swapped, never shared,
// and the menu's own keys are refused. What happened, in a few words for the menu.
std::string BindKey(size_t index, int scancode);
std::string BindButton(size_t index, int button);
std::string ResetControls();

// The player's sound settings from the pause menu (PlayerSettings.cpp), kept between runs
// beside the key file. Loading warns about a damaged file; saving warns once a run.
constexpr int kVolumePercentMax = 100;
constexpr int kVolumeStepPercent = 10;
struct PlayerSettings {
    int VolumePercent = kVolumePercentMax;
    bool Muted = false;
};
PlayerSettings LoadPlayerSettings();
void SavePlayerSettings(const PlayerSettings& settings);
// The player's level (0 to 1) over the game's own, and the mute (Sound.cpp).
void SetPlayerSound(double volume, bool muted);
// An event that asks for a pause: the pause key, Escape, a controller's Start, the window
// losing focus or being minimised.
void NotePauseEvent(const SDL_Event& event);
void RequestPause();
bool PauseRequested();
// Keeps the window alive, dimmed under "PAUSED" and the pause menu, until the player resumes
// or quits.
void HoldWhilePaused();
// The player's sound settings, read and applied at the start; M (or the host's mute button)
// mutes and unmutes at any time, and the change is kept.
void LoadPlayerChoices();
void ToggleMute();
bool IsMuteKey(int scancode);
void ClosePause();
// Saves the game's picture in the player's pictures folder and prints its path, on a writer
// thread of its own. CloseScreenshots waits a little for the pictures still being written.
void SaveScreenshotForPlayer();
void CloseScreenshots();

}  // namespace tolvex
