#include "automation/ScriptLine.h"

#include <charconv>

namespace tolvex {

namespace {

bool ParseCount(std::string_view token, int64_t& value) {
    if (token.empty() || token.front() == '-' || token.front() == '+') {
        return false;
    }
    const auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), value);
    return ec == std::errc{} && end == token.data() + token.size();
}

}  // namespace

ScriptParse ParseScriptLine(std::string_view text, ScriptLine& out) {
    out = ScriptLine{};
    text = text.substr(0, text.find('#'));
    bool first = true;
    for (;;) {
        const size_t start = text.find_first_not_of(" \t\r");
        if (start == std::string_view::npos) {
            break;
        }
        text.remove_prefix(start);
        const std::string_view token = text.substr(0, text.find_first_of(" \t\r"));
        text.remove_prefix(token.size());
        int64_t value = 0;
        const bool number = ParseCount(token, value);
        if (first) {
            if (!number) {
                return ScriptParse::BadFrame;
            }
            out.Frame = value;
            first = false;
        } else {
            if (!number || value >= TV_PAD_BUTTONS) {
                return ScriptParse::BadButton;
            }
            out.Down[static_cast<size_t>(value)] = true;
        }
    }
    return first ? ScriptParse::Blank : ScriptParse::Line;
}

}  // namespace tolvex
