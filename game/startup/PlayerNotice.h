// Where the run's ending line goes besides standard error. A Windows program with a window
// has no console of its own: started from one, it joins it; double-clicked, the player would
// never see standard error, so the line is shown in a message box, under advice in plain
// words, and kept in a log.
#pragma once

#include <string>

namespace keldo {

// Joins the console of the program that started this one, if it has one, so that the ending
// line, the traces and Ctrl+C work there. Called first thing, by InstallFaultTrap.
void JoinParentConsole();

// Writes the ending line (without its line end) to standard error, and where nobody reads
// that, tells the player another way.
void ReportEnding(const std::string& line);

}  // namespace keldo
