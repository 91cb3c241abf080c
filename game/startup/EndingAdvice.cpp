#include "startup/EndingAdvice.h"

#include <cstdint>
#include <cstdlib>

#include "Tolvex.h"
#include "runtime/GameException.h"

namespace keldo {

namespace {

constexpr std::string_view kCodeMark = "(code ";

// The number at the end of the line, in either of the forms the program writes it; 0 when
// the line has none.
uint64_t EndingCode(std::string_view line) {
    const size_t at = line.rfind(kCodeMark);
    if (at == std::string_view::npos) {
        return 0;
    }
    const std::string number(line.substr(at + kCodeMark.size()));
    return std::strtoull(number.c_str(), nullptr, 0);
}

bool Says(std::string_view line, std::string_view words) {
    return line.find(words) != std::string_view::npos;
}

}  // namespace

std::string EndingAdvice(std::string_view line) {
    const uint64_t code = EndingCode(line);
    // Memory first: reading a picture, say, may be where it ran out.
    if (Says(line, "out of memory") || Says(line, "memory run out")) {
        return "The computer ran out of memory: close other programs and start the game again.";
    }
    if ((code == static_cast<uint64_t>(kErrRuntimeMissing) && Says(line, "has no entry")) ||
        code == TV_ERR_UNSUPPORTED) {
        return "The game's Data folder holds a library from another version: delete the game's "
               "folder and unpack the whole zip again.";
    }
    if (code == static_cast<uint64_t>(kErrRuntimeMissing) || code == TV_ERR_FILE) {
        return "The game's Data folder is missing or damaged: unpack the whole zip again.";
    }
    if (code == TV_ERR_PLATFORM && Says(line, "sound")) {
        return "The game could not start the sound: check that a sound device is connected and "
               "turned on, then start the game again.";
    }
    if (code == TV_ERR_PLATFORM) {
        return "The game could not open its window or draw in it: update the graphics driver, "
               "or set TOLVEX_RENDERER=software, and start the game again.";
    }
    if (code == TV_ERR_CONFIG) {
        return "A setting given to the game (a TOLVEX_ variable) is not one it can use: correct "
               "it or leave it out, and start the game again.";
    }
    return "Something went wrong inside the game: start it again, and if it happens again, "
           "report the line below.";
}

std::string EndingBoxText(std::string_view line) {
    std::string text = EndingAdvice(line) + "\n\n";
    size_t from = 0;
    for (size_t at = line.find(" ("); at != std::string_view::npos; at = line.find(" (", at + 1)) {
        const size_t close = line.find(')', at);
        const std::string_view group = line.substr(at, close - at);
        if (group.find_first_of("/\\") != std::string_view::npos) {
            text.append(line.substr(from, at - from)).push_back('\n');
            from = at + 1;
        }
    }
    return text.append(line.substr(from));
}

}  // namespace keldo
