// Memory, the debug log and the clocks.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Tolvex.h"
#include "core/Errors.h"
#include "core/FpEnv.h"
#include "plain/Streams.h"
#include "plain/TvText.h"

namespace {

const auto gLoadTime = std::chrono::steady_clock::now();

void WriteLine(const char* prefix, const TvStr* msg, const char* entry) {
    std::string line = prefix + tolvex::ToUtf8(msg, entry) + "\n";
    tolvex::DefaultFpEnv fpEnv;
    // One write, so that a line never interleaves with other output.
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

}  // namespace

using namespace tolvex;

// Memory comes back zero-filled unless the tag is "skip", for callers that fill it all anyway.
// Zero bytes still give a distinct pointer, so that every allocation can be freed alike.
void* AllocMem(int64_t bytes, const char* tag) {
    if (bytes < 0) {
        Raise(TV_ERR_ARG, "AllocMem: negative size %lld", static_cast<long long>(bytes));
    }
    const size_t size = bytes == 0 ? 1 : static_cast<size_t>(bytes);
    const bool skipClear = tag != nullptr && std::strcmp(tag, "skip") == 0;
    void* memory = skipClear ? std::malloc(size) : std::calloc(1, size);
    if (memory == nullptr) {
        Raise(TV_ERR_PLATFORM, "AllocMem: out of memory (%lld bytes)",
              static_cast<long long>(bytes));
    }
    return memory;
}

void FreeMem(void* ptr) {
    if (ptr == nullptr) {
        return;
    }
    ReleaseStream(ptr);
    std::free(ptr);
}

// The log is for whoever runs the game from a terminal: one line per message on standard error.
void DbgLog(const TvStr* msg) { WriteLine("tolvex: debug: ", msg, "DbgLog"); }

void DbgErrMsg(const TvStr* msg) { WriteLine("tolvex: error: ", msg, "DbgErrMsg"); }

// Milliseconds since the library was loaded; never goes back, whatever the wall clock does.
int64_t GetSysTime(void) {
    const auto elapsed = std::chrono::steady_clock::now() - gLoadTime;
    return std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
}

int64_t GetUnixTime(void) {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::seconds>(now).count();
}
