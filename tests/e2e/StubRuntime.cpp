// Stand-in runtime libraries for start-up tests: one that lacks its last entry, and a
// foreign one that must never be loaded. Their entries are never called.
#include <cstdio>
#include <cstdlib>

#include "Tolvex.h"

#ifdef STUB_OMIT_LAST
// Exported under another name, so that binding finds no StopBGMFade.
#define StopBGMFade StopBGMFade_absent
#endif

// Shutdown calls Free whenever it was bound, even after a failed binding.
#define Free Free_stub
#define STUB_ENTRY(name, result, params) \
    extern "C" __attribute__((visibility("default"))) void name() { std::abort(); }
TOLVEX_ENTRIES(STUB_ENTRY)
#undef Free
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
