#include "runtime/RuntimeBinder.h"

#include "runtime/GameException.h"
#include "runtime/RuntimeLoader.h"
#include "runtime/RuntimeTable.h"

namespace keldo {

namespace {
void* gHandle = nullptr;
}  // namespace

void BindRuntime() {
    const std::string file = ProgramFolder() + RuntimeFile();
    gHandle = LoadRuntimeFile(file);
    RuntimeTable& table = MutableRt();
    table = RuntimeTable{};
    // Bind in the order of the list; the first missing entry ends the binding.
#define KELDO_BIND_ENTRY(name, result, params)                                                    \
    {                                                                                             \
        void* address = FindRuntimeEntry(gHandle, #name);                                         \
        if (address == nullptr) {                                                                 \
            RaiseGameException(kErrRuntimeMissing, std::string("the runtime library ") +          \
                                                       RuntimeFile() +                            \
                                                       " has no entry " #name " (" + file + ")"); \
        }                                                                                         \
        table.name = reinterpret_cast<result(*) params>(address);                                 \
    }
    TOLVEX_ENTRIES(KELDO_BIND_ENTRY)
#undef KELDO_BIND_ENTRY
}

bool IsRuntimeLoaded() { return gHandle != nullptr; }

bool IsFreeBound() { return Rt().Free != nullptr; }

void UnloadRuntime() {
    MutableRt() = RuntimeTable{};
    if (gHandle != nullptr) {
        UnloadRuntimeFile(gHandle);
        gHandle = nullptr;
    }
}

}  // namespace keldo
