// Numbers to and from text, shared by the conversion entries and the file streams.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tolvex {

// The text without the ASCII blanks around it.
std::string_view Trim(std::string_view text);

// The whole text must be the number; ASCII blanks around it are allowed.
bool ParseInt(std::string_view text, int64_t& value);
bool ParseReal(std::string_view text, double& value);

// The shortest text that reads back as the same double.
std::string RoundTripText(double x);

}  // namespace tolvex
