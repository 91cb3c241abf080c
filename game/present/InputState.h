// Per-frame button events derived from the library's held-frame counts of pad 0.
#pragma once

#include <array>
#include <cstdint>

namespace keldo {

struct ButtonFlags {
    std::array<bool, 10> Value{};
};

struct ButtonCounts {
    std::array<int64_t, 10> Value{};
};

class InputState {
public:
    void Init();
    void Update();
    static int64_t ReadPad(int64_t pad, int64_t button);

    bool PushedLeft() const { return Pushed.Value[2]; }
    bool PushedRight() const { return Pushed.Value[3]; }
    bool PushedUp() const { return Pushed.Value[0]; }
    bool PushedDown() const { return Pushed.Value[1]; }
    bool PushedButton0() const { return Pushed.Value[4]; }
    bool PushedButton1() const { return Pushed.Value[5]; }
    bool PushedButton2() const { return Pushed.Value[6]; }
    bool HeldUp() const { return Held.Value[0]; }
    bool HeldDown() const { return Held.Value[1]; }
    bool HeldLeft() const { return Held.Value[2]; }
    bool HeldRight() const { return Held.Value[3]; }
    bool HeldButton0() const { return Held.Value[4]; }
    bool HeldButton1() const { return Held.Value[5]; }
    bool HeldButton2() const { return Held.Value[6]; }
    bool HeldButton3() const { return Held.Value[7]; }
    bool HeldButton4() const { return Held.Value[8]; }
    bool HeldButton5() const { return Held.Value[9]; }
    bool ReleasedLeft() const { return Released.Value[2]; }
    bool ReleasedRight() const { return Released.Value[3]; }
    bool ReleasedUp() const { return Released.Value[0]; }
    bool ReleasedDown() const { return Released.Value[1]; }
    bool ReleasedButton0() const { return Released.Value[4]; }
    bool ReleasedButton1() const { return Released.Value[5]; }

private:
    ButtonFlags Released;
    ButtonFlags Held;
    ButtonFlags Pushed;
    ButtonCounts PrevCount;
};

}  // namespace keldo
