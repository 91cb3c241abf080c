// UTF-8 to and from the UTF-16 of Windows' own calls (RuntimeLoaderWin32.cpp).
#pragma once

#include <string>

namespace keldo {

std::wstring Wide(const std::string& utf8);
std::string Utf8(const std::wstring& wide);

}  // namespace keldo
