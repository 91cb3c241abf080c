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
    // The first missing entry ends the binding.
    const char* missing =
        TvBindEntries(table, [](const char* name) { return FindRuntimeEntry(gHandle, name); });
    if (missing != nullptr) {
        RaiseGameException(kErrRuntimeMissing, std::string("the runtime library ") + RuntimeFile() +
                                                   " has no entry " + missing + " (" + file + ")");
    }
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
