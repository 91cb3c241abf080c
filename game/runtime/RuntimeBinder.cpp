#include "runtime/RuntimeBinder.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstring>

#include "runtime/GameException.h"
#include "runtime/RuntimeTable.h"

namespace keldo {

namespace {
void* gHandle = nullptr;
}  // namespace

std::string ProgramFolder() {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) {
        return "./";
    }
    path[n] = '\0';
    std::string folder(path);
    const auto slash = folder.rfind('/');
    return slash == std::string::npos ? std::string("./") : folder.substr(0, slash + 1);
}

void BindRuntime() {
    // Never the current directory: a Data/Tolvex.vsd found there is not ours.
    const std::string file = ProgramFolder() + kRuntimeFile;
    gHandle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (gHandle == nullptr) {
        const char* why = dlerror();
        RaiseGameException(kErrRuntimeMissing, "cannot load the runtime library " + file + ": " +
                                                   (why != nullptr ? why : "unknown reason"));
    }
    RuntimeTable& table = MutableRt();
    table = RuntimeTable{};
    // Bind in the order of the list; the first missing entry ends the binding.
#define KELDO_BIND_ENTRY(name, result, params)                                          \
    {                                                                                   \
        void* address = dlsym(gHandle, #name);                                          \
        if (address == nullptr) {                                                       \
            RaiseGameException(kErrRuntimeMissing,                                      \
                               "the runtime library " + file + " has no entry " #name); \
        }                                                                               \
        table.name = reinterpret_cast<result(*) params>(address);                       \
    }
    TOLVEX_ENTRIES(KELDO_BIND_ENTRY)
#undef KELDO_BIND_ENTRY
}

bool IsRuntimeLoaded() { return gHandle != nullptr; }

bool IsFreeBound() { return Rt().Free != nullptr; }

void UnloadRuntime() {
    MutableRt() = RuntimeTable{};
    if (gHandle != nullptr) {
        dlclose(gHandle);
        gHandle = nullptr;
    }
}

}  // namespace keldo
