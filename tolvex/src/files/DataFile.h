// Reading the files of the Data folder: whole, within a size limit, only ordinary files, and
// given up as soon as a stop is asked for. Every failure names the file, cause first.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tolvex {

// Reads Data/`name` whole. `entry` starts every message. Raises TV_ERR_FILE when the file is
// missing, not an ordinary file, empty (unless `emptyOk`), larger than `maxBytes` or
// unreadable, TV_ERR_CLOSED when SIGINT or the like arrives while reading.
std::vector<unsigned char> ReadDataFile(const std::string& name, const char* entry,
                                        uint64_t maxBytes, bool emptyOk = false);

// The files the game will load, in the order it first needs them, from the build's list
// Data/decode_ahead.txt: the library decodes these, and nothing else, ahead of the loads.
// None when there is no list; a list that is not one raises TV_ERR_FILE.
std::vector<std::string> ReadDecodeAheadList();

// Sounds are Ogg Vorbis files; everything else the game loads is a picture.
bool IsSoundFile(const std::string& name);

// "N MB" for a message about a limit.
std::string Megabytes(uint64_t bytes);

}  // namespace tolvex
