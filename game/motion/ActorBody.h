// The body every moving thing has: Step adds the per-frame displacement Move to the
// position (explicit Euler, one frame per step).
#pragma once

#include "motion/Body.h"

namespace keldo {

class ActorBody : public Body {
public:
    void Init() override;
    void SetMove(double x, double y);
    void AddMove(double dx, double dy);
    void UpdateMoveAngle();
    double GetMoveLen() const;
    double GetMoveLenSq() const;
    double GetMoveX() const;
    double GetMoveY() const;
    double GetMoveAngle() const;
    void Step();

private:
    Vec Move;
    double MoveAngle = 0.0;
};

}  // namespace keldo
