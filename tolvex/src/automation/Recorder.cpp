#include "automation/Recorder.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <map>
#include <string_view>

#include "Tolvex.h"
#include "core/Errors.h"
#include "core/Runtime.h"
#include "files/DataFile.h"
#include "platform/Platform.h"

namespace tolvex {

namespace {

struct Recording {
    std::FILE* File = nullptr;
    std::string Path;
    uint32_t Down = 0;  // as of the last line written
};
Recording gRecording;

[[noreturn]] void RaiseWrite(int error) {
    const std::string path = gRecording.Path;
    CloseRecording();
    Raise(TV_ERR_CONFIG, "TOLVEX_RECORD: cannot write %s: %s", path.c_str(), std::strerror(error));
}

void WriteLine(const std::string& line) {
    // Flushed line by line: a crash or a kill loses nothing that was played.
    if (std::fwrite(line.data(), 1, line.size(), gRecording.File) != line.size() ||
        std::fflush(gRecording.File) != 0) {
        RaiseWrite(errno);
    }
}

// A recording grows with the game; only its head is read here, line by line.
constexpr uint64_t kAnySize = UINT64_MAX;

// The recorded session's loads, by name; nullopt: it loaded nothing.
std::map<std::string, std::optional<std::string>> gReplayLoads;

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && Blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && Blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::string_view FirstWord(std::string_view text) {
    size_t n = 0;
    while (n < text.size() && !Blank(text[n])) {
        ++n;
    }
    return text.substr(0, n);
}

std::optional<std::string> FromHex(std::string_view hex) {
    if (hex.size() % 2 != 0) {
        return std::nullopt;
    }
    std::string out;
    for (size_t i = 0; i < hex.size(); i += 2) {
        uint8_t byte = 0;
        const auto [end, ec] = std::from_chars(hex.data() + i, hex.data() + i + 2, byte, 16);
        if (ec != std::errc{} || end != hex.data() + i + 2) {
            return std::nullopt;
        }
        out.push_back(static_cast<char>(byte));
    }
    return out;
}

[[noreturn]] void BadHead(const std::string& path, int64_t number, const std::string& line,
                          const char* why) {
    Raise(TV_ERR_CONFIG, "TOLVEX_INPUT: %s line %lld: %s: '%s'", path.c_str(),
          static_cast<long long>(number), why, Quoted(line).c_str());
}

}  // namespace

void OpenRecording(const std::string& path, uint64_t seed) {
    CloseRecording();
    // A pipe with no reader yet is waited for as a stop request allows.
    gRecording.File = OpenStreamToWrite(path, "TOLVEX_RECORD");
    gRecording.Path = path;
    WriteLine("# seed " + std::to_string(seed) + "\n");
}

void CloseRecording() {
    if (gRecording.File != nullptr) {
        std::fclose(gRecording.File);
    }
    gRecording = Recording{};
}

void RecordButtons(int64_t frame, uint32_t down) {
    if (gRecording.File == nullptr || down == gRecording.Down) {
        return;
    }
    gRecording.Down = down;
    std::string line = std::to_string(frame);
    for (int b = 0; b < TV_PAD_BUTTONS; ++b) {
        if ((down >> b & 1u) != 0) {
            line += ' ' + std::to_string(b);
        }
    }
    WriteLine(line + '\n');
}

void RecordLoad(const std::string& name, const std::string* data) {
    if (gRecording.File == nullptr) {
        return;
    }
    std::string line = "# load " + name + ' ';
    if (data == nullptr) {
        line += '-';
    }
    static constexpr char kHex[] = "0123456789abcdef";
    for (const char c : data == nullptr ? std::string{} : *data) {
        line += kHex[static_cast<uint8_t>(c) >> 4];
        line += kHex[static_cast<uint8_t>(c) & 0xF];
    }
    WriteLine(line + '\n');
}

std::optional<uint64_t> ReadScriptHead(const std::string& path) {
    ForgetScriptHead();
    // A pipe has no head: its lines are the driver's, read as they come. Whatever else keeps
    // the file from being read is the script reader's to say.
    BoundedFile file(path, kAnySize);
    std::optional<uint64_t> seed;
    std::string raw;
    bool cut = false;
    for (int64_t number = 1; file.NextLine(raw, cut); ++number) {
        if (cut) {
            BadHead(path, number, raw, "the line is longer than 4096 bytes");
        }
        std::string_view text = Trimmed(raw);
        if (text.empty()) {
            continue;
        }
        if (text.front() != '#') {
            break;  // the head ends where the buttons begin
        }
        text = Trimmed(text.substr(1));
        const std::string_view word = FirstWord(text);
        const std::string_view rest = Trimmed(text.substr(word.size()));
        if (word == "seed") {
            uint64_t value = 0;
            const auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), value);
            if (rest.empty() || ec != std::errc{} || end != rest.data() + rest.size()) {
                BadHead(path, number, raw, "the seed is not a decimal unsigned 64-bit number");
            }
            seed = value;
        } else if (word == "load") {
            const std::string_view name = FirstWord(rest);
            const std::string_view hex = Trimmed(rest.substr(name.size()));
            std::optional<std::string> data;
            if (hex != "-") {
                data = FromHex(hex);
            }
            if (name.empty() || (hex != "-" && !data)) {
                BadHead(path, number, raw, "not '# load NAME HEX' or '# load NAME -'");
            }
            gReplayLoads[std::string(name)] = std::move(data);
        }
    }
    if (file.State() == FileRead::Interrupted) {
        RaiseInterrupted("Init");
    }
    return seed;
}

std::optional<const std::string*> ReplayedLoad(const std::string& name) {
    const auto found = gReplayLoads.find(name);
    if (found == gReplayLoads.end()) {
        return std::nullopt;
    }
    return found->second ? &*found->second : nullptr;
}

void ForgetScriptHead() { gReplayLoads.clear(); }

}  // namespace tolvex
