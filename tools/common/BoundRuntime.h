// For our own programs that drive the runtime library directly (tvdriver, the benchmarks,
// the contact sheet): the library opened and its entries bound by name, the start-up
// record, and strings made the way the contract wants.
#pragma once

#include <dlfcn.h>

#include <cstdint>
#include <stdexcept>
#include <string>
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
    return TvBindEntries(e, [library](const char* name) { return dlsym(library, name); });
}

// Opens the library file at path and binds all of its entries; throws a runtime_error that
// says what failed (the loader's message, or the first missing entry).
inline void* OpenLibrary(const std::string& path, Entries& e) {
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        throw std::runtime_error(dlerror());
    }
    if (const char* missing = BindEntries(library, e)) {
        throw std::runtime_error(std::string("the library has no entry ") + missing);
    }
    return library;
}

// The start-up record for Init from a program of our own: no module handle or icon, the
// cell for the address of a pending exception, and the window title.
inline TvInitParams StartRecord(uint64_t* exceptionCell, const TvStr* title) {
    return TvInitParams{TV_INIT_STAMP,
                        1,
                        0,
                        0,
                        reinterpret_cast<uint64_t>(exceptionCell),
                        reinterpret_cast<uint64_t>(title)};
}

// A TvStr of ASCII text, allocated with the library's AllocMem; release it with FreeMem.
inline TvStr* MakeStr(const Entries& e, std::string_view text) {
    return TvMakeStr(e.AllocMem(TvStrSize(text.size()), nullptr), text);
}

}  // namespace tvtools
