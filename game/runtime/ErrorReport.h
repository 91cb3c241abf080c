// Diagnostic messages of the game: a missing animation ID, a frame beyond a table,
// the progress labels of the game scene's set-up. They never reach the player: the
// shipped build drops them; the debug build (KELDO_DEBUG_LOG) hands them to the
// library's DbgLog, which writes them to standard error.
#pragma once

#include <concepts>
#include <cstdint>
#include <string_view>

#include "runtime/RtString.h"

namespace keldo {

void ReportError(const String& message);

// Turns the debug log on or off at run time (the build option sets the default).
void EnableErrorLog(bool on);
bool IsErrorLogEnabled();

namespace detail {
inline void AppendPiece(String& out, std::u16string_view text) { out += text; }
inline void AppendPiece(String& out, const char16_t* text) { out += text; }
template <std::integral T>
void AppendPiece(String& out, T n) {
    out += IntText(static_cast<int64_t>(n));
}
}  // namespace detail

// Joins texts and integers into one message; integers are written by the library's IToS.
template <typename... Pieces>
String JoinMessage(const Pieces&... pieces) {
    String out;
    (detail::AppendPiece(out, pieces), ...);
    return out;
}

}  // namespace keldo
