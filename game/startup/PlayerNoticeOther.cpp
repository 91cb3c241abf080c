// Programs here start with standard error where their starter can read it.
#include <cstdio>

#include "startup/PlayerNotice.h"

namespace keldo {

void JoinParentConsole() {}

void ReportEnding(const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

}  // namespace keldo
