// Loading the library on Windows, as a DLL.
#include <windows.h>
#include <xmmintrin.h>

#include <algorithm>
#include <string>

#include "runtime/GameException.h"
#include "runtime/RuntimeBinder.h"
#include "runtime/RuntimeLoader.h"
#include "runtime/WideText.h"

namespace keldo {

namespace {

// The program's icon group in its resources.
constexpr WORD kIconResource = 101;

[[noreturn]] void CannotLoad(const std::string& why, const std::string& file) {
    RaiseGameException(kErrRuntimeMissing, std::string("cannot load the runtime library ") +
                                               RuntimeFile() + ": " + why + " (" + file + ")");
}

// The system's words for an error code, on one line. Some of them hold inserts (%1 for the
// file, say): those are filled with `subject`.
std::string SystemMessage(DWORD code, const std::string& subject) {
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = n != 0 && text != nullptr ? std::wstring(text, n) : std::wstring();
    LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                                message.back() == L' ' || message.back() == L'.')) {
        message.pop_back();
    }
    std::string words = Utf8(message);
    for (size_t at = words.find('%'); at != std::string::npos; at = words.find('%', at)) {
        if (at + 1 < words.size() && words[at + 1] >= '1' && words[at + 1] <= '9') {
            words.replace(at, 2, subject);
            at += subject.size();
        } else {
            ++at;
        }
    }
    const std::string number = "error " + std::to_string(code);
    return words.empty() ? number : words + " (" + number + ")";
}

}  // namespace

std::string RuntimeFile() {
    std::string file = kRuntimeFile;
    std::replace(file.begin(), file.end(), '/', '\\');
    return file;
}

std::string ProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) {
            RaiseGameException(kErrRuntimeMissing,
                               std::string("cannot find the program's own folder to load ") +
                                   RuntimeFile() +
                                   " from: " + SystemMessage(GetLastError(), "the program"));
        }
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    return Utf8(path.substr(0, path.find_last_of(L"\\/") + 1));
}

void* LoadRuntimeFile(const std::string& file) {
    // The library's own imports come from the system only: take the current folder out of the
    // search, so that a DLL dropped there is never picked up on our behalf.
    SetDllDirectoryW(L"");
    const std::wstring path = Wide(file);
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        CannotLoad(SystemMessage(GetLastError(), RuntimeFile()), file);
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        CannotLoad("not a regular file", file);
    }
    // No message boxes from the loader: a bad file is one line on the console.
    const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    // A DLL's C runtime resets the floating-point mode as it starts; the game's must hold.
    const unsigned fpMode = _mm_getcsr();
    HMODULE handle = LoadLibraryW(path.c_str());
    const DWORD error = GetLastError();
    _mm_setcsr(fpMode);
    SetErrorMode(previous);
    if (handle == nullptr) {
        CannotLoad(SystemMessage(error, RuntimeFile()), file);
    }
    return reinterpret_cast<void*>(handle);
}

void* FindRuntimeEntry(void* handle, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}

void UnloadRuntimeFile(void* handle) { FreeLibrary(static_cast<HMODULE>(handle)); }

uint64_t ProgramModuleHandle() { return reinterpret_cast<uint64_t>(GetModuleHandleW(nullptr)); }

uint64_t ProgramIcon(uint64_t instance, const TvStr*) {
    return reinterpret_cast<uint64_t>(
        LoadIconW(reinterpret_cast<HINSTANCE>(instance), MAKEINTRESOURCEW(kIconResource)));
}

}  // namespace keldo
