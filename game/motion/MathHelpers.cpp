#include "motion/MathHelpers.h"

#include "runtime/RuntimeTable.h"

namespace keldo {

double Sqrt(double x) { return Rt().Sqrt(x); }
double Hypot(double x, double y) { return Rt().Hypot(x, y); }
double Cos(double angle) { return Rt().Cos(angle); }
double Sin(double angle) { return Rt().Sin(angle); }
double InvRot(double x, double y) { return Rt().InvRot(x, y); }
int64_t Rnd(int64_t min, int64_t max) { return Rt().Rnd(min, max); }
double RndF() { return Rt().RndF(); }

}  // namespace keldo
