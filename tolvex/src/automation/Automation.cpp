#include "core/Automation.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>

#include "automation/ScriptLine.h"
#include "core/Errors.h"
#include "core/Runtime.h"
#include "files/DataFile.h"
#include "files/UserFiles.h"
#include "plain/RealText.h"
#include "platform/Environment.h"
#include "platform/Platform.h"

namespace tolvex {

namespace {

std::string_view EnvValue(const char* name) {
    const char* value = EnvironmentValue(name);
    return value == nullptr ? std::string_view{} : std::string_view{value};
}

template <typename Int>
std::optional<Int> ParseDecimal(std::string_view text) {
    Int value{};
    if (text.empty() || text.front() == '-' || text.front() == '+') {
        return std::nullopt;
    }
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::vector<ShotRequest> ParseShots(std::string_view text) {
    std::vector<ShotRequest> shots;
    while (!text.empty()) {
        const size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
        const size_t colon = item.find(':');
        const auto frame = colon == std::string_view::npos
                               ? std::nullopt
                               : ParseDecimal<int64_t>(item.substr(0, colon));
        if (!frame || colon + 1 >= item.size()) {
            Raise(TV_ERR_CONFIG, "TOLVEX_SHOT: '%s' is not FRAME:PATH", Quoted(item).c_str());
        }
        shots.push_back({*frame, std::string(item.substr(colon + 1))});
    }
    for (size_t i = 1; i < shots.size(); ++i) {
        if (shots[i].Frame < shots[i - 1].Frame) {
            Raise(
                TV_ERR_CONFIG, "TOLVEX_SHOT: frames must be in increasing order (%lld after %lld)",
                static_cast<long long>(shots[i].Frame), static_cast<long long>(shots[i - 1].Frame));
        }
    }
    for (const ShotRequest& shot : shots) {
        // Better to fail now than after a long run, when the picture is due.
        if (!FolderWritable(shot.Path)) {
            Raise(TV_ERR_CONFIG, "TOLVEX_SHOT: cannot write: %s (%s)", std::strerror(errno),
                  shot.Path.c_str());
        }
    }
    return shots;
}

// Whether two names lead to one file: the same file after links when both exist, the same
// name in the same folder when neither does yet. A device (/dev/null) takes any number of
// writers.
bool SameFile(const std::string& a, const std::string& b) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path first = FilePath(a);
    const fs::path second = FilePath(b);
    const bool firstIs = fs::exists(first, error);
    const bool secondIs = fs::exists(second, error);
    if (firstIs && secondIs) {
        return fs::equivalent(first, second, error) && !error &&
               !fs::is_character_file(first, error);
    }
    const auto folder = [](const fs::path& path) {
        return path.has_parent_path() ? path.parent_path() : fs::path(".");
    };
    return !firstIs && !secondIs && first.filename() == second.filename() &&
           fs::equivalent(folder(first), folder(second), error) && !error;
}

// No run writes over its own input, nor two of its outputs over each other: checked before
// anything is opened for writing.
void CheckFilesApart(const AutomationConfig& config) {
    std::vector<std::pair<const char*, std::string>> files = {
        {"TOLVEX_INPUT", config.InputPath},
        {"TOLVEX_TRACE", config.TracePath},
        {"TOLVEX_AUDIO_OUT", config.AudioOutPath},
        {"TOLVEX_RECORD", config.RecordPath},
    };
    const size_t named = files.size();
    for (const ShotRequest& shot : config.Shots) {
        files.emplace_back("TOLVEX_SHOT", shot.Path);
    }
    for (size_t later = 1; later < files.size(); ++later) {
        // One picture path given to several frames keeps the last picture, as asked.
        for (size_t earlier = 0; earlier < std::min(later, named); ++earlier) {
            const auto& [laterName, laterPath] = files[later];
            const auto& [earlierName, earlierPath] = files[earlier];
            if (!laterPath.empty() && !earlierPath.empty() && SameFile(laterPath, earlierPath)) {
                Raise(TV_ERR_CONFIG, "%s and %s name the same file (%s)", laterName, earlierName,
                      laterPath.c_str());
            }
        }
    }
}

// A pattern of 'd' and 's' that shows at least one frame in kMaxSkippedInRow + 1, also
// where it wraps round.
std::string ParseSkipPattern(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    const auto bad = [&](const char* why) {
        Raise(TV_ERR_CONFIG, "TOLVEX_SKIP: '%s' %s", Quoted(text).c_str(), why);
    };
    if (text.find_first_not_of("ds") != std::string_view::npos) {
        bad("is not a pattern of d (drawn) and s (skipped)");
    }
    if (text.find('d') == std::string_view::npos) {
        bad("draws no frame at all");
    }
    int inRow = 0;
    for (size_t i = 0; i < 2 * text.size(); ++i) {
        inRow = text[i % text.size()] == 's' ? inRow + 1 : 0;
        if (inRow > kMaxSkippedInRow) {
            Raise(TV_ERR_CONFIG, "TOLVEX_SKIP: '%s' skips more than %d frames in a row",
                  Quoted(text).c_str(), kMaxSkippedInRow);
        }
    }
    return std::string(text);
}

}  // namespace

AutomationConfig ReadAutomationConfig() {
    AutomationConfig config;

    const std::string_view headless = EnvValue("TOLVEX_HEADLESS");
    if (headless == "1") {
        config.Headless = HeadlessMode::Render;
    } else if (headless == "null") {
        config.Headless = HeadlessMode::Null;
    } else if (!headless.empty()) {
        Raise(TV_ERR_CONFIG, "TOLVEX_HEADLESS: '%s' is not 1, null or empty",
              Quoted(headless).c_str());
    }

    const std::string_view pace = EnvValue("TOLVEX_PACE");
    if (pace == "1") {
        config.Pace = true;
    } else if (!pace.empty() && pace != "0") {
        Raise(TV_ERR_CONFIG, "TOLVEX_PACE: '%s' is not 1, 0 or empty", Quoted(pace).c_str());
    }

    const std::string_view renderer = EnvValue("TOLVEX_RENDERER");
    if (renderer == "accelerated") {
        config.Renderer = RendererChoice::Accelerated;
    } else if (renderer == "software") {
        config.Renderer = RendererChoice::Software;
    } else if (!renderer.empty()) {
        Raise(TV_ERR_CONFIG, "TOLVEX_RENDERER: '%s' is not accelerated, software or empty",
              Quoted(renderer).c_str());
    }

    const std::string_view seed = EnvValue("TOLVEX_SEED");
    if (!seed.empty()) {
        const auto value = ParseDecimal<uint64_t>(seed);
        if (!value) {
            Raise(TV_ERR_CONFIG, "TOLVEX_SEED: '%s' is not a decimal unsigned 64-bit number",
                  Quoted(seed).c_str());
        }
        config.HasSeed = true;
        config.Seed = *value;
    }

    const std::string_view frames = EnvValue("TOLVEX_FRAMES");
    if (!frames.empty()) {
        const auto value = ParseDecimal<int64_t>(frames);
        if (!value || *value < 1) {
            Raise(TV_ERR_CONFIG, "TOLVEX_FRAMES: '%s' is not a frame count of 1 or more",
                  Quoted(frames).c_str());
        }
        config.FrameLimit = *value;
    }

    config.SkipPattern = ParseSkipPattern(EnvValue("TOLVEX_SKIP"));

    config.InputPath = EnvValue("TOLVEX_INPUT");
    config.TracePath = EnvValue("TOLVEX_TRACE");
    config.AudioOutPath = EnvValue("TOLVEX_AUDIO_OUT");
    config.Shots = ParseShots(EnvValue("TOLVEX_SHOT"));
    // The last frame is TOLVEX_FRAMES - 1: a picture due later would never be taken.
    if (config.FrameLimit != 0 && !config.Shots.empty() &&
        config.Shots.back().Frame >= config.FrameLimit) {
        Raise(TV_ERR_CONFIG,
              "TOLVEX_SHOT: frame %lld comes after the last frame, %lld (TOLVEX_FRAMES)",
              static_cast<long long>(config.Shots.back().Frame),
              static_cast<long long>(config.FrameLimit - 1));
    }
    if (!config.Shots.empty() && config.Headless == HeadlessMode::Null) {
        Raise(TV_ERR_CONFIG,
              "TOLVEX_SHOT: screenshots need rendering, but TOLVEX_HEADLESS=null renders nothing");
    }
    config.SaveDir = EnvValue("TOLVEX_SAVE_DIR");
    if (!config.SaveDir.empty() && !IsFolder(config.SaveDir)) {
        Raise(TV_ERR_CONFIG, "TOLVEX_SAVE_DIR: '%s' is not a folder",
              Quoted(config.SaveDir).c_str());
    }
    config.RecordPath = EnvValue("TOLVEX_RECORD");
    if (!config.RecordPath.empty() &&
        (config.Headless != HeadlessMode::Window || !config.InputPath.empty())) {
        Raise(TV_ERR_CONFIG,
              "TOLVEX_RECORD: only a live session in a window is recorded, not one with "
              "TOLVEX_HEADLESS or TOLVEX_INPUT");
    }
    CheckFilesApart(config);
    return config;
}

// --- Trace ---------------------------------------------------------------------------

namespace {

struct TraceFile {
    std::FILE* File = nullptr;
    std::string Path;
    std::string Buffer;
    int64_t Committed = 0;  // bytes of whole lines in the file
};
TraceFile gTrace;

constexpr size_t kTraceChunk = 1 << 16;

void AppendNumber(std::string& out, double value) {
    char text[kRealTextMax];
    out.push_back(' ');
    out.append(text, WriteReal(text, value));
}

void EndLine() {
    gTrace.Buffer.push_back('\n');
    if (gTrace.Buffer.size() >= kTraceChunk) {
        FlushTrace();
    }
}

}  // namespace

void OpenTrace(const std::string& path) {
    CloseTrace();
    // From here writes wait for a slow reader: that is how a driver keeps the game in step.
    std::FILE* file = OpenStreamToWrite(path, "TOLVEX_TRACE");
    // Unbuffered: the lines are gathered here, and a failed write must leave nothing behind
    // in the stream to be written later.
    std::setvbuf(file, nullptr, _IONBF, 0);
    gTrace.File = file;
    gTrace.Path = path;
    gTrace.Buffer.reserve(kTraceChunk * 2);
    TraceFrame(0);
    FlushTrace();
}

namespace {

// Hands the buffered lines to the file. On failure the file is cut back to its last whole
// line, so that a reader never sees half a line, and false comes back with errno set.
bool WriteOutTrace() {
    const size_t written = std::fwrite(gTrace.Buffer.data(), 1, gTrace.Buffer.size(), gTrace.File);
    const bool ok = written == gTrace.Buffer.size() && std::fflush(gTrace.File) == 0;
    if (ok) {
        gTrace.Committed += static_cast<int64_t>(gTrace.Buffer.size());
    } else {
        const int error = errno;
        CutFile(gTrace.File, gTrace.Committed);
        errno = error;
    }
    gTrace.Buffer.clear();
    return ok;
}

}  // namespace

void CloseTrace() {
    if (gTrace.File == nullptr) {
        return;
    }
    // Closing happens on the way out, often while another error is being reported;
    // losing the tail of the trace must not replace that error.
    WriteOutTrace();
    std::fclose(gTrace.File);
    gTrace = TraceFile{};
}

bool TraceOn() { return gTrace.File != nullptr; }

void FlushTrace() {
    if (gTrace.File == nullptr) {
        return;
    }
    if (!WriteOutTrace()) {
        const int error = errno;
        if (InterruptRequested()) {
            std::fclose(gTrace.File);
            gTrace = TraceFile{};
            RaiseInterrupted("TOLVEX_TRACE");
        }
        std::string path = gTrace.Path;
        std::fclose(gTrace.File);
        gTrace = TraceFile{};
        Raise(TV_ERR_CONFIG, "TOLVEX_TRACE: cannot write: %s (%s)", std::strerror(error),
              path.c_str());
    }
}

void TraceLine(std::string_view word, std::string_view name) {
    if (gTrace.File == nullptr) {
        return;
    }
    gTrace.Buffer.append(word);
    gTrace.Buffer.push_back(' ');
    gTrace.Buffer.append(name);
    EndLine();
}

void TraceLine(std::string_view word, std::string_view name, const double* values, int count) {
    if (gTrace.File == nullptr) {
        return;
    }
    gTrace.Buffer.append(word);
    gTrace.Buffer.push_back(' ');
    gTrace.Buffer.append(name);
    for (int i = 0; i < count; ++i) {
        AppendNumber(gTrace.Buffer, values[i]);
    }
    EndLine();
}

void TraceFrame(int64_t frame) {
    if (gTrace.File == nullptr) {
        return;
    }
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, frame);
    gTrace.Buffer.append("frame ");
    gTrace.Buffer.append(text, result.ptr);
    EndLine();
}

void TraceSkip() {
    if (gTrace.File == nullptr) {
        return;
    }
    gTrace.Buffer.append("skip");
    EndLine();
}

void TracePlay(std::string_view name, double a, bool flag, double b) {
    if (gTrace.File == nullptr) {
        return;
    }
    gTrace.Buffer.append("play ");
    gTrace.Buffer.append(name);
    AppendNumber(gTrace.Buffer, a);
    gTrace.Buffer.append(flag ? " 1" : " 0");
    AppendNumber(gTrace.Buffer, b);
    EndLine();
}

// --- Input script --------------------------------------------------------------------

namespace {

struct Script {
    int Fd = -1;
    std::string Path;
    std::string Pending;  // bytes read but not yet split into lines
    size_t Begin = 0;     // where the next line starts in Pending
    size_t Scanned = 0;   // Pending holds no line end between Begin and here
    bool AtEnd = false;
    int64_t LineNumber = 0;
    int64_t LastFrame = -1;
    std::optional<ScriptLine> Ahead;  // parsed, for a frame that has not started yet
    int64_t AppliedUpTo = -1;
    std::array<int64_t, TV_PAD_BUTTONS> DownSince{};
};
Script gScript;

[[noreturn]] void ScriptError(std::string_view line, const char* why) {
    Raise(TV_ERR_CONFIG, "TOLVEX_INPUT: line %lld: %s: '%s' (%s)",
          static_cast<long long>(gScript.LineNumber), why, Quoted(line).c_str(),
          gScript.Path.c_str());
}

// The next raw line, or false at the end of the script. Blocks on a pipe.
bool ReadRawLine(std::string& line) {
    for (;;) {
        const size_t newline = gScript.Pending.find('\n', gScript.Scanned);
        if (newline != std::string::npos) {
            line.assign(gScript.Pending, gScript.Begin, newline - gScript.Begin);
            gScript.Begin = gScript.Scanned = newline + 1;
            return true;
        }
        gScript.Scanned = gScript.Pending.size();
        if (gScript.AtEnd) {
            if (gScript.Begin == gScript.Pending.size()) {
                return false;
            }
            line.assign(gScript.Pending, gScript.Begin);
            gScript.Begin = gScript.Scanned = gScript.Pending.size();
            return true;
        }
        // A line never needs this much; a stream without line ends (a device, a binary file)
        // would otherwise be held in memory for ever.
        if (gScript.Pending.size() - gScript.Begin > kMaxLineBytes) {
            ++gScript.LineNumber;
            ScriptError(std::string_view(gScript.Pending).substr(gScript.Begin, kMaxLineBytes),
                        "the line is longer than 4096 bytes");
        }
        if (gScript.Begin > 0) {
            gScript.Pending.erase(0, gScript.Begin);
            gScript.Scanned -= gScript.Begin;
            gScript.Begin = 0;
        }
        if (InterruptRequested()) {
            RaiseInterrupted("TOLVEX_INPUT");
        }
        char chunk[4096];
        const long n = ReadScriptSource(gScript.Fd, chunk, sizeof chunk);
        if (n > 0) {
            gScript.Pending.append(chunk, static_cast<size_t>(n));
        } else if (n == 0) {
            gScript.AtEnd = true;
        } else if (n == kScriptWoken) {
            if (InterruptRequested()) {
                RaiseInterrupted("TOLVEX_INPUT");
            }
        } else {
            Raise(TV_ERR_CONFIG, "TOLVEX_INPUT: cannot read: %s (%s)", std::strerror(errno),
                  gScript.Path.c_str());
        }
    }
}

// The next line that says something, parsed and checked; nullopt at the end.
std::optional<ScriptLine> ReadScriptLine() {
    std::string raw;
    while (ReadRawLine(raw)) {
        ++gScript.LineNumber;
        // An editor's byte-order mark says nothing about the script.
        if (gScript.LineNumber == 1 && raw.starts_with(kByteOrderMark)) {
            raw.erase(0, kByteOrderMark.size());
        }
        ScriptLine parsed;
        switch (ParseScriptLine(raw, parsed)) {
            case ScriptParse::Blank:
                continue;
            case ScriptParse::BadFrame:
                ScriptError(raw, "the frame is not a number");
            case ScriptParse::BadButton:
                ScriptError(raw, "a button is not a number from 0 to 15");
            case ScriptParse::Line:
                break;
        }
        if (parsed.Frame <= gScript.LastFrame) {
            ScriptError(raw, "frames must increase from line to line");
        }
        gScript.LastFrame = parsed.Frame;
        return parsed;
    }
    return std::nullopt;
}

void Apply(const ScriptLine& line) {
    for (size_t b = 0; b < TV_PAD_BUTTONS; ++b) {
        if (!line.Down[b]) {
            gScript.DownSince[b] = -1;
        } else if (gScript.DownSince[b] < 0) {
            gScript.DownSince[b] = line.Frame;
        }
    }
}

}  // namespace

void OpenScript(const std::string& path) {
    CloseScript();
    // Checked first: the open of a pipe waits for a writer, and a signal that came just
    // before it would not end that wait.
    if (InterruptRequested()) {
        RaiseInterrupted("Init");
    }
    const int fd = OpenScriptSource(path);
    if (fd < 0 && InterruptRequested()) {
        RaiseInterrupted("Init");
    }
    if (fd < 0) {
        Raise(TV_ERR_CONFIG, "TOLVEX_INPUT: cannot read: %s (%s)", std::strerror(errno),
              path.c_str());
    }
    gScript.Fd = fd;
    gScript.Path = path;
    gScript.DownSince.fill(-1);
}

void CloseScript() {
    if (gScript.Fd >= 0) {
        CloseScriptSource(gScript.Fd);
    }
    gScript = Script{};
}

bool ScriptOn() { return gScript.Fd >= 0; }

const std::array<int64_t, TV_PAD_BUTTONS>& ScriptDownSince(int64_t frame) {
    if (frame <= gScript.AppliedUpTo) {
        return gScript.DownSince;
    }
    // Stop as soon as the line for this very frame is in: reading on would block a driver
    // that writes one line per frame and waits to see the next frame begin.
    for (;;) {
        if (!gScript.Ahead) {
            gScript.Ahead = ReadScriptLine();
            if (!gScript.Ahead) {
                break;
            }
        }
        if (gScript.Ahead->Frame > frame) {
            break;
        }
        Apply(*gScript.Ahead);
        const bool reached = gScript.Ahead->Frame == frame;
        gScript.Ahead.reset();
        if (reached) {
            break;
        }
    }
    gScript.AppliedUpTo = frame;
    return gScript.DownSince;
}

}  // namespace tolvex
