#include "files/UserFiles.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <random>
#include <system_error>
#include <utility>

#include "core/Errors.h"
#include "core/Runtime.h"
#include "platform/Platform.h"

namespace tolvex {

namespace {

std::string gFolderName = "tolvex";

}  // namespace

void SetUserFolderName(std::string_view title) {
    std::string name;
    for (const char c : title.substr(0, title.find(' '))) {
        const auto u = static_cast<unsigned char>(c);
        // Anything that could climb out of the folder or upset a shell is left out.
        if (std::isalnum(u) != 0 || c == '-' || c == '_') {
            name.push_back(static_cast<char>(std::tolower(u)));
        }
    }
    gFolderName = name.empty() ? "tolvex" : name;
}

const std::string& UserFolderName() { return gFolderName; }

bool MakeFolders(const std::string& folder, std::string& why) {
    std::error_code error;
    std::filesystem::create_directories(FilePath(folder), error);
    if (error) {
        why = error.message();
        return false;
    }
    return true;
}

std::string SetAside(const std::string& path) {
    const std::u8string name = FilePath(path).filename().u8string();
    return RenameInFolder(path, std::string(name.begin(), name.end()) + ".bad") ? path + ".bad"
                                                                                : std::string{};
}

void Warn(const std::string& text) {
    const std::string line = "tolvex: warning: " + Escaped(text) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    // A run that a program drives keeps its lines its caller's.
    const AutomationConfig& config = CurrentSession().Config;
    if (config.Headless == HeadlessMode::Window && config.InputPath.empty() &&
        config.TracePath.empty() && config.AudioOutPath.empty() && config.Shots.empty() &&
        config.FrameLimit == 0 && !config.HasSeed && !config.Pace) {
        LogForPlayer("tolvex: warning: " + Escaped(text));
    }
    Notify(Escaped(text));
}

void WarnOncePerRun(uint64_t& mark, const std::string& text) {
    const uint64_t generation = CurrentSession().Generation;
    if (mark != generation) {
        mark = generation;
        Warn(text);
    }
}

namespace {

// Said before anyone draws them, a burst of warnings must not grow without end.
constexpr size_t kMaxPendingNotices = 8;

struct Notices {
    std::mutex Lock;
    std::vector<std::string> Pending;
};
Notices gNotices;

}  // namespace

void Notify(const std::string& text) {
    const std::lock_guard<std::mutex> held(gNotices.Lock);
    if (gNotices.Pending.size() < kMaxPendingNotices) {
        gNotices.Pending.push_back(text);
    }
}

std::vector<std::string> TakeNotices() {
    const std::lock_guard<std::mutex> held(gNotices.Lock);
    return std::exchange(gNotices.Pending, {});
}

namespace {

constexpr const char* kTemporaryMark = ".tmp.";

}  // namespace

std::string TemporaryName(const std::string& path) {
    // The process number lets a later run tell a dead writer's file; the random part keeps
    // the name from being known before it is made.
    static thread_local std::random_device random;
    char tail[24];
    std::snprintf(tail, sizeof tail, ".%08x%08x", random(), random());
    return path + kTemporaryMark + std::to_string(CurrentProcessId()) + tail;
}

void RemoveDeadTemporaries(const std::string& path) {
    const std::filesystem::path target = FilePath(path);
    const std::string prefix = target.filename().string() + kTemporaryMark;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(target.parent_path(), error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) != 0) {
            continue;
        }
        char* end = nullptr;
        const unsigned long long id = std::strtoull(name.c_str() + prefix.size(), &end, 10);
        if (id != 0 && (*end == '\0' || *end == '.') && ProcessIsGone(id)) {
            const std::u8string dead = entry.path().u8string();
            RemoveFile(std::string(dead.begin(), dead.end()));
        }
    }
}

}  // namespace tolvex
