#include "startup/EndingLog.h"

namespace keldo {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

}  // namespace

std::string AppendLogLine(std::string log, std::string_view line, size_t limit) {
    log.append(line);
    log.append(kLineEnd);
    if (log.size() <= limit) {
        return log;
    }
    const size_t excess = log.size() - limit;
    // The first line that starts at or after the excess: never half a line at the top.
    const size_t end = log.find('\n', excess - 1);
    if (end != std::string::npos && end + 1 < log.size()) {
        return log.substr(end + 1);
    }
    return log.substr(excess);
}

}  // namespace keldo
