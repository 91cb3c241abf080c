// Any line of an input script: the parser must neither read out of bounds nor accept
// something it cannot read back. An accepted line, written out again in its plainest
// form, must parse to the same frame and buttons.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "automation/ScriptLine.h"

using tolvex::ParseScriptLine;
using tolvex::ScriptLine;
using tolvex::ScriptParse;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Copy into a buffer of exactly `size` bytes so that a read past the end is caught.
    const std::string text(reinterpret_cast<const char*>(data), size);
    ScriptLine line;
    const ScriptParse result = ParseScriptLine(text, line);
    if (result != ScriptParse::Line) {
        return 0;
    }
    if (line.Frame < 0) {
        std::abort();
    }
    std::string again = std::to_string(line.Frame);
    for (size_t b = 0; b < line.Down.size(); ++b) {
        if (line.Down[b]) {
            again += ' ' + std::to_string(b);
        }
    }
    ScriptLine back;
    if (ParseScriptLine(again, back) != ScriptParse::Line || back.Frame != line.Frame ||
        back.Down != line.Down) {
        std::abort();
    }
    return 0;
}
