// The log of the runs that ended in an error, kept for the player who started the game without
// a console: one dated line per run, the newest last, never more than a limit.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace keldo {

// What the log keeps at most.
constexpr size_t kEndingLogLimit = 64 * 1024;

// The log's content with `line` added at its end, cut from the front to at most `limit` bytes
// on a line boundary (a line longer than the limit alone is kept by its end). Lines end with
// CR LF, as a Windows editor expects.
std::string AppendLogLine(std::string log, std::string_view line, size_t limit = kEndingLogLimit);

}  // namespace keldo
