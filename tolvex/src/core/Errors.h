// How the library fails: one TvError with a code and a one-line message.
#pragma once

#include <cstdint>

#include "Tolvex.h"

// mingw-w64's "printf" means Microsoft's formats; the library formats as the C standard does.
#ifdef __MINGW_PRINTF_FORMAT
#define TOLVEX_PRINTF_FORMAT __MINGW_PRINTF_FORMAT
#else
#define TOLVEX_PRINTF_FORMAT printf
#endif

namespace tolvex {

// Records the raise site in the program's exception cell (if it is still 0) and throws.
[[noreturn]] __attribute__((format(TOLVEX_PRINTF_FORMAT, 2, 3))) void Raise(uint32_t code,
                                                                            const char* format,
                                                                            ...);

// For entries the runtime does not provide (3-D objects, movies, music, save data).
[[noreturn]] void RaiseUnsupported(const char* entry);

// Whether raises on this thread record their site in the program's exception cell; returns
// the previous setting. Off for work whose errors the library catches and raises again later.
bool RecordRaiseSites(bool on);

// The program's exception cell, from the start-up record (null before Init).
void SetExceptionCell(uint64_t* cell);

}  // namespace tolvex
