#include "Errors.h"

#include <cstdarg>
#include <cstdio>

namespace tolvex {

namespace {
uint64_t* gExceptionCell = nullptr;
}  // namespace

void SetExceptionCell(uint64_t* cell) { gExceptionCell = cell; }

__attribute__((noinline)) void Raise(uint32_t code, const char* format, ...) {
    if (gExceptionCell != nullptr && *gExceptionCell == 0) {
        *gExceptionCell = reinterpret_cast<uint64_t>(__builtin_return_address(0));
    }
    TvError error{};
    error.Code = code;
    va_list args;
    va_start(args, format);
    std::vsnprintf(error.Message, sizeof error.Message, format, args);
    va_end(args);
    throw error;
}

void RaiseUnsupported(const char* entry) {
    Raise(TV_ERR_UNSUPPORTED, "%s: not supported by this runtime", entry);
}

}  // namespace tolvex
