// The view's position in the world (the point at the screen's top-left corner) with a
// short history of where it stood before.
#pragma once

#include <cstdint>
#include <vector>

#include "motion/Vec.h"

namespace keldo {

class Camera {
public:
    Camera() = default;
    Camera(const Camera&) = delete;
    Camera& operator=(const Camera&) = delete;

    void Init(int64_t n);
    void Set(double x, double y);
    double GetX() const;
    double GetY() const;
    double GetDX() const;
    double GetDY() const;

private:
    int64_t HistoryLen = 0;
    std::vector<Vec> History;  // newest first
    Vec Change;
};

}  // namespace keldo
