#include "files/DataFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <new>
#include <string_view>

#include "core/Errors.h"
#include "core/Runtime.h"
#include "platform/Host.h"
#include "platform/Platform.h"

namespace tolvex {

namespace {

constexpr const char* kDecodeAheadList = "decode_ahead.txt";
// A few hundred lines at most: the game loads twenty files.
constexpr uint64_t kMaxListBytes = 64 << 10;

// Small enough that a stop request is seen at once, large enough to cost nothing.
constexpr size_t kReadChunk = size_t{1} << 20;
constexpr size_t kSmallChunk = size_t{4} << 10;

}  // namespace

std::string Megabytes(uint64_t bytes) {
    return std::to_string((bytes + (uint64_t{1} << 20) - 1) >> 20) + " MB";
}

namespace {

// The player's small files have their limits in kilobytes.
std::string SizeText(uint64_t bytes) {
    return bytes >= (uint64_t{1} << 20) ? Megabytes(bytes)
                                        : std::to_string((bytes + 1023) >> 10) + " kB";
}

}  // namespace

BoundedFile::BoundedFile(const std::string& path, uint64_t maxBytes) : MaxBytes_(maxBytes) {
    Fd_ = OpenOrdinaryFile(path, Size_);
    if (Fd_ == kNotOrdinaryFile) {
        Fd_ = -1;
        Fail(FileRead::Refused, "is not an ordinary file");
    } else if (Fd_ < 0) {
        const int error = errno;
        Fail(error == ENOENT ? FileRead::Missing : FileRead::Refused,
             std::string("cannot be opened: ") + std::strerror(error));
    } else if (Size_ > maxBytes) {
        FailTooLarge();
    }
}

BoundedFile::~BoundedFile() {
    if (Fd_ >= 0) {
        CloseOrdinaryFile(Fd_);
    }
}

void BoundedFile::Fail(FileRead state, std::string why) {
    State_ = state;
    Why_ = std::move(why);
    Pending_.clear();
}

void BoundedFile::FailTooLarge() {
    Fail(FileRead::Refused, "is larger than the " + SizeText(MaxBytes_) + " allowed");
    TooLarge_ = true;
}

bool BoundedFile::Fill() {
    if (State_ != FileRead::Read || AtEnd_) {
        return false;
    }
    if (InterruptRequested()) {
        Fail(FileRead::Interrupted, "a stop was asked for");
        return false;
    }
    // The size may change under us: read to the end, never past the limit. A small file is
    // read in one small chunk (and the one that finds its end).
    const size_t chunk = static_cast<size_t>(
        std::clamp<uint64_t>(Size_ > Taken_ ? Size_ - Taken_ + 1 : 0, kSmallChunk, kReadChunk));
    const size_t had = Pending_.size();
    Pending_.resize(had + chunk);
    const long n = ReadOrdinaryFile(Fd_, Pending_.data() + had, chunk);
    Pending_.resize(had + static_cast<size_t>(n > 0 ? n : 0));
    if (n < 0) {
        Fail(FileRead::Refused, std::string("cannot be read: ") + std::strerror(errno));
        return false;
    }
    Taken_ += static_cast<uint64_t>(n);
    if (Taken_ > MaxBytes_) {
        FailTooLarge();
        return false;
    }
    AtEnd_ = n == 0;
    return n > 0;
}

std::string BoundedFile::ReadAll() {
    while (Fill()) {
    }
    return State_ == FileRead::Read ? std::move(Pending_) : std::string{};
}

bool BoundedFile::NextLine(std::string& line, bool& cut) {
    if (AtStart_) {
        while (Pending_.size() < kByteOrderMark.size() && Fill()) {
        }
        if (std::string_view(Pending_).starts_with(kByteOrderMark)) {
            Pending_.erase(0, kByteOrderMark.size());
        }
        AtStart_ = false;
    }
    // The rest of a line cut last time is skipped only now: a reader that stops at a cut line
    // never reads on through a file that may have no line end for gigabytes.
    size_t end = std::string::npos;
    while (SkipToLineEnd_ && (end = Pending_.find('\n')) == std::string::npos) {
        Pending_.clear();
        if (!Fill()) {
            break;
        }
    }
    if (SkipToLineEnd_) {
        Pending_.erase(0, end == std::string::npos ? Pending_.size() : end + 1);
        SkipToLineEnd_ = false;
    }
    cut = false;
    size_t scanned = 0;
    while ((end = Pending_.find('\n', scanned)) == std::string::npos &&
           Pending_.size() <= kMaxLineBytes) {
        scanned = Pending_.size();
        if (!Fill()) {
            break;
        }
    }
    if (State_ != FileRead::Read || (Pending_.empty() && end == std::string::npos)) {
        return false;
    }
    const size_t length = end == std::string::npos ? Pending_.size() : end;
    line.assign(Pending_, 0, std::min(length, kMaxLineBytes));
    cut = length > kMaxLineBytes;
    SkipToLineEnd_ = end == std::string::npos && cut;
    Pending_.erase(0, end == std::string::npos ? Pending_.size() : end + 1);
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return true;
}

FileRead ReadBounded(const std::string& path, uint64_t maxBytes, std::string& bytes,
                     std::string& why) {
    BoundedFile file(path, maxBytes);
    bytes = file.ReadAll();
    why = file.Why();
    return file.State();
}

std::string ReadDataFile(const std::string& name, const char* entry, uint64_t maxBytes,
                         bool emptyOk) {
    const std::string path = DataPath(name);
    // A file asked for before the host has brought it is waited for, not reported missing.
    std::error_code error;
    if (HostFilesComing() && !std::filesystem::exists(FilePath(path), error)) {
        WaitForHostFiles();
    }
    std::string bytes;
    std::string why;
    FileRead state = FileRead::Read;
    try {
        state = ReadBounded(path, maxBytes, bytes, why);
    } catch (const std::bad_alloc&) {
        Raise(TV_ERR_FILE, "%s: out of memory while reading %s (%s)", entry, name.c_str(),
              path.c_str());
    }
    if (state == FileRead::Interrupted) {
        RaiseInterrupted(entry);
    }
    if (state != FileRead::Read) {
        Raise(TV_ERR_FILE, "%s: %s %s (%s)", entry, name.c_str(), why.c_str(), path.c_str());
    }
    if (bytes.empty() && !emptyOk) {
        Raise(TV_ERR_FILE, "%s: %s is empty (%s)", entry, name.c_str(), path.c_str());
    }
    return bytes;
}

std::vector<std::string> ReadDecodeAheadList() {
    std::error_code error;
    if (!std::filesystem::exists(
            std::filesystem::symlink_status(FilePath(DataPath(kDecodeAheadList)), error))) {
        return {};
    }
    const std::string bytes = ReadDataFile(kDecodeAheadList, "Init", kMaxListBytes, true);
    std::vector<std::string> names;
    std::string_view text(bytes);
    int64_t number = 0;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        ++number;
        line = line.substr(0, line.find('#'));
        while (!line.empty() &&
               (line.back() == ' ' || line.back() == '\t' || line.back() == '\r')) {
            line.remove_suffix(1);
        }
        if (line.empty()) {
            continue;
        }
        // Only names in the Data folder itself, as the game passes them.
        if (line.find_first_of("/\\") != std::string_view::npos || line == "." || line == ".." ||
            line.find('\0') != std::string_view::npos) {
            Raise(TV_ERR_FILE, "Init: %s line %lld is not a file name in the Data folder (%s)",
                  kDecodeAheadList, static_cast<long long>(number),
                  DataPath(kDecodeAheadList).c_str());
        }
        names.emplace_back(line);
    }
    return names;
}

bool IsSoundFile(const std::string& name) { return name.ends_with(".ogg"); }

}  // namespace tolvex
