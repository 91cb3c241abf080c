#include "motion/Vec.h"

#include "motion/MathHelpers.h"
#include "runtime/RuntimeTable.h"

namespace keldo {

namespace {
// A zero vector must stay zero rather than divide by zero; its own length (0) is then
// the factor.
double NormalizeFactor(double len) { return len > 0.0 ? 1.0 / len : len; }
}  // namespace

void Vec::Set(double x, double y) {
    X = x;
    Y = y;
}

void Vec::Add(double dx, double dy) {
    X += dx;
    Y += dy;
}

void Vec::SetX(double x) { X = x; }
void Vec::SetY(double y) { Y = y; }
void Vec::AddX(double dx) { X += dx; }
void Vec::AddY(double dy) { Y += dy; }

void Vec::Scale(double k) {
    X *= k;
    Y *= k;
}

void Vec::Normalize() {
    const double factor = NormalizeFactor(Len());
    SetX(GetX() * factor);
    SetY(GetY() * factor);
}

double Vec::GetX() const { return X; }
double Vec::GetY() const { return Y; }
double Vec::Len() const { return Sqrt(X * X + Y * Y); }
double Vec::LenSq() const { return X * X + Y * Y; }

Vec VecSub(const Vec& a, const Vec& b) {
    Vec out;
    out.Set(a.GetX() - b.GetX(), a.GetY() - b.GetY());
    return out;
}

double VecCross(const Vec& a, const Vec& b) { return a.GetX() * b.GetY() - a.GetY() * b.GetX(); }

Vec VecNormalized(const Vec& v) {
    const double factor = NormalizeFactor(v.Len());
    Vec out;
    out.Set(v.GetX() * factor, v.GetY() * factor);
    return out;
}

double VecLen(const Vec& v) { return Sqrt(Rt().Pow(v.GetX(), 2.0) + Rt().Pow(v.GetY(), 2.0)); }

}  // namespace keldo
