// Stand-in runtime libraries for start-up tests: one that lacks its last entry, and a
// foreign one that must never be loaded. Their entries are never called.
#include <cstdio>
#include <cstdlib>

#include "Tolvex.h"

#ifdef STUB_OMIT_LAST
// Exported under another name, so that binding finds no StopBGMFade.
#define StopBGMFade StopBGMFade_absent
#endif

#ifdef STUB_FAULT_IN_INIT
// Init makes an invalid floating-point operation, which the game's mode turns into a trap;
// the memory entries work, since the game makes its start-up strings before Init.
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
#ifdef STUB_FAULT_IN_INIT
extern "C" __attribute__((visibility("default"))) void* AllocMem(int64_t bytes, const char*) {
    return std::calloc(1, static_cast<size_t>(bytes));
}
extern "C" __attribute__((visibility("default"))) void FreeMem(void* p) { std::free(p); }
extern "C" __attribute__((visibility("default"))) bool Init(const TvInitParams*) {
    volatile double zero = 0.0;
    volatile double nothing = zero / zero;
    return nothing == nothing;
}
#endif
extern "C" __attribute__((visibility("default"))) void Free() {
    std::fprintf(stderr, "%s runtime freed\n", STUB_KIND);
}

namespace {
__attribute__((constructor)) void Loaded() {
    std::fprintf(stderr, "%s runtime loaded\n", STUB_KIND);
}
__attribute__((destructor)) void Unloaded() {
    std::fprintf(stderr, "%s runtime unloaded\n", STUB_KIND);
}
}  // namespace
