// The environment as the C library has it: UTF-8 where the platform's text is UTF-8.
#include <cstdlib>

#include "platform/Environment.h"

namespace tolvex {

const char* EnvironmentValue(const char* name) { return std::getenv(name); }

char PathSeparator() { return '/'; }

}  // namespace tolvex
