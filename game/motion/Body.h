// A position and a velocity, the velocity also kept as a direction angle and a speed.
// The two views are brought in step only on request (UpdateAngle/UpdateSpeed/UpdateVel).
#pragma once

#include "motion/Vec.h"

namespace keldo {

class Body {
public:
    virtual ~Body() = default;

    virtual void Init();
    void Set(double px, double py, double vx, double vy);
    void NormalizeVel();
    void SetPolar(double px, double py, double angle, double speed);
    void UpdateAngle();
    void UpdateSpeed();
    void UpdateVel();
    void SetPos(double x, double y);
    void SetVel(double x, double y);
    void SetAngle(double angle);
    void AddAngle(double delta);
    void SetSpeed(double speed);
    Vec& GetPos();
    Vec& GetVel();
    double GetX() const;
    double GetY() const;
    double GetVelX() const;
    double GetVelY() const;
    double GetAngle() const;
    double GetSpeed() const;

protected:
    Vec Pos;
    Vec Vel;
    double Angle = 0.0;
    double Speed = 0.0;
};

}  // namespace keldo
