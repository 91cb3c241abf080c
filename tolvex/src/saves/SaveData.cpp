// Saved data: one small file per name in the player's data folder (the game keeps its best
// score there). A file is replaced whole and atomically, and carries a format version and a
// checksum, so that a damaged, cut or foreign file is recognised and set aside rather than
// believed. Scripted and headless runs keep no saved data unless TOLVEX_SAVE_DIR names a
// folder: a test or a replay must not depend on what the player has saved, nor change it.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "automation/Recorder.h"
#include "core/Errors.h"
#include "core/FpEnv.h"
#include "core/Runtime.h"
#include "files/UserFiles.h"
#include "plain/Streams.h"
#include "plain/TvText.h"
#include "platform/Environment.h"
#include "platform/Platform.h"

namespace tolvex {

namespace {

constexpr std::string_view kMagic = "TVSD";
constexpr uint32_t kFormatVersion = 1;
// Magic, version (4 bytes) and payload length (8 bytes), all little-endian.
constexpr size_t kHeaderBytes = 16;
// CRC-32 of everything before it.
constexpr size_t kChecksumBytes = 4;
// Saved data is a few bytes; a file far larger than this is not ours.
constexpr size_t kMaxPayload = 1 << 20;
constexpr size_t kMaxNameLength = 64;
constexpr const char* kExtension = ".sav";

// The generation of the session that has already warned about saving: one warning a run.
uint64_t gWarnedSaveIn = 0;

uint32_t Crc32(std::string_view bytes) {
    uint32_t crc = 0xFFFFFFFFu;
    for (const char c : bytes) {
        crc ^= static_cast<uint8_t>(c);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

void PutLe(std::string& out, uint64_t value, size_t bytes) {
    for (size_t i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

uint64_t GetLe(std::string_view in, size_t at, size_t bytes) {
    uint64_t value = 0;
    for (size_t i = 0; i < bytes; ++i) {
        value |= static_cast<uint64_t>(static_cast<uint8_t>(in[at + i])) << (8 * i);
    }
    return value;
}

std::string Encode(const TvBytes& data) {
    std::string file(kMagic);
    PutLe(file, kFormatVersion, 4);
    PutLe(file, static_cast<uint64_t>(data.Len), 8);
    file.append(reinterpret_cast<const char*>(data.Data), static_cast<size_t>(data.Len));
    PutLe(file, Crc32(file), kChecksumBytes);
    return file;
}

// Why `file` cannot be believed, or nullptr when it is sound (then `payload` is its content).
const char* Check(std::string_view file, std::string_view& payload) {
    if (file.size() < kHeaderBytes + kChecksumBytes || file.substr(0, kMagic.size()) != kMagic) {
        return file.empty() ? "empty" : "not a saved-data file";
    }
    if (GetLe(file, kMagic.size(), 4) != kFormatVersion) {
        return "an unknown format version";
    }
    const uint64_t length = GetLe(file, kMagic.size() + 4, 8);
    if (length != file.size() - kHeaderBytes - kChecksumBytes) {
        return "cut short or overlong";
    }
    const size_t body = file.size() - kChecksumBytes;
    if (GetLe(file, body, kChecksumBytes) != Crc32(file.substr(0, body))) {
        return "the checksum does not match";
    }
    payload = file.substr(kHeaderBytes, static_cast<size_t>(length));
    return nullptr;
}

// A name becomes a file name, so it may only be a plain word.
std::string CheckedName(const TvStr* name, const char* entry) {
    const std::string text = ToUtf8(name, entry);
    bool plain = !text.empty() && text.size() <= kMaxNameLength;
    for (const char c : text) {
        plain = plain && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '-' || c == '_');
    }
    if (!plain) {
        Raise(TV_ERR_ARG, "%s: '%.64s' is not a name of 1 to 64 letters, digits, - or _", entry,
              text.c_str());
    }
    return text;
}

// This run's saved-data folder, or "" when the run keeps none.
std::string SaveFolder() {
    const AutomationConfig& config = CurrentSession().Config;
    if (!config.SaveDir.empty()) {
        const char separator = PathSeparator();
        return config.SaveDir.back() == separator ? config.SaveDir : config.SaveDir + separator;
    }
    if (config.Headless != HeadlessMode::Window || !config.InputPath.empty()) {
        return {};
    }
    return UserDataFolder();
}

void WarnOnceAboutSaving(const std::string& text) {
    const uint64_t generation = CurrentSession().Generation;
    if (gWarnedSaveIn != generation) {
        gWarnedSaveIn = generation;
        Warn(text);
    }
}

// The whole file, or false with errno set. Reads at most `limit` bytes and one more, enough
// to tell that a file is too large.
bool ReadWhole(const std::string& path, size_t limit, std::string& out) {
    std::FILE* file = OpenFile(path, "rb");
    if (file == nullptr) {
        return false;
    }
    char chunk[4096];
    size_t n = 0;
    while (out.size() <= limit && (n = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        out.append(chunk, n);
    }
    const bool failed = std::ferror(file) != 0;
    const int error = errno;
    std::fclose(file);
    errno = error;
    return !failed;
}

std::optional<std::string> LoadPayload(const std::string& file) {
    const std::string folder = SaveFolder();
    if (folder.empty()) {
        // A replay sees what the recorded session loaded.
        const std::optional<const std::string*> replayed = ReplayedLoad(file);
        return replayed && *replayed != nullptr ? std::optional<std::string>(**replayed)
                                                : std::nullopt;
    }
    const std::string path = folder + file + kExtension;
    RemoveDeadTemporaries(path);
    std::string content;
    if (!ReadWhole(path, kHeaderBytes + kMaxPayload + kChecksumBytes, content)) {
        if (errno != ENOENT) {
            Warn("cannot read " + path + ": " + std::strerror(errno) + "; starting without it");
        }
        return std::nullopt;
    }
    std::string_view payload;
    if (const char* why = Check(content, payload)) {
        const std::string aside = SetAside(path);
        Warn(path + " is damaged (" + why + "); " +
             (aside.empty() ? "it could not be set aside" : "set aside as " + aside) +
             "; starting without it");
        return std::nullopt;
    }
    return std::string(payload);
}

}  // namespace

}  // namespace tolvex

using namespace tolvex;

extern "C" {

// Saves `data` under `name`; false (with one warning on standard error in the run) when it
// could not be kept, and false without a word when the run keeps no saved data.
bool SaveSaveData(const TvStr* name, const TvBytes* data) {
    RequireReady("SaveSaveData");
    const std::string file = CheckedName(name, "SaveSaveData");
    if (data == nullptr || data->Len < 0 || static_cast<uint64_t>(data->Len) > kMaxPayload) {
        Raise(TV_ERR_ARG, "SaveSaveData: the data is null or larger than %zu bytes", kMaxPayload);
    }
    DefaultFpEnv fp;
    const std::string folder = SaveFolder();
    if (folder.empty()) {
        return false;
    }
    std::string why;
    if (!MakeFolders(folder, why)) {
        WarnOnceAboutSaving("cannot make the folder " + folder + " (" + why + "); " + file +
                            " is not saved");
        return false;
    }
    const std::string path = folder + file + kExtension;
    if (!ReplaceFile(path, Encode(*data), why)) {
        WarnOnceAboutSaving("cannot save " + path + ": " + why);
        return false;
    }
    return true;
}

// What was saved under `name`, or null when there is nothing (or nothing sound) to give.
TvBytes* LoadSaveData(const TvStr* name) {
    RequireReady("LoadSaveData");
    const std::string file = CheckedName(name, "LoadSaveData");
    DefaultFpEnv fp;
    const std::optional<std::string> payload = LoadPayload(file);
    RecordLoad(file, payload ? &*payload : nullptr);
    return payload ? NewBytes(payload->data(), payload->size()) : nullptr;
}

}  // extern "C"
