// The game's 2-D vector: positions, velocities, sizes and offsets.
#pragma once

namespace keldo {

class Vec {
public:
    void Set(double x, double y);
    void Add(double dx, double dy);
    void SetX(double x);
    void SetY(double y);
    void AddX(double dx);
    void AddY(double dy);
    void Scale(double k);
    void Normalize();
    double GetX() const;
    double GetY() const;
    double Len() const;
    double LenSq() const;

private:
    double X = 0.0;
    double Y = 0.0;
};

Vec VecSub(const Vec& a, const Vec& b);
double VecCross(const Vec& a, const Vec& b);
Vec VecNormalized(const Vec& v);
double VecLen(const Vec& v);

}  // namespace keldo
