// The web build's operations, built here and run with this machine's round-to-nearest, against
// this machine's own hardware in the game's mode: the edge cases, then many random operands
// across the whole range (subnormals and the edges of overflow among them).
#include <gtest/gtest.h>
#include <xmmintrin.h>

#include <bit>
#include <random>
#include <vector>

#include "RoundingCases.h"
#include "SoftFpu.h"
#include "Tolvex.h"

namespace {

using namespace rounding_cases;

constexpr unsigned kTowardZeroMasked = 0x7F80;
constexpr unsigned kGameMode = TV_GAME_FP_MODE;
constexpr unsigned kInvalidFlag = 0x0001;

std::vector<uintptr_t> gTraps;

struct Outcome {
    uint64_t Result;  // 0 for a NaN: its bits are not compared
    bool Invalid;
    bool operator==(const Outcome&) const = default;
};

Outcome Seen(double result, bool invalid) { return {result != result ? 0 : Bits(result), invalid}; }

Outcome OnHardware(const Case& c) {
    const unsigned saved = _mm_getcsr();
    _mm_setcsr(kTowardZeroMasked);
    const double result = Compute(c);
    const bool invalid = (_mm_getcsr() & kInvalidFlag) != 0;
    _mm_setcsr(saved);
    return Seen(result, invalid);
}

double SoftCompute(const Case& c) {
    switch (c.Operation) {
        case Op::Add:
            return keldo_fpu_add(c.A, c.B);
        case Op::Sub:
            return keldo_fpu_sub(c.A, c.B);
        case Op::Mul:
            return keldo_fpu_mul(c.A, c.B);
        case Op::Div:
            return keldo_fpu_div(c.A, c.B);
        case Op::Sqrt:
            return keldo_fpu_sqrt(c.A);
        case Op::FromI64:
            return keldo_fpu_from_i64(std::bit_cast<double>(c.Integer));
        case Op::FromU64:
            return keldo_fpu_from_u64(std::bit_cast<double>(c.Integer));
        case Op::ToF32:
            return keldo_fpu_to_f32(c.A);
        case Op::Less:
            return keldo_fpu_lt(c.A, c.B);
        case Op::LessEqual:
            return keldo_fpu_le(c.A, c.B);
    }
    return 0;
}

Outcome InSoftware(const Case& c, unsigned csr = kTowardZeroMasked) {
    keldo_fpu_setcsr(csr);
    const double result = SoftCompute(c);
    const bool invalid = (keldo_fpu_getcsr() & kInvalidFlag) != 0;
    keldo_fpu_setcsr(KELDO_FPU_DEFAULT);
    return Seen(result, invalid);
}

std::string Describe(const Case& c) {
    char text[128];
    std::snprintf(text, sizeof text, "%s(%a, %a, %lld)", OpName(c.Operation), c.A, c.B,
                  static_cast<long long>(c.Integer));
    return text;
}

TEST(SoftFpu, EdgeCasesGiveTheHardwaresBits) {
    for (const Case& c : kCases) {
        const Outcome hardware = OnHardware(c);
        const Outcome software = InSoftware(c);
        EXPECT_EQ(software, hardware) << Describe(c) << ": got " << std::hex << software.Result
                                      << ", the hardware " << hardware.Result;
    }
}

// Operands with every exponent, weighted toward the places where rounding is delicate: near
// one another (cancellation), at the ends of the range, and small integers' neighbours.
double RandomOperand(std::mt19937_64& random) {
    const uint64_t bits = random();
    switch (bits % 8) {
        case 0:  // subnormal
            return std::bit_cast<double>(bits >> 12);
        case 1:  // near the top of the range
            return std::bit_cast<double>((bits >> 12) | (uint64_t{0x7FE - (bits >> 60)} << 52));
        case 2:  // near the bottom of the normal range
            return std::bit_cast<double>((bits >> 12) | (uint64_t{1 + (bits >> 60)} << 52));
        case 3:  // a short significand, so that sums and products are often exact or halfway
            return std::ldexp(static_cast<double>(bits >> 40), static_cast<int>(bits >> 58) - 32);
        default:  // anything finite, around one
            return std::bit_cast<double>((bits >> 12) | (uint64_t{0x3F0 + (bits >> 57)} << 52));
    }
}

TEST(SoftFpu, RandomOperandsGiveTheHardwaresBits) {
    std::mt19937_64 random(20261211);
    constexpr Op kOps[] = {Op::Add, Op::Sub, Op::Mul, Op::Div, Op::Sqrt, Op::ToF32, Op::FromI64};
    int failures = 0;
    for (int i = 0; i < 400000 && failures < 10; ++i) {
        double a = RandomOperand(random);
        double b = RandomOperand(random);
        if ((random() & 1) != 0) a = -a;
        if ((random() & 1) != 0) b = -b;
        const Op op = kOps[i % std::size(kOps)];
        if (op == Op::Add && (random() & 3) == 0) b = -a * (1 + std::ldexp(1.0, -40));  // cancel
        if (op == Op::Sqrt) a = std::fabs(a);
        const Case c{op, a, b, static_cast<int64_t>(random() >> (random() % 20))};
        const Outcome hardware = OnHardware(c);
        const Outcome software = InSoftware(c);
        if (!(software == hardware)) {
            ++failures;
            ADD_FAILURE() << Describe(c) << ": got " << std::hex << software.Result
                          << ", the hardware " << hardware.Result;
        }
    }
}

// Single precision, which the drawing code uses here and there: the same five operations on
// random floats of every exponent, and the conversions from integers beyond 2^24.
TEST(SoftFpu, SinglePrecisionGivesTheHardwaresBits) {
    std::mt19937_64 random(11122026);
    int failures = 0;
    for (int i = 0; i < 200000 && failures < 10; ++i) {
        const uint64_t bits = random();
        volatile float a = std::bit_cast<float>(static_cast<uint32_t>(bits));
        volatile float b = std::bit_cast<float>(static_cast<uint32_t>(bits >> 32) ^
                                                ((bits & 3) == 0 ? 0 : 0x1000000u));
        volatile int64_t n = static_cast<int64_t>(random()) >> (random() % 40);
        if (a != a || b != b) continue;
        const unsigned op = i % 7;
        const unsigned saved = _mm_getcsr();
        _mm_setcsr(kTowardZeroMasked);
        const float hardware = op == 0   ? a + b
                               : op == 1 ? a - b
                               : op == 2 ? a * b
                               : op == 3 ? a / b
                               : op == 4 ? __builtin_sqrtf(a < 0 ? -a : a)
                               : op == 5 ? static_cast<float>(n)
                                         : static_cast<float>(static_cast<int32_t>(n));
        _mm_setcsr(saved);
        keldo_fpu_setcsr(kTowardZeroMasked);
        const float software = op == 0   ? keldo_fpu_addf(a, b)
                               : op == 1 ? keldo_fpu_subf(a, b)
                               : op == 2 ? keldo_fpu_mulf(a, b)
                               : op == 3 ? keldo_fpu_divf(a, b)
                               : op == 4 ? keldo_fpu_sqrtf(a < 0 ? -a : a)
                               : op == 5 ? keldo_fpu_f32_from_i64(std::bit_cast<double>(n))
                                         : keldo_fpu_f32_from_i32(static_cast<int32_t>(n));
        keldo_fpu_setcsr(KELDO_FPU_DEFAULT);
        const bool same = std::bit_cast<uint32_t>(hardware) == std::bit_cast<uint32_t>(software) ||
                          (hardware != hardware && software != software);
        if (!same) {
            ++failures;
            ADD_FAILURE() << "operation " << op << " of " << a << ", " << b << ", " << n << ": got "
                          << software << ", the hardware " << hardware;
        }
    }
}

// In the game's mode an invalid operation goes to the trap, once, with the call's address; in
// the default mode the same operation quietly gives its NaN and rounds to nearest.
TEST(SoftFpu, TheModeDecidesRoundingAndTrapping) {
    gTraps.clear();
    const Case zeroByZero{Op::Div, 0.0, 0.0, 0};
    const Case third{Op::Div, 1.0, 3.0, 0};
    EXPECT_TRUE(InSoftware(zeroByZero, kGameMode).Invalid);
    ASSERT_EQ(gTraps.size(), 1u);
    EXPECT_NE(gTraps[0], 0u);
    EXPECT_EQ(InSoftware(third, kGameMode), OnHardware(third));

    gTraps.clear();
    EXPECT_EQ(InSoftware(zeroByZero, KELDO_FPU_DEFAULT).Result, 0u);
    EXPECT_TRUE(gTraps.empty());
    EXPECT_EQ(InSoftware(third, KELDO_FPU_DEFAULT).Result, Bits(1.0 / 3.0));
    EXPECT_EQ(InSoftware({Op::Less, kNan, 1.0, 0}, kGameMode).Invalid, true);
    EXPECT_EQ(gTraps.size(), 1u);
}

}  // namespace

extern "C" void keldo_fpu_trap(uintptr_t address) { gTraps.push_back(address); }
