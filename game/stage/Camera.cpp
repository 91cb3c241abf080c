#include "stage/Camera.h"

#include <algorithm>

namespace keldo {

void Camera::Init(int64_t n) {
    HistoryLen = n + 1;
    History.assign(static_cast<size_t>(std::max<int64_t>(HistoryLen, 2)), Vec{});
    Change.Set(0.0, 0.0);
}

void Camera::Set(double x, double y) {
    std::shift_right(History.begin(), History.end(), 1);
    History[0].Set(x, y);
    // The change always stays (0, 0). The camera is set only in frames in which it moves,
    // and nothing tells it that a frame went by without a move, so any other change would
    // be handed to the stage's scroll again in every still frame and the trees would drift
    // while the view stands still. With no change the trees keep fixed places in the world
    // and scroll with the ground.
    Change.Set(0.0, 0.0);
}

double Camera::GetX() const { return History[0].GetX(); }

double Camera::GetY() const { return History[0].GetY(); }

double Camera::GetDX() const { return Change.GetX(); }

double Camera::GetDY() const { return Change.GetY(); }

}  // namespace keldo
