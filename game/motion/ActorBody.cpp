#include "motion/ActorBody.h"

#include "motion/MathHelpers.h"
#include "runtime/RuntimeTable.h"

namespace keldo {

void ActorBody::Init() {
    Body::Init();
    Move = Vec{};
}

void ActorBody::SetMove(double x, double y) {
    Move.SetX(x);
    Move.SetY(y);
}

void ActorBody::AddMove(double dx, double dy) {
    Move.SetX(Move.GetX() + dx);
    Move.SetY(Move.GetY() + dy);
}

void ActorBody::UpdateMoveAngle() { MoveAngle = InvRot(GetMoveX(), GetMoveY()); }

double ActorBody::GetMoveLen() const { return Sqrt(GetMoveLenSq()); }

double ActorBody::GetMoveLenSq() const {
    return Rt().Pow(Move.GetX(), 2.0) + Rt().Pow(Move.GetY(), 2.0);
}

double ActorBody::GetMoveX() const { return Move.GetX(); }
double ActorBody::GetMoveY() const { return Move.GetY(); }
double ActorBody::GetMoveAngle() const { return MoveAngle; }

void ActorBody::Step() {
    Pos.SetX(Pos.GetX() + Move.GetX());
    Pos.SetY(Pos.GetY() + Move.GetY());
}

}  // namespace keldo
