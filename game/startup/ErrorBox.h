// The box that shows a player who started the game without a console why it cannot go on
// (Windows). The system's message box wraps its text at a narrow width of its own, which
// breaks a long path across lines; this one is as wide as its longest line.
#pragma once

#include <string>

namespace keldo {

// Shows `text` (UTF-8, lines split at '\n') under `title` with an error sign and an OK
// button, and waits until the player closes it.
void ShowErrorBox(const std::string& title, const std::string& text);

}  // namespace keldo
