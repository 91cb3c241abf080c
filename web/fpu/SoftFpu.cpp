// Rounding toward zero on hardware that only rounds to nearest. Each operation takes the
// rounded-to-nearest result r and the exact error of it (TwoSum for a sum, a Dekker product for
// a product, the exact remainder for a quotient or a square root); when r lies farther from
// zero than the exact value, the next number toward zero is the answer. This file itself must
// run with plain round-to-nearest arithmetic and no contraction into fused operations: the
// rewrite leaves it alone, and it is built with -ffp-contract=off.
#include "SoftFpu.h"

#include <cmath>
#include <cstring>
#include <type_traits>

#ifdef __EMSCRIPTEN__
#include <emscripten/em_macros.h>
#define KELDO_FPU_ENTRY extern "C" EMSCRIPTEN_KEEPALIVE
#else
#define KELDO_FPU_ENTRY extern "C"
#endif

// Where an invalid operation is reported from: only looked up when the trap is taken, since on
// the web finding a return address means reading the stack. The operations call Invalid(), which
// is not inlined, so one frame up is the operation's caller there (natively, where frames
// need not be kept, the operation itself).
#ifdef __EMSCRIPTEN__
#define KELDO_FPU_CALLER_FRAME 1
#else
#define KELDO_FPU_CALLER_FRAME 0
#endif
#define KELDO_FPU_CALLER \
    uintptr_t { 0 }

namespace {

unsigned gCsr = KELDO_FPU_DEFAULT;

template <typename T>
struct Format;

template <>
struct Format<double> {
    using Bits = uint64_t;
    static constexpr int kDigits = 53;
    static constexpr int kBias = 1023;
    // Operands within 2^-450 .. 2^450 give products whose every partial product in the
    // Dekker split is exact: nothing overflows and nothing falls below the smallest step.
    static constexpr int kSafeExponent = 450;
    static constexpr double kSplit = 134217729.0;  // 2^27 + 1
};

template <>
struct Format<float> {
    using Bits = uint32_t;
    static constexpr int kDigits = 24;
    static constexpr int kBias = 127;
    static constexpr int kSafeExponent = 50;
    static constexpr float kSplit = 4097.0f;  // 2^12 + 1
};

template <typename To, typename From>
To BitCast(From from) {
    return __builtin_bit_cast(To, from);
}

bool TowardZero() { return (gCsr & KELDO_FPU_ROUNDING) == KELDO_FPU_TOWARD_ZERO; }

__attribute__((noinline)) void Invalid(uintptr_t) {
    gCsr |= KELDO_FPU_INVALID_FLAG;
    if ((gCsr & KELDO_FPU_INVALID_MASK) == 0) {
        keldo_fpu_trap(
            reinterpret_cast<uintptr_t>(__builtin_return_address(KELDO_FPU_CALLER_FRAME)));
    }
}

template <typename T>
bool IsNan(T x) {
    return x != x;
}

template <typename T>
bool IsInf(T x) {
    return x == static_cast<T>(INFINITY) || x == -static_cast<T>(INFINITY);
}

// The next number toward zero from a nonzero r (the largest finite one from an infinity): the
// encoding is sign and magnitude, so one less in the bits is one step less in the magnitude.
template <typename T>
T StepTowardZero(T r) {
    return BitCast<T>(BitCast<typename Format<T>::Bits>(r) - 1);
}

// Whether a normal x lies where its products need no scaling.
template <typename T>
bool Safe(T x) {
    using F = Format<T>;
    const int biased = static_cast<int>((BitCast<typename F::Bits>(x) >> (F::kDigits - 1)) &
                                        ((1u << (sizeof(T) * 8 - F::kDigits)) - 1));
    const int exponent = biased - F::kBias;
    return exponent >= -F::kSafeExponent && exponent <= F::kSafeExponent;
}

// The exact error of p = a * b (Dekker): a * b == p + error.
template <typename T>
T ProductError(T a, T b, T p) {
    const T ca = Format<T>::kSplit * a;
    const T aHigh = ca - (ca - a);
    const T aLow = a - aHigh;
    const T cb = Format<T>::kSplit * b;
    const T bHigh = cb - (cb - b);
    const T bLow = b - bHigh;
    return ((aHigh * bHigh - p) + aHigh * bLow + aLow * bHigh) + aLow * bLow;
}

// With the rounded result's excess over the exact value equal to high - low, exactly, and
// `side` a number of the exact value's sign: whether the rounded result went past it, away
// from zero.
template <typename T>
bool Beyond(T side, T high, T low) {
    return side > 0 ? high > low : high < low;
}

// A NaN out of numbers is an invalid operation; one that came in goes on.
template <typename T>
T NanResult(T r, bool fromNan, uintptr_t where) {
    if (!fromNan) {
        Invalid(where);
    }
    return r;
}

template <typename T>
T Add(T a, T b, uintptr_t where) {
    const T r = a + b;
    if (!TowardZero()) {
        return r;
    }
    if (IsNan(r)) {
        return NanResult(r, IsNan(a) || IsNan(b), where);
    }
    if (IsInf(r)) {
        return IsInf(a) || IsInf(b) ? r : StepTowardZero(r);  // overflow
    }
    const T bPart = r - a;
    const T error = (a - (r - bPart)) + (b - bPart);
    return Beyond(r, T(0), error) ? StepTowardZero(r) : r;
}

template <typename T>
T Mul(T a, T b, uintptr_t where) {
    const T r = a * b;
    if (!TowardZero()) {
        return r;
    }
    if (IsNan(r)) {
        return NanResult(r, IsNan(a) || IsNan(b), where);
    }
    if (IsInf(r)) {
        return IsInf(a) || IsInf(b) ? r : StepTowardZero(r);
    }
    if (r == 0) {
        return r;  // exact, or below the smallest step: toward zero as well
    }
    if (Safe(a) && Safe(b)) {
        return Beyond(r, T(0), ProductError(a, b, r)) ? StepTowardZero(r) : r;
    }
    // Far out: compare with the product of the scaled operands, in [1/4, 1), where r scaled
    // the same way is exact, subnormal or not.
    int ea = 0;
    int eb = 0;
    const T ma = std::frexp(a, &ea);
    const T mb = std::frexp(b, &eb);
    const T scaled = std::ldexp(r, -(ea + eb));
    const T high = ma * mb;
    return Beyond(r, scaled - high, ProductError(ma, mb, high)) ? StepTowardZero(r) : r;
}

template <typename T>
T Div(T a, T b, uintptr_t where) {
    const T r = a / b;
    if (!TowardZero()) {
        return r;
    }
    if (IsNan(r)) {
        return NanResult(r, IsNan(a) || IsNan(b), where);
    }
    if (IsInf(r)) {
        return IsInf(a) || b == 0 ? r : StepTowardZero(r);
    }
    if (r == 0) {
        return r;
    }
    // r went past a / b exactly when r * b went past a: r * b - a == low - (a - high), and
    // a - high is exact, the two being that close.
    if (Safe(a) && Safe(b) && Safe(r)) {
        const T high = r * b;
        return Beyond(a, ProductError(r, b, high), a - high) ? StepTowardZero(r) : r;
    }
    int ea = 0;
    int eb = 0;
    const T ma = std::frexp(a, &ea);
    const T mb = std::frexp(b, &eb);
    const T scaled = std::ldexp(r, eb - ea);
    const T high = scaled * mb;
    return Beyond(ma, ProductError(scaled, mb, high), ma - high) ? StepTowardZero(r) : r;
}

template <typename T>
T Sqrt(T a, uintptr_t where) {
    const T r = std::sqrt(a);
    if (!TowardZero()) {
        return r;
    }
    if (IsNan(r)) {
        return NanResult(r, IsNan(a), where);
    }
    if (a == 0 || IsInf(a)) {
        return r;
    }
    // r went past the root exactly when r * r went past a.
    if (Safe(a)) {
        const T high = r * r;
        return Beyond(a, ProductError(r, r, high), a - high) ? StepTowardZero(r) : r;
    }
    int e = 0;
    T m = std::frexp(a, &e);
    if ((e & 1) != 0) {
        m *= 2;
        --e;
    }
    const T scaled = std::ldexp(r, -e / 2);
    const T high = scaled * scaled;
    return Beyond(m, ProductError(scaled, scaled, high), m - high) ? StepTowardZero(r) : r;
}

// An integer cut to the format's digits converts exactly: that is the conversion toward zero.
template <typename T, typename U>
T FromMagnitude(U magnitude) {
    const int width = magnitude == 0 ? 0 : 64 - __builtin_clzll(magnitude);
    if (width > Format<T>::kDigits) {
        const int drop = width - Format<T>::kDigits;
        magnitude = static_cast<U>((magnitude >> drop) << drop);
    }
    return static_cast<T>(magnitude);
}

template <typename T, typename U>
T FromUnsigned(U a) {
    return TowardZero() ? FromMagnitude<T>(a) : static_cast<T>(a);
}

template <typename T, typename S>
T FromSigned(S a) {
    if (!TowardZero()) {
        return static_cast<T>(a);
    }
    using U = std::make_unsigned_t<S>;
    const U magnitude = a < 0 ? static_cast<U>(U{0} - static_cast<U>(a)) : static_cast<U>(a);
    const T converted = FromMagnitude<T>(magnitude);
    return a < 0 ? -converted : converted;
}

// Whether an ordinary comparison may go on: with a NaN it is an invalid operation.
bool Ordered(double a, double b, uintptr_t where) {
    if (IsNan(a) || IsNan(b)) {
        Invalid(where);
        return false;
    }
    return true;
}

}  // namespace

KELDO_FPU_ENTRY unsigned keldo_fpu_getcsr(void) { return gCsr; }
KELDO_FPU_ENTRY void keldo_fpu_setcsr(unsigned csr) { gCsr = csr; }

KELDO_FPU_ENTRY double keldo_fpu_add(double a, double b) { return Add(a, b, KELDO_FPU_CALLER); }
KELDO_FPU_ENTRY double keldo_fpu_sub(double a, double b) { return Add(a, -b, KELDO_FPU_CALLER); }
KELDO_FPU_ENTRY double keldo_fpu_mul(double a, double b) { return Mul(a, b, KELDO_FPU_CALLER); }
KELDO_FPU_ENTRY double keldo_fpu_div(double a, double b) { return Div(a, b, KELDO_FPU_CALLER); }
KELDO_FPU_ENTRY double keldo_fpu_sqrt(double a) { return Sqrt(a, KELDO_FPU_CALLER); }
KELDO_FPU_ENTRY double keldo_fpu_from_i64(double bits) {
    return FromSigned<double>(BitCast<int64_t>(bits));
}
KELDO_FPU_ENTRY double keldo_fpu_from_u64(double bits) {
    return FromUnsigned<double>(BitCast<uint64_t>(bits));
}

KELDO_FPU_ENTRY float keldo_fpu_to_f32(double a) {
    const auto r = static_cast<float>(a);
    if (!TowardZero() || IsNan(r)) {
        return r;
    }
    if (IsInf(r)) {
        return IsInf(a) ? r : StepTowardZero(r);
    }
    return std::fabs(static_cast<double>(r)) > std::fabs(a) ? StepTowardZero(r) : r;
}

KELDO_FPU_ENTRY float keldo_fpu_addf(float a, float b) { return Add(a, b, KELDO_FPU_CALLER); }
KELDO_FPU_ENTRY float keldo_fpu_subf(float a, float b) { return Add(a, -b, KELDO_FPU_CALLER); }
KELDO_FPU_ENTRY float keldo_fpu_mulf(float a, float b) { return Mul(a, b, KELDO_FPU_CALLER); }
KELDO_FPU_ENTRY float keldo_fpu_divf(float a, float b) { return Div(a, b, KELDO_FPU_CALLER); }
KELDO_FPU_ENTRY float keldo_fpu_sqrtf(float a) { return Sqrt(a, KELDO_FPU_CALLER); }
KELDO_FPU_ENTRY float keldo_fpu_f32_from_i32(int32_t a) { return FromSigned<float>(a); }
KELDO_FPU_ENTRY float keldo_fpu_f32_from_u32(uint32_t a) { return FromUnsigned<float>(a); }
KELDO_FPU_ENTRY float keldo_fpu_f32_from_i64(double bits) {
    return FromSigned<float>(BitCast<int64_t>(bits));
}
KELDO_FPU_ENTRY float keldo_fpu_f32_from_u64(double bits) {
    return FromUnsigned<float>(BitCast<uint64_t>(bits));
}

KELDO_FPU_ENTRY int keldo_fpu_lt(double a, double b) {
    return Ordered(a, b, KELDO_FPU_CALLER) && a < b;
}
KELDO_FPU_ENTRY int keldo_fpu_le(double a, double b) {
    return Ordered(a, b, KELDO_FPU_CALLER) && a <= b;
}
KELDO_FPU_ENTRY int keldo_fpu_gt(double a, double b) {
    return Ordered(a, b, KELDO_FPU_CALLER) && a > b;
}
KELDO_FPU_ENTRY int keldo_fpu_ge(double a, double b) {
    return Ordered(a, b, KELDO_FPU_CALLER) && a >= b;
}
KELDO_FPU_ENTRY int keldo_fpu_ltf(float a, float b) { return keldo_fpu_lt(a, b); }
KELDO_FPU_ENTRY int keldo_fpu_lef(float a, float b) { return keldo_fpu_le(a, b); }
KELDO_FPU_ENTRY int keldo_fpu_gtf(float a, float b) { return keldo_fpu_gt(a, b); }
KELDO_FPU_ENTRY int keldo_fpu_gef(float a, float b) { return keldo_fpu_ge(a, b); }
