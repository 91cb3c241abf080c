// Whole files and file streams. Paths are UTF-8 on disk, relative to the current directory or
// absolute. Text read from or written to a stream is UTF-8.
//
// A stream handle is a small AllocMem block that the game owns and releases with FreeMem; the
// open file behind it stays in a table here. FreeMem asks this table first, so releasing the
// handle closes (and flushes) the file, and whatever is still open when the library is unloaded
// is closed then.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>

#include "Tolvex.h"
#include "core/Errors.h"
#include "core/FpEnv.h"
#include "plain/PlainText.h"
#include "plain/Streams.h"
#include "plain/TvText.h"
#include "platform/Platform.h"

struct TvStream {
    uint64_t Magic;
};

namespace tolvex {

namespace {

constexpr uint64_t kStreamMagic = 0x5476537472656D21ULL;
constexpr char32_t kNoChar = 0xFFFFFFFF;
constexpr char32_t kBadChar = 0xFFFD;

struct OpenStream {
    std::FILE* File = nullptr;
    std::string Path;
    bool Write = false;
    std::u32string Split = U" \t\n\r\v\f";

    OpenStream() = default;
    OpenStream(const OpenStream&) = delete;
    OpenStream& operator=(const OpenStream&) = delete;
    ~OpenStream() {
        if (File != nullptr) {
            DefaultFpEnv fpEnv;
            std::fclose(File);
        }
    }
};

// The game is single-threaded, and so are its calls into here.
std::unordered_map<const void*, std::unique_ptr<OpenStream>>& Streams() {
    static std::unordered_map<const void*, std::unique_ptr<OpenStream>> streams;
    return streams;
}

OpenStream& Find(TvStream* stream, const char* entry) {
    const auto found = stream == nullptr ? Streams().end() : Streams().find(stream);
    if (found == Streams().end()) {
        Raise(TV_ERR_ARG, "%s: not an open stream", entry);
    }
    return *found->second;
}

OpenStream& FindForReading(TvStream* stream, const char* entry) {
    OpenStream& open = Find(stream, entry);
    if (open.Write) {
        Raise(TV_ERR_ARG, "%s: %s is open for writing", entry, open.Path.c_str());
    }
    return open;
}

OpenStream& FindForWriting(TvStream* stream, const char* entry) {
    OpenStream& open = Find(stream, entry);
    if (!open.Write) {
        Raise(TV_ERR_ARG, "%s: %s is open for reading", entry, open.Path.c_str());
    }
    return open;
}

}  // namespace

TvBytes* NewBytes(const void* data, size_t size) {
    return TvMakeBytes(AllocMem(TvBytesSize(size), "skip"), data, size);
}

namespace {

[[noreturn]] void RaiseFile(const char* entry, const char* what, const std::string& path,
                            int error) {
    Raise(TV_ERR_FILE, "%s: cannot %s %s: %s", entry, what, path.c_str(), std::strerror(error));
}

void WriteAll(OpenStream& open, const void* data, size_t size, const char* entry) {
    if (size > 0 && std::fwrite(data, 1, size, open.File) != size) {
        RaiseFile(entry, "write", open.Path, errno);
    }
}

int ReadByte(OpenStream& open, const char* entry) {
    const int c = std::getc(open.File);
    if (c == EOF && std::ferror(open.File)) {
        RaiseFile(entry, "read", open.Path, errno);
    }
    return c;
}

// The next character, or kNoChar at the end. A broken UTF-8 sequence reads as U+FFFD.
char32_t ReadChar(OpenStream& open, const char* entry) {
    const int lead = ReadByte(open, entry);
    if (lead == EOF) {
        return kNoChar;
    }
    if (lead >= 0xF8) {
        return kBadChar;
    }
    int more = 0;
    char32_t c = static_cast<char32_t>(lead);
    if (lead >= 0xF0) {
        more = 3;
        c &= 0x07;
    } else if (lead >= 0xE0) {
        more = 2;
        c &= 0x0F;
    } else if (lead >= 0xC0) {
        more = 1;
        c &= 0x1F;
    } else if (lead >= 0x80) {
        return kBadChar;
    }
    for (; more > 0; --more) {
        const int next = ReadByte(open, entry);
        if (next == EOF || (next & 0xC0) != 0x80) {
            if (next != EOF) {
                std::ungetc(next, open.File);
            }
            return kBadChar;
        }
        c = (c << 6) | static_cast<char32_t>(next & 0x3F);
    }
    return c;
}

std::u32string DecodeUtf8(const std::string& text) {
    std::u32string out;
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const size_t n = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        char32_t c = n == 1 ? lead : lead & (0x7F >> n);
        for (size_t k = 1; k < n && i + k < text.size(); ++k) {
            c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        }
        out.push_back(c);
        i += n;
    }
    return out;
}

// The next token: split characters before it are skipped, the one after it is consumed.
// Empty at the end of the stream.
std::string ReadToken(OpenStream& open, const char* entry) {
    std::string token;
    char32_t c = ReadChar(open, entry);
    while (c != kNoChar && open.Split.find(c) != std::u32string::npos) {
        c = ReadChar(open, entry);
    }
    while (c != kNoChar && open.Split.find(c) == std::u32string::npos) {
        AppendUtf8(token, c);
        c = ReadChar(open, entry);
    }
    return token;
}

}  // namespace

void ReleaseStream(const void* handle) {
    if (!Streams().empty()) {
        Streams().erase(handle);
    }
}

void CloseAllStreams() { Streams().clear(); }

}  // namespace tolvex

using namespace tolvex;

TvBytes* ReadFileAll(const TvStr* path) {
    const std::string name = ToUtf8(path, "ReadFileAll");
    DefaultFpEnv fpEnv;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(OpenFile(name, "rb"), std::fclose);
    if (!file) {
        RaiseFile("ReadFileAll", "open", name, errno);
    }
    std::string content;
    char chunk[65536];
    size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) {
        content.append(chunk, n);
    }
    if (std::ferror(file.get())) {
        RaiseFile("ReadFileAll", "read", name, errno);
    }
    return NewBytes(content.data(), content.size());
}

// Replaces the file; true once every byte is on its way to the disk.
bool WriteFileAll(const TvStr* path, const TvBytes* data) {
    const std::string name = ToUtf8(path, "WriteFileAll");
    if (data == nullptr || data->Len < 0) {
        Raise(TV_ERR_ARG, "WriteFileAll: no data for %s", name.c_str());
    }
    DefaultFpEnv fpEnv;
    std::FILE* file = OpenFile(name, "wb");
    if (file == nullptr) {
        RaiseFile("WriteFileAll", "create", name, errno);
    }
    const auto size = static_cast<size_t>(data->Len);
    const bool written = std::fwrite(data->Data, 1, size, file) == size;
    const int writeError = errno;
    if (std::fclose(file) != 0 || !written) {
        RaiseFile("WriteFileAll", "write", name, written ? errno : writeError);
    }
    return true;
}

// Reading opens an existing file; writing creates the file or empties it.
TvStream* LoadFileStream(const TvStr* path, bool write) {
    const std::string name = ToUtf8(path, "LoadFileStream");
    auto open = std::make_unique<OpenStream>();
    {
        DefaultFpEnv fpEnv;
        open->File = OpenFile(name, write ? "wb" : "rb");
    }
    if (open->File == nullptr) {
        RaiseFile("LoadFileStream", "open", name, errno);
    }
    open->Path = name;
    open->Write = write;
    auto* handle = static_cast<TvStream*>(AllocMem(sizeof(TvStream), nullptr));
    handle->Magic = kStreamMagic;
    Streams()[handle] = std::move(open);
    return handle;
}

// Up to `bytes` bytes; fewer at the end of the stream.
TvBytes* ReadStream(TvStream* stream, int64_t bytes) {
    OpenStream& open = FindForReading(stream, "ReadStream");
    if (bytes < 0) {
        Raise(TV_ERR_ARG, "ReadStream: negative count %lld", static_cast<long long>(bytes));
    }
    DefaultFpEnv fpEnv;
    std::string content(static_cast<size_t>(bytes), '\0');
    const size_t n = std::fread(content.data(), 1, content.size(), open.File);
    if (n < content.size() && std::ferror(open.File)) {
        RaiseFile("ReadStream", "read", open.Path, errno);
    }
    return NewBytes(content.data(), n);
}

void WriteStream(TvStream* stream, const TvBytes* data) {
    OpenStream& open = FindForWriting(stream, "WriteStream");
    if (data == nullptr || data->Len < 0) {
        Raise(TV_ERR_ARG, "WriteStream: no data for %s", open.Path.c_str());
    }
    DefaultFpEnv fpEnv;
    WriteAll(open, data->Data, static_cast<size_t>(data->Len), "WriteStream");
}

// Origin 0 is the start of the file, 1 the current position, 2 the end.
void SeekStream(TvStream* stream, int64_t offset, int64_t origin) {
    OpenStream& open = Find(stream, "SeekStream");
    static constexpr int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
    if (origin < 0 || origin > 2) {
        Raise(TV_ERR_ARG, "SeekStream: unknown origin %lld", static_cast<long long>(origin));
    }
    DefaultFpEnv fpEnv;
    if (fseeko(open.File, static_cast<off_t>(offset), kWhence[origin]) != 0) {
        Raise(TV_ERR_ARG, "SeekStream: cannot move to %lld from origin %lld in %s",
              static_cast<long long>(offset), static_cast<long long>(origin), open.Path.c_str());
    }
}

int64_t TellStream(TvStream* stream) {
    OpenStream& open = Find(stream, "TellStream");
    DefaultFpEnv fpEnv;
    return static_cast<int64_t>(ftello(open.File));
}

// True when nothing is left to read: the position is at (or past) the end of the file.
bool ChkEndStream(TvStream* stream) {
    OpenStream& open = Find(stream, "ChkEndStream");
    DefaultFpEnv fpEnv;
    if (!open.Write) {
        const int c = std::getc(open.File);
        if (c == EOF) {
            return true;
        }
        std::ungetc(c, open.File);
        return false;
    }
    const off_t here = ftello(open.File);
    fseeko(open.File, 0, SEEK_END);
    const off_t end = ftello(open.File);
    fseeko(open.File, here, SEEK_SET);
    return here >= end;
}

// The characters that separate tokens for ReadStreamStr, ReadStreamInt and ReadStreamFloat;
// blanks (space, tab, line breaks) until this is called.
void SetSplitChars(TvStream* stream, const TvStr* chars) {
    OpenStream& open = Find(stream, "SetSplitChars");
    open.Split = DecodeUtf8(ToUtf8(chars, "SetSplitChars"));
}

TvStr* ReadStreamStr(TvStream* stream) {
    OpenStream& open = FindForReading(stream, "ReadStreamStr");
    std::string token;
    {
        DefaultFpEnv fpEnv;
        token = ReadToken(open, "ReadStreamStr");
    }
    return NewTvStr(token);
}

// A token that is not a number is a broken file, not a zero.
int64_t ReadStreamInt(TvStream* stream) {
    OpenStream& open = FindForReading(stream, "ReadStreamInt");
    DefaultFpEnv fpEnv;
    const std::string token = ReadToken(open, "ReadStreamInt");
    int64_t value = 0;
    if (!ParseInt(token, value)) {
        Raise(TV_ERR_FILE, "ReadStreamInt: %s: expected an integer, found \"%s\"",
              open.Path.c_str(), token.c_str());
    }
    return value;
}

// The next character as a code point, split characters included; -1 at the end.
int64_t ReadStreamChar(TvStream* stream) {
    OpenStream& open = FindForReading(stream, "ReadStreamChar");
    DefaultFpEnv fpEnv;
    const char32_t c = ReadChar(open, "ReadStreamChar");
    return c == kNoChar ? -1 : static_cast<int64_t>(c);
}

double ReadStreamFloat(TvStream* stream) {
    OpenStream& open = FindForReading(stream, "ReadStreamFloat");
    std::string token;
    {
        DefaultFpEnv fpEnv;
        token = ReadToken(open, "ReadStreamFloat");
    }
    double value = 0.0;
    if (!ParseReal(token, value)) {
        Raise(TV_ERR_FILE, "ReadStreamFloat: %s: expected a number, found \"%s\"",
              open.Path.c_str(), token.c_str());
    }
    return value;
}

// The Write*Str/Int/Char/Float entries write the text alone; separators are the caller's.
void WriteStreamStr(TvStream* stream, const TvStr* s) {
    OpenStream& open = FindForWriting(stream, "WriteStreamStr");
    const std::string text = ToUtf8(s, "WriteStreamStr");
    DefaultFpEnv fpEnv;
    WriteAll(open, text.data(), text.size(), "WriteStreamStr");
}

void WriteStreamInt(TvStream* stream, int64_t n) {
    OpenStream& open = FindForWriting(stream, "WriteStreamInt");
    const std::string text = std::to_string(n);
    DefaultFpEnv fpEnv;
    WriteAll(open, text.data(), text.size(), "WriteStreamInt");
}

void WriteStreamChar(TvStream* stream, int64_t c) {
    OpenStream& open = FindForWriting(stream, "WriteStreamChar");
    if (c < 0 || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        Raise(TV_ERR_ARG, "WriteStreamChar: %lld is not a character", static_cast<long long>(c));
    }
    std::string text;
    AppendUtf8(text, static_cast<char32_t>(c));
    DefaultFpEnv fpEnv;
    WriteAll(open, text.data(), text.size(), "WriteStreamChar");
}

// Every digit that the value needs, so that ReadStreamFloat gives back the same double.
void WriteStreamFloat(TvStream* stream, double x) {
    OpenStream& open = FindForWriting(stream, "WriteStreamFloat");
    const std::string text = RoundTripText(x);
    DefaultFpEnv fpEnv;
    WriteAll(open, text.data(), text.size(), "WriteStreamFloat");
}
