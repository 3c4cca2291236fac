#include "net/StatusPopup.h"

#include "net/LongWork.h"
#include "net/StatusPopupIds.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>

namespace {

constexpr DWORD kTickMs = 500;
constexpr DWORD kCloseLimitMs = 3000;
constexpr COLORREF kTextColour = RGB(255, 255, 255);
constexpr char kLeadingBreak[] = "\r\n";
// The Cancel button sits below the text; the window grows to show it.
constexpr int kTextHeightUnits = 44;
constexpr int kWithCancelHeightUnits = 62;

// The text is copied in and out under the lock, so the popup never shows a
// half-written text.
std::mutex g_textLock;
char g_statusText[kStatusTextSize] = "";

// Owned by the calling (user-interface) thread.
HANDLE g_thread = nullptr;
HANDLE g_stopSignal = nullptr;

std::atomic<bool> g_run{false};
std::atomic<HWND> g_window{nullptr};

// Made once from the background bitmap, kept until the program ends.
HBITMAP g_backgroundBitmap = nullptr;
HBRUSH g_backgroundBrush = nullptr;
bool g_brushTried = false;

void StoreStatusText(const std::string& text)
{
    const size_t prefix = sizeof(kLeadingBreak) - 1;
    const size_t room = kStatusTextSize - prefix - 1;
    size_t length = std::min(std::strlen(text.c_str()), room);
    // Do not leave half of a line break at the cut.
    if (length == room && length > 0 && text[length - 1] == '\r' && text[length] == '\n') --length;

    std::lock_guard<std::mutex> lock(g_textLock);
    std::memcpy(g_statusText, kLeadingBreak, prefix);
    std::memcpy(g_statusText + prefix, text.data(), length);
    g_statusText[prefix + length] = '\0';
}

void CopyStatusText(char (&out)[kStatusTextSize])
{
    std::lock_guard<std::mutex> lock(g_textLock);
    std::memcpy(out, g_statusText, kStatusTextSize);
}

// Shows the Cancel button while long work offers it, hides it otherwise.
void SyncCancelButton(HWND window)
{
    HWND button = GetDlgItem(window, IDCANCEL);
    const bool offered = CancelOffered();
    if (!button || (IsWindowVisible(button) != FALSE) == offered) return;
    RECT client = {0, 0, 1, offered ? kWithCancelHeightUnits : kTextHeightUnits};
    MapDialogRect(window, &client);
    RECT frame = {0, 0, client.right, client.bottom};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrA(window, GWL_EXSTYLE)));
    RECT now;
    GetWindowRect(window, &now);
    SetWindowPos(window, nullptr, 0, 0, now.right - now.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(button, offered ? SW_SHOW : SW_HIDE);
}

void ShowCurrentText(HWND window)
{
    char text[kStatusTextSize];
    CopyStatusText(text);
    SetDlgItemTextA(window, IDC_STATUS_TEXT, text);
    SyncCancelButton(window);
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
}

// The popup's own messages, Escape and Enter on its button included.
void DispatchPopupMessages(HWND window)
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (IsDialogMessageA(window, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

} // namespace

void ShowStatus(bool show, const std::string& text)
{
    if (show) {
        StoreStatusText(text);
        if (g_thread) return;  // the running popup picks the text up at its next tick

        // The popup sleeps on this signal between ticks, so a close does not
        // have to wait out the rest of a tick.
        if (!g_stopSignal) g_stopSignal = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        if (g_stopSignal) ResetEvent(g_stopSignal);
        g_run = true;
        g_thread = CreateThread(nullptr, 0, StatusPopupThread, nullptr, 0, nullptr);
        return;
    }

    if (!g_thread) return;
    g_run = false;
    if (g_stopSignal) SetEvent(g_stopSignal);
    if (WaitForSingleObject(g_thread, kCloseLimitMs) != WAIT_OBJECT_0) {
        TerminateThread(g_thread, 0);
        g_window = nullptr;
    }
    CloseHandle(g_thread);
    g_thread = nullptr;
}

DWORD WINAPI StatusPopupThread(LPVOID)
{
    HWND window = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_STATUS_POPUP),
                                     nullptr, StatusPopupProc, 0);
    g_window = window;
    if (!window) return 0;

    ShowCurrentText(window);
    // A click on Cancel is handled at once; the text follows every tick.
    DWORD nextTick = GetTickCount() + kTickMs;
    while (IsWindow(window) && g_run) {
        const DWORD now = GetTickCount();
        const DWORD wait = static_cast<int>(nextTick - now) > 0 ? nextTick - now : 0;
        const DWORD handles = g_stopSignal ? 1 : 0;
        MsgWaitForMultipleObjects(handles, &g_stopSignal, FALSE, wait, QS_ALLINPUT);
        if (!g_run) break;
        DispatchPopupMessages(window);
        if (static_cast<int>(GetTickCount() - nextTick) >= 0) {
            ShowCurrentText(window);
            nextTick = GetTickCount() + kTickMs;
        }
    }

    if (IsWindow(window)) DestroyWindow(window);
    g_window = nullptr;
    return 0;
}

INT_PTR CALLBACK StatusPopupProc(HWND, UINT message, WPARAM wParam, LPARAM)
{
    if (!g_brushTried) {
        g_brushTried = true;
        g_backgroundBitmap = static_cast<HBITMAP>(
            LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_STATUS_BACKGROUND), IMAGE_BITMAP, 0, 0,
                       LR_CREATEDIBSECTION | LR_DEFAULTSIZE));
        if (g_backgroundBitmap) g_backgroundBrush = CreatePatternBrush(g_backgroundBitmap);
    }

    switch (message) {
    case WM_COMMAND:
        // The button, Escape and the window's close all ask the same.
        if (LOWORD(wParam) == IDCANCEL && CancelOffered()) RequestCancel();
        return TRUE;
    case WM_CTLCOLORDLG:
        return reinterpret_cast<INT_PTR>(g_backgroundBrush);
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, kTextColour);
        SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<INT_PTR>(g_backgroundBrush);
    }
    default:
        return FALSE;
    }
}

std::string CurrentStatusText()
{
    char text[kStatusTextSize];
    CopyStatusText(text);
    return text;
}

HWND StatusPopupWindow() { return g_window; }

bool StatusPopupActive() { return g_thread != nullptr; }
