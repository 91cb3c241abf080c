// Saved data: one small file per name in the player's data folder (the game keeps its best
// score there). A file is replaced whole and atomically, and carries a format version and a
// checksum, so that a damaged, cut or foreign file is recognised and set aside rather than
// believed. Scripted and headless runs keep no saved data unless TOLVEX_SAVE_DIR names a
// folder: a test or a replay must not depend on what the player has saved, nor change it.
#include <zlib.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "automation/Recorder.h"
#include "core/Errors.h"
#include "core/FpEnv.h"
#include "core/Runtime.h"
#include "files/DataFile.h"
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
// Another game saving holds the lock for a few milliseconds; one that holds it longer is stuck.
constexpr int kLockWaitMs = 2000;

// The generation of the session that has already warned about saving: one warning a run.
uint64_t gWarnedSaveIn = 0;

uint32_t Crc32(std::string_view bytes) {
    // Saved files are at most a megabyte and a few bytes: one call takes them whole.
    return static_cast<uint32_t>(crc32(crc32(0L, Z_NULL, 0),
                                       reinterpret_cast<const Bytef*>(bytes.data()),
                                       static_cast<uInt>(bytes.size())));
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

// Whether this run keeps saved data: a player's run, or one given a folder for it.
bool KeepsSavedData() {
    const AutomationConfig& config = CurrentSession().Config;
    return !config.SaveDir.empty() ||
           (config.Headless == HeadlessMode::Window && config.InputPath.empty());
}

// This run's saved-data folder, or "" when the run keeps none (or the system names none).
std::string SaveFolder() {
    const AutomationConfig& config = CurrentSession().Config;
    if (!config.SaveDir.empty()) {
        const char separator = PathSeparator();
        return config.SaveDir.back() == separator ? config.SaveDir : config.SaveDir + separator;
    }
    return KeepsSavedData() ? UserDataFolder() : std::string{};
}

void WarnOnceAboutSaving(const std::string& text) {
    const uint64_t generation = CurrentSession().Generation;
    if (gWarnedSaveIn != generation) {
        gWarnedSaveIn = generation;
        Warn(text);
    }
}

// What this run last read or wrote under each name (nullopt: there was no file), for the
// sessions of one generation. A save replaces only what its run has seen.
std::map<std::string, std::optional<std::string>> gSeen;
uint64_t gSeenIn = 0;

std::map<std::string, std::optional<std::string>>& Seen() {
    const uint64_t generation = CurrentSession().Generation;
    if (gSeenIn != generation) {
        gSeenIn = generation;
        gSeen.clear();
    }
    return gSeen;
}

enum class OnDisk { Sound, None, Refused };

// What is saved at `path` (`name` in the messages): the payload when the file is sound; none
// when there is no file or a damaged one (set aside, with one warning); refused when it cannot
// be read, with `why`.
OnDisk ReadSaved(const std::string& name, const std::string& path, std::string& payload,
                 std::string& why) {
    std::string content;
    FileRead state = FileRead::Read;
    bool tooLarge = false;
    {
        // Closed before it may be set aside: Windows renames no open file.
        BoundedFile file(path, kHeaderBytes + kMaxPayload + kChecksumBytes);
        content = file.ReadAll();
        why = file.Why();
        state = file.State();
        tooLarge = file.TooLarge();
    }
    std::string_view sound;
    const char* damage = nullptr;
    switch (state) {
        case FileRead::Read:
            damage = Check(content, sound);
            break;
        case FileRead::Missing:
            return OnDisk::None;
        case FileRead::Refused:
            // Far too large to be saved data is damage like any other, not a file to keep.
            if (!tooLarge) {
                why = name + " " + why;
                return OnDisk::Refused;
            }
            damage = "far larger than saved data can be";
            break;
        case FileRead::Interrupted:
            why = name + " was not read: the game is ending";
            return OnDisk::Refused;
    }
    if (damage != nullptr) {
        const std::string aside = SetAside(path);
        Warn(name + " is damaged: " + damage + "; " +
             (aside.empty() ? "it could not be set aside"
                            : "set aside as " + aside.substr(aside.rfind(PathSeparator()) + 1)) +
             " (" + path + ")");
        return OnDisk::None;
    }
    payload = sound;
    return OnDisk::Sound;
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
    std::string payload;
    std::string why;
    switch (ReadSaved(file + kExtension, path, payload, why)) {
        case OnDisk::Sound:
            Seen()[file] = payload;
            return payload;
        case OnDisk::None:
            Seen()[file] = std::nullopt;
            return std::nullopt;
        case OnDisk::Refused:
            Warn(why + "; starting without it (" + path + ")");
            return std::nullopt;
    }
    return std::nullopt;
}

// Replaces the file under the folder's lock, unless another game has saved since this run last
// looked: false then, without a word.
bool SaveLocked(const std::string& file, const std::string& path, const TvBytes& data,
                std::string& why) {
    std::string payload;
    const OnDisk current = ReadSaved(file + kExtension, path, payload, why);
    if (current == OnDisk::Refused) {
        why = "cannot save " + why + " (" + path + ")";
        return false;
    }
    const auto seen = Seen().find(file);
    if (seen != Seen().end() &&
        seen->second != (current == OnDisk::Sound ? std::optional(payload) : std::nullopt)) {
        why.clear();
        return false;
    }
    if (!ReplaceFile(path, Encode(data), why)) {
        why = "cannot save " + path + ": " + why;
        return false;
    }
    Seen()[file] =
        std::string(reinterpret_cast<const char*>(data.Data), static_cast<size_t>(data.Len));
    return true;
}

// The folder's lock, let go however the save ends.
class FolderLock {
public:
    explicit FolderLock(int64_t handle) : Handle(handle) {}
    ~FolderLock() { UnlockSaveFolder(Handle); }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int64_t Handle;
};

}  // namespace

}  // namespace tolvex

using namespace tolvex;

extern "C" {

// Saves `data` under `name`; false (with one warning on standard error in the run) when it
// could not be kept, and false without a word when the run keeps no saved data or when
// another game has saved under the name since this run last loaded or saved it (the caller
// loads it again and decides).
bool SaveSaveData(const TvStr* name, const TvBytes* data) {
    RequireReady("SaveSaveData");
    const std::string file = CheckedName(name, "SaveSaveData");
    if (data == nullptr || data->Len < 0 || static_cast<uint64_t>(data->Len) > kMaxPayload) {
        Raise(TV_ERR_ARG, "SaveSaveData: the data is null or larger than %zu bytes", kMaxPayload);
    }
    DefaultFpEnv fp;
    const std::string folder = SaveFolder();
    if (folder.empty()) {
        if (KeepsSavedData() && UserDataFolder().empty()) {
            WarnOnceAboutSaving(
                "no folder for saved data (HOME is not set, nor XDG_DATA_HOME to a full "
                "path); " +
                file + " is not saved");
        }
        return false;
    }
    std::string why;
    if (!MakeFolders(folder, why)) {
        WarnOnceAboutSaving("cannot make the folder " + folder + " (" + why + "); " + file +
                            " is not saved");
        return false;
    }
    const std::string path = folder + file + kExtension;
    const int64_t lock = LockSaveFolder(folder, kLockWaitMs, why);
    if (lock == kNoLock) {
        WarnOnceAboutSaving("cannot lock the folder " + folder + " (" + why + "); " + file +
                            " is not saved");
        return false;
    }
    bool saved = false;
    {
        const FolderLock held(lock);
        saved = SaveLocked(file, path, *data, why);
    }
    if (!saved && !why.empty()) {
        WarnOnceAboutSaving(why);
    }
    return saved;
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
