#include "present/InputState.h"

#include "runtime/RuntimeTable.h"

namespace keldo {

namespace {
// Pad button of each tracked slot: up, down, left, right, Space, then 1 to 5.
constexpr std::array<int64_t, 10> kSlotButton = {14, 15, 12, 13, 0, 1, 2, 3, 4, 5};
}  // namespace

void InputState::Init() {
    Released = ButtonFlags{};
    Held = ButtonFlags{};
    Pushed = ButtonFlags{};
    PrevCount = ButtonCounts{};
}

int64_t InputState::ReadPad(int64_t pad, int64_t button) { return Rt().Pad(pad, button); }

void InputState::Update() {
    for (size_t j = 0; j < kSlotButton.size(); ++j) {
        const int64_t c = ReadPad(0, kSlotButton[j]);
        Held.Value[j] = c > 0;
        Pushed.Value[j] = c == 1;
        Released.Value[j] = c < PrevCount.Value[j];
        PrevCount.Value[j] = c;
    }
}

}  // namespace keldo
