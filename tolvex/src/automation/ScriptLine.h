// One line of the input script, "F B1 B2 ...", parsed on its own: no file, no state, so
// that it can be checked (and fuzzed) apart from the reader that feeds it.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "Tolvex.h"

namespace tolvex {

struct ScriptLine {
    int64_t Frame = -1;
    std::array<bool, TV_PAD_BUTTONS> Down{};
};

enum class ScriptParse {
    Line,       // `out` holds the frame and the buttons
    Blank,      // empty, spaces only or a comment: nothing to apply
    BadFrame,   // the first field is not a decimal number
    BadButton,  // a later field is not a decimal number from 0 to 15
};

// Fields are separated by spaces, tabs or carriage returns; '#' starts a comment.
ScriptParse ParseScriptLine(std::string_view text, ScriptLine& out);

}  // namespace tolvex
