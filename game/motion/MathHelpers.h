// Thin forwards to the runtime library's math and random entries; they add nothing.
#pragma once

#include <cstdint>

namespace keldo {

double Sqrt(double x);
double Hypot(double x, double y);
double Cos(double angle);
double Sin(double angle);
double InvRot(double x, double y);
int64_t Rnd(int64_t min, int64_t max);
double RndF();

}  // namespace keldo
