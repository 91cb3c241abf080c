// What a player who double-clicked the game is told to do when its start fails: one sentence
// in plain words, chosen from the kind of failure the ending line names, shown above that line.
#pragma once

#include <string>
#include <string_view>

namespace keldo {

// The advice for the ending line `line` ("keldo: ... (code N)").
std::string EndingAdvice(std::string_view line);

// The text of the box that tells it: the advice, then the line laid out so that what it names
// in brackets (a path, above all) starts a line of its own and is not broken across two.
std::string EndingBoxText(std::string_view line);

}  // namespace keldo
