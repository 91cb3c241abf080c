// Maths that gives the same bits on every platform: the same source (musl_math/), compiled
// into the library everywhere, instead of each system's own library, whose last bits differ.
#pragma once

extern "C" {
double tolvex_sin(double x);
double tolvex_cos(double x);
double tolvex_atan(double x);
double tolvex_atan2(double y, double x);
double tolvex_hypot(double x, double y);
double tolvex_pow(double x, double y);
}
