#include "core/Errors.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace tolvex {

namespace {
uint64_t* gExceptionCell = nullptr;
constexpr char kCutMark[] = "...";
constexpr size_t kQuotedChars = 120;
// Raises that the library catches itself (on its worker thread, or in work done ahead between
// frames) are not the program's: the error is raised again when the game asks for the result.
thread_local bool tRecordSites = true;
}  // namespace

bool RecordRaiseSites(bool on) {
    const bool before = tRecordSites;
    tRecordSites = on;
    return before;
}

void SetExceptionCell(uint64_t* cell) { gExceptionCell = cell; }

__attribute__((noinline)) void Raise(uint32_t code, const char* format, ...) {
    if (tRecordSites && gExceptionCell != nullptr && *gExceptionCell == 0) {
        *gExceptionCell = reinterpret_cast<uint64_t>(__builtin_return_address(0));
    }
    TvError error{};
    error.Code = code;
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(error.Message, sizeof error.Message, format, args);
    va_end(args);
    // Messages put the cause before the path, so what a long one loses is the path's end.
    if (length >= static_cast<int>(sizeof error.Message)) {
        std::memcpy(error.Message + sizeof error.Message - sizeof kCutMark, kCutMark,
                    sizeof kCutMark);
    }
    throw error;
}

std::string Quoted(std::string_view text) {
    std::string out;
    size_t used = 0;
    for (; used < text.size() && out.size() < kQuotedChars; ++used) {
        if (text[used] == '\0') {
            out += "\\x00";
        } else {
            out += text[used];
        }
    }
    if (used < text.size()) {
        out += kCutMark;
    }
    return out;
}

std::string Escaped(std::string_view text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            char code[8];
            std::snprintf(code, sizeof code, "\\x%02X", byte);
            out += code;
        } else {
            out += c;
        }
    }
    return out;
}

void RaiseUnsupported(const char* entry) {
    Raise(TV_ERR_UNSUPPORTED, "%s: not supported by this runtime", entry);
}

}  // namespace tolvex
