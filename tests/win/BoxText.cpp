// Prints the text of the message box titled by the argument (the dialog's static text), as a
// player reads it, in UTF-8; exits 1 when there is no such box.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

BOOL CALLBACK PrintStatic(HWND child, LPARAM found) {
    wchar_t kind[32];
    GetClassNameW(child, kind, 32);
    if (lstrcmpiW(kind, L"Static") != 0) {
        return TRUE;
    }
    wchar_t text[4096];
    const int n = GetWindowTextW(child, text, 4096);
    if (n > 0) {
        char utf8[4096 * 3];
        const int m = WideCharToMultiByte(CP_UTF8, 0, text, n, utf8, sizeof utf8, nullptr, nullptr);
        std::fwrite(utf8, 1, static_cast<size_t>(m), stdout);
        std::fputc('\n', stdout);
        *reinterpret_cast<bool*>(found) = true;
    }
    return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: box_text TITLE\n");
        return 2;
    }
    // The dialog class of every message box.
    HWND box = FindWindowW(L"#32770", argv[1]);
    bool found = false;
    if (box != nullptr) {
        EnumChildWindows(box, PrintStatic, reinterpret_cast<LPARAM>(&found));
    }
    return found ? 0 : 1;
}
