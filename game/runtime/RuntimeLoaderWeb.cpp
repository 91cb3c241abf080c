// The web build links the library into the program: there is no file to load, so the entries
// come from a table of the library's own functions, made from the same entry list. Binding
// still goes by name, so an entry the table lacks fails exactly as a missing symbol does on
// the desktop.
#include <string_view>

#include "Tolvex.h"
#include "runtime/RuntimeBinder.h"
#include "runtime/RuntimeLoader.h"

extern "C" {
#define KELDO_DECLARE_ENTRY(name, result, params) result name params;
TOLVEX_ENTRIES(KELDO_DECLARE_ENTRY)
#undef KELDO_DECLARE_ENTRY
}

namespace keldo {

namespace {

struct LinkedEntry {
    std::string_view Name;
    void* Address;
};

#define KELDO_LINKED_ENTRY(name, result, params) {#name, reinterpret_cast<void*>(&::name)},
const LinkedEntry kLinked[] = {TOLVEX_ENTRIES(KELDO_LINKED_ENTRY)};
#undef KELDO_LINKED_ENTRY

// Stands for the loaded file: never null, never dereferenced.
int gLinkedLibrary = 0;

}  // namespace

std::string RuntimeFile() { return kRuntimeFile; }

// The program's files are its own file system's root in the page; the library finds the
// Data folder itself.
std::string ProgramFolder() { return "/"; }

void* LoadRuntimeFile(const std::string&) { return &gLinkedLibrary; }

void* FindRuntimeEntry(void*, const char* name) {
    for (const LinkedEntry& entry : kLinked) {
        if (entry.Name == name) {
            return entry.Address;
        }
    }
    return nullptr;
}

void UnloadRuntimeFile(void*) {}

// There are no module handles in WebAssembly.
uint64_t ProgramModuleHandle() { return 0; }

// The icon is a picture in Data/, as on Linux; the page's tab shows its own.
uint64_t ProgramIcon(uint64_t, const TvStr* file) { return reinterpret_cast<uint64_t>(file); }

}  // namespace keldo
