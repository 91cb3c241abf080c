// Doubles as text and back: the shortest text that reads back as the same double, in the
// form std::to_chars gives it, and the strict reading of std::from_chars. Traces and numbers
// printed by the game depend on the exact form, so every build must write the same.
#pragma once

#include <cstddef>

namespace tolvex {

// Room for any double's text.
constexpr size_t kRealTextMax = 32;

// Writes `value` at `out` (at least kRealTextMax bytes); returns the end of the text.
char* WriteReal(char* out, double value);

// Reads all of [first, last) as a number: decimal or exponent form, "inf", "infinity" and
// "nan" in any case, a '-' sign but no '+', no spaces, no hexadecimal. False for anything
// else and for a number a double cannot hold.
bool ReadReal(const char* first, const char* last, double& value);

// The same from the C library's printf and strtod, for a standard library without the
// floating-point forms of to_chars and from_chars. Kept apart so that it can be checked
// against them where they exist.
char* WriteRealPortable(char* out, double value);
bool ReadRealPortable(const char* first, const char* last, double& value);

}  // namespace tolvex
