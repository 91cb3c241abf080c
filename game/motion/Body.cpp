#include "motion/Body.h"

#include "motion/MathHelpers.h"
#include "runtime/RuntimeTable.h"

namespace keldo {

void Body::Init() {
    Pos = Vec{};
    Vel = Vec{};
}

void Body::Set(double px, double py, double vx, double vy) {
    Pos.Set(px, py);
    Vel.Set(vx, vy);
    UpdateSpeed();
    UpdateAngle();
}

void Body::NormalizeVel() {
    // Vel is held by value, so a reference taken earlier from GetVel sees the normalized
    // values too: there is no separate old vector for it to keep.
    Vel = VecNormalized(Vel);
}

void Body::SetPolar(double px, double py, double angle, double speed) {
    Pos.Set(px, py);
    Vel.Set(Cos(angle) * speed, Sin(angle) * speed);
    SetAngle(angle);
    SetSpeed(speed);
}

void Body::UpdateAngle() { Angle = InvRot(GetVelX(), GetVelY()); }

void Body::UpdateSpeed() { Speed = Sqrt(Rt().Pow(GetVelX(), 2.0) + Rt().Pow(GetVelY(), 2.0)); }

void Body::UpdateVel() { Vel.Set(Cos(Angle) * Speed, Sin(Angle) * Speed); }

void Body::SetPos(double x, double y) { Pos.Set(x, y); }
void Body::SetVel(double x, double y) { Vel.Set(x, y); }
void Body::SetAngle(double angle) { Angle = angle; }
void Body::AddAngle(double delta) { Angle += delta; }
void Body::SetSpeed(double speed) { Speed = speed; }
Vec& Body::GetPos() { return Pos; }
Vec& Body::GetVel() { return Vel; }
double Body::GetX() const { return Pos.GetX(); }
double Body::GetY() const { return Pos.GetY(); }
double Body::GetVelX() const { return Vel.GetX(); }
double Body::GetVelY() const { return Vel.GetY(); }
double Body::GetAngle() const { return Angle; }
double Body::GetSpeed() const { return Speed; }

}  // namespace keldo
