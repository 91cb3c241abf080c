// A fixed set of short-lived particles (smoke puffs, hit sparks): each one has a kind,
// an age, an opacity and a moving body, and its slot is reused once its life is over.
// The pool only keeps and moves them; its owner reads the getters to draw them.
#pragma once

#include <cstdint>
#include <vector>

#include "motion/ActorBody.h"

namespace keldo {

class EffectPool {
public:
    EffectPool() = default;
    EffectPool(const EffectPool&) = delete;
    EffectPool& operator=(const EffectPool&) = delete;

    void Init(double spin, double fade, int64_t life, double size, double accelX, double accelY,
              int64_t capacity);
    double GetSize() const;
    int64_t GetCapacity() const;
    void Emit(int64_t kind, double x, double y);
    bool IsAlive(int64_t i) const;
    int64_t GetAge(int64_t i) const;
    int64_t GetKind(int64_t i) const;
    double GetX(int64_t i) const;
    double GetY(int64_t i) const;
    double GetAngle(int64_t i) const;
    double GetAlpha(int64_t i) const;
    void Update();

private:
    std::vector<bool> Alive;
    std::vector<int64_t> Age;
    std::vector<int64_t> Kind;
    std::vector<ActorBody> Bodies;
    std::vector<double> Alpha;
    double Spin = 0.0;
    double Fade = 0.0;
    double AccelX = 0.0;
    double AccelY = 0.0;
    int64_t Life = 0;
    double Size = 0.0;
    int64_t Capacity = 0;
};

}  // namespace keldo
