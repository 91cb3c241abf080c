// The edge cases of rounding toward zero, shared by the check of the web build's operations
// against this machine and by the table that both builds print.
#pragma once

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace rounding_cases {

enum class Op { Add, Sub, Mul, Div, Sqrt, FromI64, FromU64, ToF32, Less, LessEqual };

struct Case {
    Op Operation;
    double A;
    double B;
    int64_t Integer;  // the operand of the integer conversions
};

inline constexpr const char* OpName(Op op) {
    constexpr const char* kNames[] = {"add", "sub", "mul", "div", "sqrt",
                                      "i64", "u64", "f32", "lt",  "le"};
    return kNames[static_cast<int>(op)];
}

inline constexpr double kMax = DBL_MAX;
inline constexpr double kMin = DBL_MIN;  // smallest normal
inline constexpr double kTiny = std::numeric_limits<double>::denorm_min();
inline constexpr double kInf = std::numeric_limits<double>::infinity();
inline constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
inline constexpr double kUlp1 = DBL_EPSILON;          // one step above 1
inline constexpr double kHalfUlp1 = DBL_EPSILON / 2;  // one step below 1
inline constexpr int64_t k2p53 = int64_t{1} << 53;
inline constexpr int64_t kI64Max = std::numeric_limits<int64_t>::max();
inline constexpr int64_t kI64Min = std::numeric_limits<int64_t>::min();

inline constexpr Case kCases[] = {
    // exact halfway cases: to nearest goes to even, toward zero never up
    {Op::Add, 1.0, kHalfUlp1, 0},
    {Op::Add, 1.0 + kUlp1, kHalfUlp1, 0},
    {Op::Add, -1.0, -kHalfUlp1, 0},
    {Op::Sub, 1.0, kHalfUlp1 / 2, 0},  // just below a power of two
    {Op::Sub, 2.0, kUlp1 / 4, 0},
    {Op::Add, 0.1, 0.2, 0},
    {Op::Add, 1e16, 1.0, 0},
    {Op::Add, -1e16, -3.0, 0},
    {Op::Add, 1.0, -1e-30, 0},
    {Op::Add, 1.0, 1e-30, 0},
    {Op::Mul, 0.1, 3.0, 0},
    {Op::Mul, -0.1, 3.0, 0},
    {Op::Mul, 1.0 + kUlp1, 1.0 - kHalfUlp1, 0},  // just below 1
    {Op::Mul, 1.0 + kUlp1, 1.0 + kUlp1, 0},      // just above 1
    {Op::Div, 1.0, 3.0, 0},
    {Op::Div, -2.0, 3.0, 0},
    {Op::Div, 1.0, 1.0 + kUlp1, 0},
    {Op::Div, 4.0, 2.0, 0},
    {Op::Sqrt, 2.0, 0, 0},
    {Op::Sqrt, 1.0 - kHalfUlp1, 0, 0},
    {Op::Sqrt, 1.0 + kUlp1, 0, 0},
    {Op::Sqrt, 0.5, 0, 0},
    // overflow toward zero stops at the largest finite number
    {Op::Add, kMax, kMax, 0},
    {Op::Sub, -kMax, kMax, 0},
    {Op::Mul, kMax, 2.0, 0},
    {Op::Mul, -1e300, 1e300, 0},
    {Op::Div, kMax, 0.5, 0},
    {Op::Div, 1e300, -1e-300, 0},
    {Op::Mul, 1e200, 1e150, 0},
    {Op::Mul, 1.5, 1e308, 0},
    // subnormals and underflow
    {Op::Mul, kMin, 0.75, 0},
    {Op::Mul, kMin, 1.0 / 3.0, 0},
    {Op::Mul, -kMin, 1.0 / 3.0, 0},
    {Op::Mul, kTiny, 0.5, 0},
    {Op::Mul, -kTiny, 0.99, 0},
    {Op::Mul, 1e-200, 1e-120, 0},
    {Op::Mul, 1e-300, 1e-20, 0},
    {Op::Div, kTiny, 3.0, 0},
    {Op::Div, kMin, 3.0, 0},
    {Op::Div, 1e-300, 1e20, 0},
    {Op::Div, 1e-310, 7.0, 0},
    {Op::Div, 1e300, 1e-10, 0},
    {Op::Add, kTiny, kMin, 0},
    {Op::Sub, kMin, kTiny, 0},
    {Op::Sqrt, kTiny, 0, 0},
    {Op::Sqrt, 3 * kTiny, 0, 0},
    {Op::Sqrt, kMax, 0, 0},
    {Op::Sqrt, 1e-310, 0, 0},
    // signed zeros and infinities
    {Op::Add, 1.0, -1.0, 0},
    {Op::Add, -0.0, -0.0, 0},
    {Op::Add, -0.0, 0.0, 0},
    {Op::Mul, -0.0, 5.0, 0},
    {Op::Div, -0.0, 5.0, 0},
    {Op::Div, 1.0, -0.0, 0},
    {Op::Div, -1.0, kInf, 0},
    {Op::Sqrt, -0.0, 0, 0},
    {Op::Add, kInf, 1.0, 0},
    {Op::Mul, kInf, -2.0, 0},
    {Op::Sqrt, kInf, 0, 0},
    // conversions from integers at and beyond the exact range
    {Op::FromI64, 0, 0, k2p53},
    {Op::FromI64, 0, 0, k2p53 + 1},
    {Op::FromI64, 0, 0, -(k2p53 + 1)},
    {Op::FromI64, 0, 0, k2p53 + 3},
    {Op::FromI64, 0, 0, -(k2p53 + 3)},
    {Op::FromI64, 0, 0, kI64Max},
    {Op::FromI64, 0, 0, kI64Min},
    {Op::FromI64, 0, 0, kI64Min + 1},
    {Op::FromI64, 0, 0, -1},
    {Op::FromU64, 0, 0, -1},
    {Op::FromU64, 0, 0, kI64Min},
    {Op::FromU64, 0, 0, kI64Max},
    {Op::FromU64, 0, 0, k2p53 + 1},
    // to single precision
    {Op::ToF32, 0.1, 0, 0},
    {Op::ToF32, -0.1, 0, 0},
    {Op::ToF32, 1e300, 0, 0},
    {Op::ToF32, -1e300, 0, 0},
    {Op::ToF32, 1e-50, 0, 0},
    {Op::ToF32, 1.0 - kHalfUlp1, 0, 0},
    {Op::ToF32, kInf, 0, 0},
    // invalid operations: the flag is the answer here, the NaN's bits are not compared
    {Op::Div, 0.0, 0.0, 0},
    {Op::Div, kInf, -kInf, 0},
    {Op::Sub, kInf, kInf, 0},
    {Op::Add, -kInf, kInf, 0},
    {Op::Mul, 0.0, kInf, 0},
    {Op::Sqrt, -1.0, 0, 0},
    {Op::Sqrt, -kTiny, 0, 0},
    {Op::Less, kNan, 1.0, 0},
    {Op::LessEqual, 1.0, kNan, 0},
    {Op::Less, 1.0, 2.0, 0},
    // a NaN that comes in goes on without a new invalid operation
    {Op::Add, kNan, 1.0, 0},
    {Op::Mul, 2.0, kNan, 0},
};

inline uint64_t Bits(double x) {
    uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return bits;
}

// Through volatile cells, so that the compiler computes nothing ahead of the run's mode.
inline double Compute(const Case& c) {
    volatile double a = c.A;
    volatile double b = c.B;
    volatile int64_t i = c.Integer;
    switch (c.Operation) {
        case Op::Add:
            return a + b;
        case Op::Sub:
            return a - b;
        case Op::Mul:
            return a * b;
        case Op::Div:
            return a / b;
        case Op::Sqrt:
            return __builtin_sqrt(a);
        case Op::FromI64:
            return static_cast<double>(i);
        case Op::FromU64:
            return static_cast<double>(static_cast<uint64_t>(i));
        case Op::ToF32:
            return static_cast<float>(a);
        case Op::Less:
            return a < b;
        case Op::LessEqual:
            return a <= b;
    }
    return 0;
}

}  // namespace rounding_cases
