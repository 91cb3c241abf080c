// Windows: UTF-8 to and from the UTF-16 of the system's own calls, for the library and the
// program around it alike (the TvStr of the contract is UTF-16 too, but counted: RtString).
#pragma once

#include <windows.h>

#include <string>

namespace tvtext {

inline std::wstring Wide(const std::string& utf8) {
    if (utf8.empty()) {
        return {};
    }
    const int size = static_cast<int>(utf8.size());
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), n);
    return wide;
}

inline std::string Utf8(const std::wstring& wide) {
    if (wide.empty()) {
        return {};
    }
    const int size = static_cast<int>(wide.size());
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), n, nullptr, nullptr);
    return utf8;
}

}  // namespace tvtext
