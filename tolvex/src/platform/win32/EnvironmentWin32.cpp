// The environment on Windows, read in UTF-16: the narrow one is in the system's code page on
// any Windows that does not honour the program's UTF-8 manifest, where a name in another
// script would come out as question marks.
#include <windows.h>

#include <algorithm>
#include <map>
#include <string>

#include "platform/Environment.h"
#include "platform/win32/WideText.h"

namespace tolvex {

namespace {

// One value per name, kept for as long as the caller may hold it.
std::map<std::string, std::string> gValues;

}  // namespace

const char* EnvironmentValue(const char* name) {
    const std::wstring wideName = Wide(name);
    std::wstring value(MAX_PATH, L'\0');
    for (;;) {
        SetLastError(ERROR_SUCCESS);
        const DWORD n = GetEnvironmentVariableW(wideName.c_str(), value.data(),
                                                static_cast<DWORD>(value.size()));
        if (n == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND) {
            gValues.erase(name);
            return nullptr;
        }
        if (n < value.size()) {
            value.resize(n);
            break;
        }
        value.resize(n);  // n counts the terminating NUL when the value did not fit
    }
    std::string utf8 = Utf8(value);
    // Windows takes either separator; messages show its own.
    std::replace(utf8.begin(), utf8.end(), '/', '\\');
    return (gValues[name] = std::move(utf8)).c_str();
}

char PathSeparator() { return '\\'; }

}  // namespace tolvex
