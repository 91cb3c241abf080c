// SDL's virtual game controller, for tests that drive the real library's pad code: a pad
// with the usual buttons and axes, plugged in until Unplug or destruction.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>

class VirtualPad {
public:
    VirtualPad() {
        SDL_VirtualJoystickDesc desc{};
        desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        desc.naxes = SDL_CONTROLLER_AXIS_MAX;
        desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
        desc.name = "test pad";
        const int index = SDL_JoystickAttachVirtualEx(&desc);
        EXPECT_GE(index, 0) << SDL_GetError();
        Joystick = SDL_JoystickOpen(index);
        EXPECT_NE(Joystick, nullptr) << SDL_GetError();
        Id = SDL_JoystickInstanceID(Joystick);
    }
    ~VirtualPad() { Unplug(); }
    VirtualPad(const VirtualPad&) = delete;
    VirtualPad& operator=(const VirtualPad&) = delete;

    void Button(SDL_GameControllerButton b, bool down) {
        SDL_JoystickSetVirtualButton(Joystick, b, down ? 1 : 0);
    }
    void Axis(SDL_GameControllerAxis a, Sint16 value) {
        SDL_JoystickSetVirtualAxis(Joystick, a, value);
    }
    void Unplug() {
        if (Joystick == nullptr) return;
        const int index = DeviceIndex();
        SDL_JoystickClose(Joystick);
        Joystick = nullptr;
        SDL_JoystickDetachVirtual(index);
    }

private:
    int DeviceIndex() const {
        for (int i = 0; i < SDL_NumJoysticks(); ++i) {
            if (SDL_JoystickGetDeviceInstanceID(i) == Id) return i;
        }
        return -1;
    }
    SDL_Joystick* Joystick = nullptr;
    SDL_JoystickID Id = -1;
};
