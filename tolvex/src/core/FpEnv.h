// The game runs with rounding toward zero and the invalid-operation trap on. Code of
// others (SDL, the GL driver, the decoders) must not run in that mode: an entry that
// calls into it holds a DefaultFpEnv for the length of the call.
#pragma once

#if defined(__x86_64__) || defined(__i386__)
#include <xmmintrin.h>

namespace tolvex {

class DefaultFpEnv {
public:
    DefaultFpEnv() : Saved(_mm_getcsr()) { _mm_setcsr(kDefault); }
    ~DefaultFpEnv() {
        // Drop the status flags that the foreign code raised, keep the caller's mode.
        _mm_setcsr(Saved);
    }
    DefaultFpEnv(const DefaultFpEnv&) = delete;
    DefaultFpEnv& operator=(const DefaultFpEnv&) = delete;

    static constexpr unsigned kDefault = 0x1F80;  // round to nearest, all exceptions masked

private:
    unsigned Saved;
};

}  // namespace tolvex

#else
#include <SoftFpu.h>

namespace tolvex {

// WebAssembly has no floating-point control of its own: the web build keeps the mode in a
// register of its own (SoftFpu.h), laid out as the x86 one, which the game's and this library's
// rewritten operations read.
class DefaultFpEnv {
public:
    DefaultFpEnv() : Saved(keldo_fpu_getcsr()) { keldo_fpu_setcsr(kDefault); }
    ~DefaultFpEnv() { keldo_fpu_setcsr(Saved); }
    DefaultFpEnv(const DefaultFpEnv&) = delete;
    DefaultFpEnv& operator=(const DefaultFpEnv&) = delete;

    static constexpr unsigned kDefault = KELDO_FPU_DEFAULT;

private:
    unsigned Saved;
};

}  // namespace tolvex

#endif
