// How the library fails: one TvError with a code and a one-line message.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

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

// Text from outside (a variable, a line of a file) as a message quotes it: cut after 120
// characters with "..." so that a runaway value cannot swamp the line, and a NUL spelt out
// (it would end the message early; the program shows other control characters escaped).
std::string Quoted(std::string_view text);

// `text` with every control character as \xNN, for a line the library writes itself: what a
// terminal would obey is shown, not obeyed.
std::string Escaped(std::string_view text);

}  // namespace tolvex
