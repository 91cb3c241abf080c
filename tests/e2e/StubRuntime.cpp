// Stand-in runtime libraries for start-up tests: one that lacks its last entry, a foreign
// one that must never be loaded, and some that fault at chosen moments. Entries other than
// those defined below are never called.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "Tolvex.h"

#ifdef STUB_OMIT_LAST
// Exported under another name, so that binding finds no StopBGMFade.
#define StopBGMFade StopBGMFade_absent
#endif

#ifdef STUB_HAS_INIT
// The memory entries work, since the game makes its start-up strings before Init.
#define Init Init_stub
#define AllocMem AllocMem_stub
#define FreeMem FreeMem_stub
#endif

// Shutdown calls Free whenever it was bound, even after a failed binding.
#define Free Free_stub
#define STUB_ENTRY(name, result, params) \
    extern "C" __attribute__((visibility("default"))) void name() { std::abort(); }
TOLVEX_ENTRIES(STUB_ENTRY)
#undef Free
#undef Init
#undef AllocMem
#undef FreeMem

namespace {

void AccessNothing() {
    volatile int* nowhere = nullptr;
    *nowhere = 1;
}

}  // namespace

#ifdef STUB_HAS_INIT
extern "C" __attribute__((visibility("default"))) void* AllocMem(int64_t bytes, const char*) {
    return std::calloc(1, static_cast<size_t>(bytes));
}
extern "C" __attribute__((visibility("default"))) void FreeMem(void* p) { std::free(p); }
extern "C" __attribute__((visibility("default"))) bool Init(const TvInitParams*) {
#if defined(STUB_FAULT_IN_INIT)
    // An invalid floating-point operation, which the game's mode turns into a trap.
    volatile double zero = 0.0;
    volatile double nothing = zero / zero;
    return nothing == nothing;
#elif defined(STUB_FAULT_ON_THREAD)
    std::thread([] { AccessNothing(); }).detach();
    for (;;) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
#else
    // The run ends as a closed window does: cleanly.
    TvError closed{};
    closed.Code = TV_ERR_CLOSED;
    throw closed;
#endif
}
#endif

extern "C" __attribute__((visibility("default"))) void Free() {
    std::fprintf(stderr, "%s runtime freed\n", STUB_KIND);
#ifdef STUB_FAULT_IN_FREE
    AccessNothing();
#endif
}

namespace {
__attribute__((constructor)) void Loaded() {
    std::fprintf(stderr, "%s runtime loaded\n", STUB_KIND);
}
__attribute__((destructor)) void Unloaded() {
    std::fprintf(stderr, "%s runtime unloaded\n", STUB_KIND);
#ifdef STUB_FAULT_ON_UNLOAD
    AccessNothing();
#endif
}
}  // namespace
