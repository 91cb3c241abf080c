// The ending line on Windows: the program has a window and no console of its own.
#include <windows.h>
// After windows.h, which it needs.
#include <io.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <string_view>

#include "runtime/WideText.h"
#include "startup/EndingAdvice.h"
#include "startup/EndingLog.h"
#include "startup/ErrorBox.h"
#include "startup/PlayerNotice.h"

namespace keldo {

namespace {

constexpr const char* kBoxTitle = "KELDO";
// Under %LOCALAPPDATA%: the log belongs to this machine, not to the roaming profile.
constexpr const wchar_t* kLogFolder = L"\\keldo";
constexpr const wchar_t* kLogFile = L"\\keldo\\keldo.log";
constexpr const wchar_t* kLogNewFile = L"\\keldo\\keldo.log.new";

// The variables a player may set for a run at the window; any other TOLVEX_ variable means a
// program runs the game, which must never wait for a click.
constexpr std::wstring_view kPlayerVariables[] = {L"TOLVEX_RENDERER", L"TOLVEX_SAVE_DIR",
                                                  L"TOLVEX_RECORD"};
constexpr std::wstring_view kAutomationPrefix = L"TOLVEX_";

bool gConsole = false;      // joined the console of the program that started us
bool gStderrGiven = false;  // standard error was handed to us (a file, a pipe)

bool Usable(HANDLE handle) {
    return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
           GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

// A stream the starter did not hand us now writes to the console we joined.
void ToConsole(DWORD which, std::FILE* stream, bool given) {
    if (given || std::freopen("CONOUT$", "w", stream) == nullptr) {
        return;
    }
    SetStdHandle(which, reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream))));
}

bool AutomationRun() {
    wchar_t* block = GetEnvironmentStringsW();
    if (block == nullptr) {
        return false;
    }
    bool automation = false;
    for (const wchar_t* entry = block; *entry != L'\0'; entry += std::wcslen(entry) + 1) {
        const std::wstring_view text(entry);
        const size_t equals = text.find(L'=');
        if (equals == std::wstring_view::npos || equals + 1 == text.size() ||
            !text.starts_with(kAutomationPrefix)) {
            continue;  // unset or empty is the same as not there
        }
        const std::wstring_view name = text.substr(0, equals);
        bool player = false;
        for (const std::wstring_view allowed : kPlayerVariables) {
            player = player || name == allowed;
        }
        automation = automation || !player;
    }
    FreeEnvironmentStringsW(block);
    return automation;
}

std::wstring LocalAppData() {
    const DWORD n = GetEnvironmentVariableW(L"LOCALAPPDATA", nullptr, 0);
    if (n == 0) {
        return {};
    }
    std::wstring folder(n, L'\0');
    const DWORD got = GetEnvironmentVariableW(L"LOCALAPPDATA", folder.data(), n);
    folder.resize(got < n ? got : 0);
    return folder;
}

std::string ReadAll(const std::wstring& path) {
    std::string bytes;
    std::FILE* file = _wfopen(path.c_str(), L"rb");
    if (file == nullptr) {
        return bytes;
    }
    char buffer[8192];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
        bytes.append(buffer, n);
    }
    std::fclose(file);
    return bytes;
}

// Best effort: a log that cannot be written must not hide the line itself.
void AppendToLog(const std::string& line) {
    const std::wstring base = LocalAppData();
    if (base.empty()) {
        return;
    }
    CreateDirectoryW((base + kLogFolder).c_str(), nullptr);
    SYSTEMTIME now{};
    GetLocalTime(&now);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u ", now.wYear, now.wMonth,
                  now.wDay, now.wHour, now.wMinute, now.wSecond);
    const std::wstring log = base + kLogFile;
    const std::wstring fresh = base + kLogNewFile;
    const std::string content = AppendLogLine(ReadAll(log), stamp + line);
    std::FILE* file = _wfopen(fresh.c_str(), L"wb");
    if (file == nullptr) {
        return;
    }
    const bool written = std::fwrite(content.data(), 1, content.size(), file) == content.size();
    if (std::fclose(file) == 0 && written) {
        MoveFileExW(fresh.c_str(), log.c_str(), MOVEFILE_REPLACE_EXISTING);
    } else {
        DeleteFileW(fresh.c_str());
    }
}

// A console shows UTF-16 as it is; bytes would go through its code page.
void WriteToStderr(const std::string& line) {
    HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (Usable(handle) && GetConsoleMode(handle, &mode)) {
        const std::wstring wide = Wide(line + "\n");
        DWORD written = 0;
        WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

}  // namespace

void JoinParentConsole() {
    const bool stdoutGiven = Usable(GetStdHandle(STD_OUTPUT_HANDLE));
    gStderrGiven = Usable(GetStdHandle(STD_ERROR_HANDLE));
    gConsole = AttachConsole(ATTACH_PARENT_PROCESS) != 0;
    if (gConsole) {
        ToConsole(STD_OUTPUT_HANDLE, stdout, stdoutGiven);
        ToConsole(STD_ERROR_HANDLE, stderr, gStderrGiven);
    }
}

void ReportEnding(const std::string& line) {
    WriteToStderr(line);
    if (AutomationRun()) {
        return;  // the program that runs us reads the line; the player's log is not its own
    }
    AppendToLog(line);
    if (!gConsole && !gStderrGiven) {
        // The player reads what to do first; the line after it is for a report.
        ShowErrorBox(kBoxTitle, EndingBoxText(line));
    }
}

}  // namespace keldo
