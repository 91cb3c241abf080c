// Reading files: those of the Data folder and those the player keeps (key settings, saved
// data, recordings). Every one is read the same bounded way: only an ordinary file (a pipe
// would wait for a writer, a device would never end, a folder cannot be read), within a size
// limit that fits what the file can hold, lines cut at a limit, and given up as soon as a stop
// is asked for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tolvex {

// Lines the library reads (script lines, recording heads, settings) are never longer.
constexpr size_t kMaxLineBytes = 4096;
// What an editor may put before the first line of a text file; it says nothing about the text.
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

enum class FileRead {
    Read,         // all of it
    Missing,      // there is no such file
    Refused,      // not an ordinary file, too large, or unreadable: see Why()
    Interrupted,  // a stop was asked for
};

// One file, opened without waiting and read within its limit.
class BoundedFile {
public:
    BoundedFile(const std::string& path, uint64_t maxBytes);
    ~BoundedFile();
    BoundedFile(const BoundedFile&) = delete;
    BoundedFile& operator=(const BoundedFile&) = delete;

    // Read while nothing has gone wrong and the file is not at its end.
    FileRead State() const { return State_; }
    // Why the file was refused or is missing: "is not an ordinary file", "is larger than the
    // 64 kB allowed" or the system's word.
    const std::string& Why() const { return Why_; }
    // Refused for its size alone: a file of the player's that large is not one of ours.
    bool TooLarge() const { return TooLarge_; }

    // The rest of the file.
    std::string ReadAll();
    // The next line without its line end (nor a '\r' before it); a byte-order mark at the start
    // of the file is skipped. A line longer than kMaxLineBytes is cut there and `cut` set (the
    // rest of it is skipped by the next call, so that stopping there reads no further). False
    // at the end or once State() is no longer Read.
    bool NextLine(std::string& line, bool& cut);

private:
    // More bytes into Pending_; false at the end or on failure.
    bool Fill();
    void Fail(FileRead state, std::string why);
    void FailTooLarge();

    int Fd_ = -1;
    uint64_t MaxBytes_ = 0;
    uint64_t Size_ = 0;  // when opened
    uint64_t Taken_ = 0;
    FileRead State_ = FileRead::Read;
    std::string Why_;
    std::string Pending_;
    bool AtEnd_ = false;
    bool AtStart_ = true;
    bool SkipToLineEnd_ = false;
    bool TooLarge_ = false;
};

// The whole file at `path` (or what State() says), within `maxBytes`.
FileRead ReadBounded(const std::string& path, uint64_t maxBytes, std::string& bytes,
                     std::string& why);

// Reads Data/`name` whole. `entry` starts every message. Raises TV_ERR_FILE when the file is
// missing, not an ordinary file, empty (unless `emptyOk`), larger than `maxBytes` or
// unreadable, TV_ERR_CLOSED when SIGINT or the like arrives while reading.
std::string ReadDataFile(const std::string& name, const char* entry, uint64_t maxBytes,
                         bool emptyOk = false);

// The files the game will load, in the order it first needs them, from the build's list
// Data/decode_ahead.txt: the library decodes these, and nothing else, ahead of the loads.
// None when there is no list; a list that is not one raises TV_ERR_FILE.
std::vector<std::string> ReadDecodeAheadList();

// Sounds are Ogg Vorbis files; everything else the game loads is a picture.
bool IsSoundFile(const std::string& name);

// "N MB" for a message about a limit.
std::string Megabytes(uint64_t bytes);

}  // namespace tolvex
