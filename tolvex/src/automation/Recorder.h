// Recording a live session as an input script (TOLVEX_RECORD), and the seed line that lets
// the recording replay exactly.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tolvex {

// Starts the recording at `path` with its first line "# seed N"; TV_ERR_CONFIG on failure.
void OpenRecording(const std::string& path, uint64_t seed);
void CloseRecording();
// Once per Act, with the pad-0 buttons down in the frame that begins (bit b: button b): a
// line for every frame in which they change, handed to the file at once.
void RecordButtons(int64_t frame, uint32_t down);

// Saved data that the recorded session loaded ("# load NAME HEX", or "-" for none), so that
// its replay sees the same best score even though a replay keeps no saved data of its own.
void RecordLoad(const std::string& name, const std::string* data);

// Reads the comment lines at the head of an input script file: the seed ("# seed N") and the
// saved data the recorded session loaded. Only a regular file is looked at: a pipe is read by
// the game as it goes and cannot be peeked at. A seed that is not a number, or a load line
// that does not read, raises TV_ERR_CONFIG.
std::optional<uint64_t> ReadScriptHead(const std::string& path);
// What the recording says the session loaded under `name`: nullopt when it says nothing, a
// null inner pointer when it says there was nothing. Valid until the next ReadScriptHead.
std::optional<const std::string*> ReplayedLoad(const std::string& name);
void ForgetScriptHead();

}  // namespace tolvex
