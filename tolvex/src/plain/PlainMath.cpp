// Real math. It runs in the caller's floating-point mode on purpose: the game's numbers must
// come out of the game's own mode. Comparisons here are the quiet kind (std::isless and
// friends), because the caller runs with the invalid-operation trap on and an ordinary `<` on
// a NaN would trap on our account rather than the caller's. The functions whose last bits differ
// between systems' maths libraries come from our own copy, the same on every platform; the
// others (square root, remainder, floor, ceiling) are exact everywhere.
#include <cmath>
#include <limits>

#include "Tolvex.h"
#include "core/Errors.h"
#include "plain/PortableMath.h"

namespace {

double* Checked(double* cell, const char* entry) {
    if (cell == nullptr) {
        tolvex::Raise(TV_ERR_ARG, "%s: the argument is null", entry);
    }
    return cell;
}

}  // namespace

using namespace tolvex;

double Cos(double x) { return tolvex_cos(x); }
double Sin(double x) { return tolvex_sin(x); }
double Tan(double x) { return std::tan(x); }
double ACos(double x) { return std::acos(x); }
double ASin(double x) { return std::asin(x); }
double ATan(double x) { return tolvex_atan(x); }
double Sqrt(double x) { return std::sqrt(x); }
double Exp(double x) { return std::exp(x); }

// Log of x in the given base. Base 1 (and the like) has no answer; it gives NaN or an infinity
// rather than a 0/0 or inf/inf of our own making.
double Log(double base, double x) {
    const double num = std::log(x);
    const double den = std::log(base);
    if ((num == 0.0 && den == 0.0) || (std::isinf(num) && std::isinf(den))) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    return num / den;
}

double Pow(double x, double y) { return tolvex_pow(x, y); }

// Integer power, wrapping on overflow like the rest of the game's integer arithmetic. A negative
// exponent truncates 1 / x^-y toward zero: 1 and -1 keep a magnitude of 1, everything else
// gives 0, and 0 has no such power at all.
int64_t PowI(int64_t x, int64_t y) {
    if (y < 0) {
        if (x == 0) {
            Raise(TV_ERR_ARG, "PowI: 0 to the negative power %lld", static_cast<long long>(y));
        }
        if (x == 1) {
            return 1;
        }
        if (x == -1) {
            return (y & 1) != 0 ? -1 : 1;
        }
        return 0;
    }
    uint64_t base = static_cast<uint64_t>(x);
    uint64_t result = 1;
    for (uint64_t e = static_cast<uint64_t>(y); e != 0; e >>= 1) {
        if ((e & 1) != 0) {
            result *= base;
        }
        base *= base;
    }
    return static_cast<int64_t>(result);
}

// The remainder takes the sign of the dividend, like the game's integer remainder.
double Mod(double x, double y) { return std::fmod(x, y); }

double Floor(double x) { return std::floor(x); }
double Ceil(double x) { return std::ceil(x); }

// Turns the point about the origin; positive angles turn x toward y.
void Rot(double* x, double* y, double angle) {
    double& px = *Checked(x, "Rot");
    double& py = *Checked(y, "Rot");
    const double c = tolvex_cos(angle);
    const double s = tolvex_sin(angle);
    const double nx = px * c - py * s;
    const double ny = px * s + py * c;
    px = nx;
    py = ny;
}

// The direction of (x, y): Rot's angle, so InvRot(Cos(a), Sin(a)) gives a back.
double InvRot(double x, double y) { return tolvex_atan2(y, x); }

double Hypot(double x, double y) { return tolvex_hypot(x, y); }

// Steps x toward the target by at most |speed|; true once it stands on the target.
bool Chase(double* x, double target, double speed) {
    double& value = *Checked(x, "Chase");
    const double step = std::fabs(speed);
    const double gap = target - value;
    if (!std::isgreater(std::fabs(gap), step)) {
        value = target;
        return true;
    }
    value += std::signbit(gap) ? -step : step;
    return false;
}
