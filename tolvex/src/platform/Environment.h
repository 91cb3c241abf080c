// The process's environment and the form of its paths, as the platform has them: the library
// reads its settings and joins its paths only through here.
#pragma once

namespace tolvex {

// The value of an environment variable in UTF-8, whatever the system's code page, or null when
// it is not set. A path in it is in the platform's own form (backslashes on Windows). Valid
// until the next call for the same name.
const char* EnvironmentValue(const char* name);

// What separates a folder from the name of what it holds.
char PathSeparator();

}  // namespace tolvex
