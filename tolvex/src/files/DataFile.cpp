#include "files/DataFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include <string_view>

#include "core/Errors.h"
#include "core/Runtime.h"
#include "platform/Platform.h"

namespace tolvex {

namespace {

constexpr const char* kDecodeAheadList = "decode_ahead.txt";
// A few hundred lines at most: the game loads twenty files.
constexpr uint64_t kMaxListBytes = 64 << 10;

// Small enough that a stop request is seen at once, large enough to cost nothing.
constexpr size_t kReadChunk = size_t{1} << 20;

}  // namespace

std::string Megabytes(uint64_t bytes) {
    return std::to_string((bytes + (uint64_t{1} << 20) - 1) >> 20) + " MB";
}

std::vector<unsigned char> ReadDataFile(const std::string& name, const char* entry,
                                        uint64_t maxBytes, bool emptyOk) {
    namespace fs = std::filesystem;
    const std::string path = DataPath(name);
    std::error_code error;
    const fs::file_status status = fs::status(FilePath(path), error);
    if (error) {
        Raise(TV_ERR_FILE, "%s: cannot open %s: %s (%s)", entry, name.c_str(),
              error.message().c_str(), path.c_str());
    }
    // A pipe would wait for a writer, a device would never end, a folder cannot be read.
    if (!fs::is_regular_file(status)) {
        Raise(TV_ERR_FILE, "%s: %s is not an ordinary file (%s)", entry, name.c_str(),
              path.c_str());
    }
    const uint64_t size = fs::file_size(FilePath(path), error);
    if (!error && size > maxBytes) {
        Raise(TV_ERR_FILE, "%s: %s is larger than the %s allowed (%s)", entry, name.c_str(),
              Megabytes(maxBytes).c_str(), path.c_str());
    }
    std::ifstream in(FilePath(path), std::ios::binary);
    if (!in) {
        Raise(TV_ERR_FILE, "%s: cannot open %s: %s (%s)", entry, name.c_str(), std::strerror(errno),
              path.c_str());
    }
    std::vector<unsigned char> bytes;
    try {
        // The size may change under us: read to the end, never past the limit.
        for (;;) {
            if (InterruptRequested()) {
                RaiseInterrupted(entry);
            }
            const size_t had = bytes.size();
            bytes.resize(had + kReadChunk);
            in.read(reinterpret_cast<char*>(bytes.data() + had), kReadChunk);
            bytes.resize(had + static_cast<size_t>(in.gcount()));
            if (bytes.size() > maxBytes) {
                Raise(TV_ERR_FILE, "%s: %s is larger than the %s allowed (%s)", entry, name.c_str(),
                      Megabytes(maxBytes).c_str(), path.c_str());
            }
            if (!in) {
                break;
            }
        }
    } catch (const std::bad_alloc&) {
        Raise(TV_ERR_FILE, "%s: out of memory while reading %s (%s)", entry, name.c_str(),
              path.c_str());
    }
    if (in.bad()) {
        Raise(TV_ERR_FILE, "%s: cannot read %s (%s)", entry, name.c_str(), path.c_str());
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
    const std::vector<unsigned char> bytes =
        ReadDataFile(kDecodeAheadList, "Init", kMaxListBytes, true);
    std::vector<std::string> names;
    std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
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
