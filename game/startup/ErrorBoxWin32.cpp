#include <windows.h>

#include <algorithm>
#include <string>

#include "runtime/WideText.h"
#include "startup/ErrorBox.h"

namespace keldo {

namespace {

// In pixels at 96 dots per inch, scaled to the window's.
constexpr int kMargin = 16;
constexpr int kGap = 12;
constexpr int kButtonWidth = 88;
constexpr int kButtonHeight = 26;
constexpr int kBaseDpi = 96;
// What a line may take of the screen's width before it wraps after all.
constexpr int kScreenShare = 90;

struct Box {
    std::wstring Title;
    std::wstring Text;
    HFONT Font = nullptr;
};

// A dialog with no controls: they are made to fit the text once it is measured.
struct alignas(DWORD) EmptyDialog {
    DLGTEMPLATE Head{};
    WORD Menu = 0;
    WORD Class = 0;
    WORD Title = 0;
};

HWND Child(HWND dialog, const wchar_t* kind, const wchar_t* text, DWORD style, int id, HFONT font) {
    HWND child = CreateWindowExW(0, kind, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, dialog,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleW(nullptr), nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return child;
}

void LayOut(HWND dialog, Box& box) {
    SetWindowTextW(dialog, box.Title.c_str());
    const int dpi = static_cast<int>(GetDpiForWindow(dialog));
    const auto px = [dpi](int at96) { return MulDiv(at96, dpi, kBaseDpi); };
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    box.Font = CreateFontIndirectW(&metrics.lfMessageFont);
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int icon = GetSystemMetrics(SM_CXICON);

    // Each line whole, unless one is wider than the screen allows.
    HDC dc = GetDC(dialog);
    HGDIOBJ old = SelectObject(dc, box.Font);
    RECT text{};
    constexpr UINT kMeasure = DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS;
    DrawTextW(dc, box.Text.c_str(), -1, &text, kMeasure);
    const int widest =
        (work.right - work.left) * kScreenShare / 100 - 2 * px(kMargin) - icon - px(kGap);
    if (text.right > widest) {
        text = RECT{0, 0, widest, 0};
        DrawTextW(dc, box.Text.c_str(), -1, &text, kMeasure | DT_WORDBREAK);
    }
    SelectObject(dc, old);
    ReleaseDC(dialog, dc);

    const int textX = px(kMargin) + icon + px(kGap);
    const int textW = text.right + 2;  // the static control's own rounding
    const int clientW = std::max(textX + textW + px(kMargin), px(kButtonWidth) + 2 * px(kMargin));
    const int bodyH = std::max<int>(text.bottom, icon);
    const int clientH = px(kMargin) + bodyH + px(kGap) + px(kButtonHeight) + px(kMargin);

    HWND sign = Child(dialog, L"STATIC", nullptr, SS_ICON, -1, box.Font);
    SendMessageW(sign, STM_SETICON,
                 reinterpret_cast<WPARAM>(LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_ERROR))),
                 0);
    MoveWindow(sign, px(kMargin), px(kMargin), icon, icon, FALSE);
    HWND words = Child(dialog, L"STATIC", box.Text.c_str(), SS_LEFT | SS_NOPREFIX, -1, box.Font);
    MoveWindow(words, textX, px(kMargin), textW, text.bottom, FALSE);
    HWND ok = Child(dialog, L"BUTTON", L"OK", WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK, box.Font);
    MoveWindow(ok, clientW - px(kMargin) - px(kButtonWidth),
               clientH - px(kMargin) - px(kButtonHeight), px(kButtonWidth), px(kButtonHeight),
               FALSE);

    RECT frame{0, 0, clientW, clientH};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_EXSTYLE)));
    const int frameW = frame.right - frame.left;
    const int frameH = frame.bottom - frame.top;
    SetWindowPos(dialog, HWND_TOP, work.left + std::max(0L, (work.right - work.left - frameW) / 2),
                 work.top + std::max(0L, (work.bottom - work.top - frameH) / 2), frameW, frameH, 0);
    SetForegroundWindow(dialog);
    SetFocus(ok);
    MessageBeep(MB_ICONERROR);
}

INT_PTR CALLBACK BoxProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_INITDIALOG:
            LayOut(dialog, *reinterpret_cast<Box*>(lparam));
            return FALSE;  // the focus is set
        case WM_COMMAND:
            if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) {
                EndDialog(dialog, IDOK);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

void ShowErrorBox(const std::string& title, const std::string& text) {
    Box box{Wide(title), Wide(text)};
    EmptyDialog empty;
    empty.Head.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFOREGROUND;
    const INT_PTR shown = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &empty.Head, nullptr,
                                                  BoxProc, reinterpret_cast<LPARAM>(&box));
    if (box.Font != nullptr) {
        DeleteObject(box.Font);
    }
    if (shown <= 0) {
        // No dialog to be had: the system's box, narrow as it is, says the same.
        MessageBoxW(nullptr, box.Text.c_str(), box.Title.c_str(),
                    MB_OK | MB_ICONERROR | MB_SETFOREGROUND | MB_TASKMODAL);
    }
}

}  // namespace keldo
