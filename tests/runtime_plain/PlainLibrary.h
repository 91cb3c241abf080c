// The real library, loaded once and bound entry by entry by name, as the game binds it.
#pragma once

#include <dlfcn.h>
#include <xmmintrin.h>

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "Tolvex.h"

struct Library {
#define TOLVEX_TEST_POINTER(name, result, params) result(*name) params = nullptr;
    TOLVEX_ENTRIES(TOLVEX_TEST_POINTER)
#undef TOLVEX_TEST_POINTER
    void* Handle = nullptr;
};

inline const Library& Lib() {
    static const Library library = [] {
        Library lib;
        lib.Handle = dlopen(TOLVEX_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
        if (lib.Handle == nullptr) {
            throw std::runtime_error(dlerror());
        }
        const char* missing =
            TvBindEntries(lib, [&lib](const char* name) { return dlsym(lib.Handle, name); });
        if (missing != nullptr) {
            throw std::runtime_error(std::string("missing entry ") + missing);
        }
        return lib;
    }();
    return library;
}

struct FreeWithLibrary {
    void operator()(void* p) const { Lib().FreeMem(p); }
};
using StrPtr = std::unique_ptr<TvStr, FreeWithLibrary>;
using BytesPtr = std::unique_ptr<TvBytes, FreeWithLibrary>;

// A library string of UTF-16 text, made the way the game makes them.
inline StrPtr Str(std::u16string_view text) {
    return StrPtr(TvMakeStr(Lib().AllocMem(TvStrSize(text.size()), nullptr), text));
}

inline StrPtr Str(std::string_view ascii) {
    return StrPtr(TvMakeStr(Lib().AllocMem(TvStrSize(ascii.size()), nullptr), ascii));
}

// The text of a string that the library made (ASCII), freeing it.
inline std::string Take(TvStr* s) {
    StrPtr owned(s);
    std::string text;
    for (int64_t i = 0; i < s->Len; ++i) {
        text.push_back(static_cast<char>(s->Text[i]));
    }
    return text;
}

inline BytesPtr Bytes(std::string_view data) {
    return BytesPtr(
        TvMakeBytes(Lib().AllocMem(TvBytesSize(data.size()), nullptr), data.data(), data.size()));
}

inline std::string Take(TvBytes* b) {
    BytesPtr owned(b);
    return std::string(reinterpret_cast<const char*>(b->Data), static_cast<size_t>(b->Len));
}

// The code of the TvError that the call raised, 0 if it returned normally.
template <typename Call>
uint32_t RaisedCode(Call&& call, std::string* message = nullptr) {
    try {
        call();
    } catch (const TvError& error) {
        if (message != nullptr) {
            *message = error.Message;
        }
        return error.Code;
    }
    return 0;
}

// The game's floating-point mode: rounding toward zero, invalid operations trap.
class GameFpMode {
public:
    GameFpMode() : Saved(_mm_getcsr()) { _mm_setcsr(TV_GAME_FP_MODE); }
    ~GameFpMode() { _mm_setcsr(Saved); }
    GameFpMode(const GameFpMode&) = delete;
    GameFpMode& operator=(const GameFpMode&) = delete;

private:
    unsigned Saved;
};
