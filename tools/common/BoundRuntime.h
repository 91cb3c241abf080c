// For our own programs that drive the runtime library directly (tvdriver, the benchmarks):
// the library's entries bound by name, and strings made the way the contract wants.
#pragma once

#include <dlfcn.h>

#include <cstdint>
#include <string_view>

#include "Tolvex.h"

namespace tvtools {

struct Entries {
#define TVTOOLS_FIELD(name, result, params) result(*name) params = nullptr;
    TOLVEX_ENTRIES(TVTOOLS_FIELD)
#undef TVTOOLS_FIELD
};

// Binds every entry of an opened library by name, in order. Returns the name of the first
// entry that is missing, or nullptr when all are there.
inline const char* BindEntries(void* library, Entries& e) {
#define TVTOOLS_BIND(name, result, params)                              \
    e.name = reinterpret_cast<result(*) params>(dlsym(library, #name)); \
    if (e.name == nullptr) {                                            \
        return #name;                                                   \
    }
    TOLVEX_ENTRIES(TVTOOLS_BIND)
#undef TVTOOLS_BIND
    return nullptr;
}

// A TvStr of ASCII text, allocated with the library's AllocMem; release it with FreeMem.
inline TvStr* MakeStr(const Entries& e, std::string_view text) {
    auto* s = static_cast<TvStr*>(
        e.AllocMem(static_cast<int64_t>(sizeof(TvStr) + text.size() * sizeof(uint16_t)), nullptr));
    s->RefCnt = 1;
    s->Len = static_cast<int64_t>(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        s->Text[i] = static_cast<unsigned char>(text[i]);
    }
    s->Text[text.size()] = 0;
    return s;
}

}  // namespace tvtools
