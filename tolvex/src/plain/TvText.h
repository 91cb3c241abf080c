// Library strings (TvStr) to and from UTF-8.
#pragma once

#include <string>
#include <string_view>

#include "Tolvex.h"

namespace tolvex {

// UTF-8 text of a TvStr; a null string raises TV_ERR_ARG naming the entry.
std::string ToUtf8(const TvStr* s, const char* entry);

// Appends one code point as UTF-8.
void AppendUtf8(std::string& out, char32_t c);

// A new TvStr (allocated with AllocMem; the receiver owns it).
TvStr* NewTvStr(std::string_view utf8);

}  // namespace tolvex
