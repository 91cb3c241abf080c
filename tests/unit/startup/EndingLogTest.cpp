// The log of failed runs: each line is added whole, and the log is cut from the front on a
// line boundary so that it never passes its limit.
#include <gtest/gtest.h>

#include <string>

#include "startup/EndingLog.h"

namespace keldo {
namespace {

struct LogCase {
    const char* Name;
    std::string Log;
    std::string Line;
    size_t Limit;
    std::string Expected;
};

TEST(EndingLog, AddsAndCutsOnLineBoundaries) {
    const LogCase cases[] = {
        {"first line", "", "a", 100, "a\r\n"},
        {"under the limit", "a\r\n", "b", 100, "a\r\nb\r\n"},
        {"exactly the limit", "aa\r\n", "bb", 8, "aa\r\nbb\r\n"},
        {"one byte over drops the oldest line whole", "aa\r\n", "bbb", 8, "bbb\r\n"},
        {"drops as many lines as needed", "1\r\n2\r\n3\r\n4\r\n", "55", 9, "4\r\n55\r\n"},
        {"an excess ending right on a line end", "111\r\n2\r\n", "3", 6, "2\r\n3\r\n"},
        {"a line longer than the limit keeps its end", "a\r\n", "0123456789", 6, "6789\r\n"},
    };
    for (const LogCase& c : cases) {
        const std::string out = AppendLogLine(c.Log, c.Line, c.Limit);
        EXPECT_EQ(out, c.Expected) << c.Name;
        EXPECT_LE(out.size(), c.Limit) << c.Name;
    }
}

TEST(EndingLog, AFullLogStaysNearItsLimit) {
    std::string log;
    for (int run = 0; run < 5000; ++run) {
        log = AppendLogLine(log, "2026-12-10 19:00:00 keldo: run " + std::to_string(run));
    }
    EXPECT_LE(log.size(), kEndingLogLimit);
    EXPECT_GT(log.size(), kEndingLogLimit - 64);
    EXPECT_TRUE(log.starts_with("2026-12-10 "));
    EXPECT_TRUE(log.ends_with("keldo: run 4999\r\n"));
}

}  // namespace
}  // namespace keldo
