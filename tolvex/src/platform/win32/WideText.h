// UTF-8 to and from the UTF-16 of Windows' own calls.
#pragma once

#include <string>

namespace tolvex {

std::wstring Wide(const std::string& utf8);
std::string Utf8(const std::wstring& wide);

}  // namespace tolvex
