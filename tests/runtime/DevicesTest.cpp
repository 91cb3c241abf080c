// Game controllers and sound devices that come and go while the library runs a real
// window with no input script: SDL's virtual controllers stand in for plugged-in pads.
#include <SDL.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "RuntimeLib.h"
#include "support/VirtualPad.h"

namespace rt {
namespace {

namespace fs = std::filesystem;

constexpr int64_t kStart = 0;  // the A button; the game starts and hops on it
constexpr int64_t kLeft = 12;
constexpr int64_t kRight = 13;
constexpr int64_t kUp = 14;
constexpr int64_t kDown = 15;
constexpr Sint16 kStickFar = 20000;
constexpr Sint16 kStickNear = 8000;  // a resting stick drifts this much

bool HaveDisplay() { return std::getenv("DISPLAY") != nullptr; }

int64_t After(int frames, int64_t button) {
    for (int i = 0; i < frames; ++i) {
        const TvError e = Caught([] { Lib().Act(); });
        EXPECT_EQ(e.Code, 0u) << e.Message;
    }
    return Lib().Pad(0, button);
}

// In a real window on X (ctest runs these under Xvfb too), or in SDL's off-screen video
// driver when it is asked for by name (ctest's runtime.DevicesOffscreen, which the
// sanitizer run includes).
class Devices : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveDisplay() && std::getenv("SDL_VIDEODRIVER") == nullptr) {
            GTEST_SKIP() << "no display";
        }
    }
};

TEST_F(Devices, PadButtonsDpadAndStickReadAsPadZero) {
    Env env{};
    Session session;
    VirtualPad pad;
    EXPECT_EQ(After(2, kStart), 0);
    pad.Button(SDL_CONTROLLER_BUTTON_A, true);
    EXPECT_EQ(After(1, kStart), 1);
    EXPECT_EQ(After(2, kStart), 3);
    pad.Button(SDL_CONTROLLER_BUTTON_A, false);
    EXPECT_EQ(After(1, kStart), 0);

    struct Case {
        const char* What;
        SDL_GameControllerButton Button;  // or the stick when INVALID
        SDL_GameControllerAxis Axis;
        Sint16 Value;
        int64_t Moves;  // the pad button that reads down, or -1 for none
    };
    const Case cases[] = {
        {"d-pad right", SDL_CONTROLLER_BUTTON_DPAD_RIGHT, SDL_CONTROLLER_AXIS_INVALID, 0, kRight},
        {"d-pad up", SDL_CONTROLLER_BUTTON_DPAD_UP, SDL_CONTROLLER_AXIS_INVALID, 0, kUp},
        {"stick left", SDL_CONTROLLER_BUTTON_INVALID, SDL_CONTROLLER_AXIS_LEFTX, -kStickFar, kLeft},
        {"stick down", SDL_CONTROLLER_BUTTON_INVALID, SDL_CONTROLLER_AXIS_LEFTY, kStickFar, kDown},
        {"stick a little right", SDL_CONTROLLER_BUTTON_INVALID, SDL_CONTROLLER_AXIS_LEFTX,
         kStickNear, -1},
        {"stick a little up", SDL_CONTROLLER_BUTTON_INVALID, SDL_CONTROLLER_AXIS_LEFTY, -kStickNear,
         -1},
    };
    for (const Case& c : cases) {
        if (c.Button != SDL_CONTROLLER_BUTTON_INVALID) pad.Button(c.Button, true);
        if (c.Axis != SDL_CONTROLLER_AXIS_INVALID) pad.Axis(c.Axis, c.Value);
        Lib().Act();
        for (int64_t b : {kLeft, kRight, kUp, kDown}) {
            EXPECT_EQ(Lib().Pad(0, b), b == c.Moves ? 1 : 0) << c.What << ", button " << b;
        }
        if (c.Button != SDL_CONTROLLER_BUTTON_INVALID) pad.Button(c.Button, false);
        if (c.Axis != SDL_CONTROLLER_AXIS_INVALID) pad.Axis(c.Axis, 0);
        EXPECT_EQ(After(1, c.Moves < 0 ? kRight : c.Moves), 0) << c.What << " let go";
    }
}

TEST_F(Devices, APadPulledOutLetsGoAndTheKeyboardAndALaterPadStillWork) {
    Env env{};
    Session session;
    {
        VirtualPad first;
        first.Button(SDL_CONTROLLER_BUTTON_DPAD_RIGHT, true);
        EXPECT_EQ(After(3, kRight), 3);
        first.Unplug();
        EXPECT_EQ(After(1, kRight), 0) << "held when the pad went";
        EXPECT_EQ(After(5, kRight), 0);
    }
    {
        // Pressed and pulled out between two frames: the press goes with the pad.
        VirtualPad quick;
        After(1, kStart);
        quick.Button(SDL_CONTROLLER_BUTTON_X, true);
        SDL_PumpEvents();
        quick.Unplug();
        EXPECT_EQ(After(1, 2), 0);
    }
    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    key.key.keysym.scancode = SDL_SCANCODE_RIGHT;
    SDL_PushEvent(&key);
    EXPECT_EQ(After(1, kRight), 1) << "the keyboard after the pad";

    VirtualPad later;
    later.Button(SDL_CONTROLLER_BUTTON_DPAD_LEFT, true);
    EXPECT_EQ(After(2, kLeft), 2) << "a pad plugged in later";
}

TEST_F(Devices, WithTwoPadsTheFirstPluggedInIsPadZeroUntilItGoes) {
    Env env{};
    Session session;
    VirtualPad first;
    After(1, kStart);
    VirtualPad second;
    second.Button(SDL_CONTROLLER_BUTTON_A, true);
    EXPECT_EQ(After(2, kStart), 0) << "the second pad is not pad 0";
    first.Button(SDL_CONTROLLER_BUTTON_A, true);
    EXPECT_EQ(After(1, kStart), 1);
    first.Unplug();
    // The second one takes over; it holds A too, so A stays down.
    EXPECT_EQ(After(2, kStart), 3);
    second.Button(SDL_CONTROLLER_BUTTON_A, false);
    EXPECT_EQ(After(1, kStart), 0);
}

// SDL announces a lost output device with an event; the mixer moves to another one (here,
// with no sound hardware, the silent driver) and later effects still play.
TEST_F(Devices, ALostSoundDeviceIsReplacedAndTheRunGoesOn) {
    const fs::path out = Scratch("devices") / "out.wav";
    Env env{{"TOLVEX_AUDIO_OUT", out.string()}};
    {
        Session session;
        Library& L = Lib();
        // A whole second: a window's frames that lag behind the device lose what the
        // device mixed meanwhile, and a slow machine must not lose all of it.
        WriteTone("beep.wav", 8000, 44100);
        TvSnd* tone = LoadSnd("beep.wav");
        L.Act();
        SDL_AudioDeviceID playing = 0;
        for (SDL_AudioDeviceID id = 1; id < 64 && playing == 0; ++id) {
            if (SDL_GetAudioDeviceStatus(id) == SDL_AUDIO_PLAYING) playing = id;
        }
        ASSERT_NE(playing, 0u);
        SDL_Event lost{};
        lost.type = SDL_AUDIODEVICEREMOVED;
        lost.adevice.which = playing;
        SDL_PushEvent(&lost);
        L.Act();
        L.PlaySnd(tone, 0, false, 0);
        for (int i = 0; i < 30; ++i) L.Act();
        L.FreeMem(tone);
    }
    const std::string wav = ReadText(out);
    ASSERT_GT(wav.size(), 44u);
    EXPECT_NE(wav.find_first_not_of('\0', 44), std::string::npos) << "nothing was heard";
}

}  // namespace
}  // namespace rt
