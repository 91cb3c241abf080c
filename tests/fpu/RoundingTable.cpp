// Prints every case of RoundingCases.h as this build's own arithmetic computes it, in the
// game's rounding (toward zero, every exception masked so that the invalid flag can be read).
// The desktop's hardware and the web build's rewritten operations must print the same table.
#include <cinttypes>
#include <cstdio>

#include "RoundingCases.h"

#ifdef __EMSCRIPTEN__
#include "SoftFpu.h"
extern "C" void keldo_fpu_trap(uintptr_t) {}
namespace {
unsigned GetCsr() { return keldo_fpu_getcsr(); }
void SetCsr(unsigned csr) { keldo_fpu_setcsr(csr); }
}  // namespace
#else
#include <xmmintrin.h>
namespace {
unsigned GetCsr() { return _mm_getcsr(); }
void SetCsr(unsigned csr) { _mm_setcsr(csr); }
}  // namespace
#endif

namespace {

using namespace rounding_cases;

constexpr unsigned kTowardZeroMasked = 0x7F80;
constexpr unsigned kInvalidFlag = 0x0001;

}  // namespace

int main() {
    const unsigned saved = GetCsr();
    for (const Case& c : kCases) {
        SetCsr(kTowardZeroMasked);
        const double result = Compute(c);
        const bool invalid = (GetCsr() & kInvalidFlag) != 0;
        SetCsr(saved);
        char shown[24];
        if (result != result) {
            std::snprintf(shown, sizeof shown, "nan");
        } else {
            std::snprintf(shown, sizeof shown, "%016" PRIx64, Bits(result));
        }
        std::printf("%-4s %016" PRIx64 " %016" PRIx64 " %016" PRIx64 " -> %s%s\n",
                    OpName(c.Operation), Bits(c.A), Bits(c.B), static_cast<uint64_t>(c.Integer),
                    shown, invalid ? " invalid" : "");
    }
    return 0;
}
