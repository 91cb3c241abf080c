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

namespace tolvex {

// WebAssembly has no floating-point control: it always rounds to nearest and never traps,
// so there is no mode to leave or to put back. (Not trivial, so that holding one for the
// length of a call is not taken for an unused variable.)
class DefaultFpEnv {
public:
    DefaultFpEnv() {}
    ~DefaultFpEnv() {}
    DefaultFpEnv(const DefaultFpEnv&) = delete;
    DefaultFpEnv& operator=(const DefaultFpEnv&) = delete;
};

}  // namespace tolvex

#endif
