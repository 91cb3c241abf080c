#include "player/EffectPool.h"

#include <cstddef>

namespace keldo {

void EffectPool::Init(double spin, double fade, int64_t life, double size, double accelX,
                      double accelY, int64_t capacity) {
    Spin = spin;
    Fade = fade;
    Life = life;
    Size = size;
    AccelX = accelX;
    AccelY = accelY;
    Capacity = capacity;

    const auto n = static_cast<size_t>(capacity > 0 ? capacity : 0);
    Alive.assign(n, false);
    Age.assign(n, 0);
    Kind.assign(n, 0);
    Alpha.assign(n, 1.0);
    Bodies.clear();
    Bodies.resize(n);
    for (ActorBody& body : Bodies) {
        body.Init();
    }
}

double EffectPool::GetSize() const { return Size; }

int64_t EffectPool::GetCapacity() const { return Capacity; }

void EffectPool::Emit(int64_t kind, double x, double y) {
    for (size_t i = 0; i < Alive.size(); ++i) {
        if (Alive[i]) {
            continue;
        }
        Alive[i] = true;
        Age[i] = 0;
        Kind[i] = kind;
        // A reused slot keeps the angle and drift its last particle ended with.
        Bodies[i].SetPos(x, y);
        Alpha[i] = 1.0;
        return;
    }
}

bool EffectPool::IsAlive(int64_t i) const { return Alive[static_cast<size_t>(i)]; }

int64_t EffectPool::GetAge(int64_t i) const { return Age[static_cast<size_t>(i)]; }

int64_t EffectPool::GetKind(int64_t i) const { return Kind[static_cast<size_t>(i)]; }

double EffectPool::GetX(int64_t i) const { return Bodies[static_cast<size_t>(i)].GetX(); }

double EffectPool::GetY(int64_t i) const { return Bodies[static_cast<size_t>(i)].GetY(); }

double EffectPool::GetAngle(int64_t i) const { return Bodies[static_cast<size_t>(i)].GetAngle(); }

double EffectPool::GetAlpha(int64_t i) const { return Alpha[static_cast<size_t>(i)]; }

void EffectPool::Update() {
    for (size_t i = 0; i < Alive.size(); ++i) {
        if (!Alive[i]) {
            continue;
        }
        // The particle is shown at Age 0 to Life + 1 and freed one frame later, so that
        // a spark animation of Life frames is seen to its last pose.
        if (Life < Age[i]) {
            Alive[i] = false;
            continue;
        }
        Age[i] += 1;
        Bodies[i].AddAngle(Spin);
        Alpha[i] -= Fade;
        Bodies[i].AddMove(AccelX, AccelY);
        Bodies[i].Step();
    }
}

}  // namespace keldo
