#include "net/LongWork.h"

#include <atomic>

namespace {

// Set by the popup's thread, read by the user-interface thread.
std::atomic<bool> g_cancel{false};
std::atomic<int> g_offers{0};

// Owned by the user-interface thread.
DWORD g_lastPump = 0;
int g_commandDepth = 0;
HWND g_commandWindow = nullptr;
bool g_disabledByUs = false;
HWND g_focusBefore = nullptr;

bool IsUserInput(UINT message)
{
    return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
           (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
           (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK) || message == WM_NCMOUSEHOVER ||
           message == WM_NCMOUSELEAVE || message == WM_MOUSEHOVER || message == WM_MOUSELEAVE;
}

bool BelongsToCommandWindow(HWND window)
{
    return g_commandWindow && (window == g_commandWindow || IsChild(g_commandWindow, window));
}

// The window of a running command takes no input, as the owner of a modal
// dialog takes none; it keeps painting.
void DisableCommandWindow()
{
    if (!g_commandWindow || g_disabledByUs || !IsWindowEnabled(g_commandWindow)) return;
    const HWND focus = GetFocus();
    g_focusBefore = BelongsToCommandWindow(focus) ? focus : nullptr;
    EnableWindow(g_commandWindow, FALSE);
    g_disabledByUs = true;
}

void DispatchWaiting()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // Not ours to take: the loop that waits for it gets it back.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        if (IsUserInput(message.message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// Input that reached the command's window while it ran must not start
// anything once it is over.
void DropQueuedInput()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {}
    while (PeekMessageA(&message, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {}
    while (PeekMessageA(&message, nullptr, WM_NCMOUSEMOVE, WM_NCXBUTTONDBLCLK, PM_REMOVE)) {}
}

}  // namespace

void KeepResponsive()
{
    const DWORD now = GetTickCount();
    if (now - g_lastPump < kPumpIntervalMs) return;
    DisableCommandWindow();
    DispatchWaiting();
    g_lastPump = GetTickCount();
}

bool WaitResponsive(HANDLE object)
{
    for (;;) {
        const DWORD result = MsgWaitForMultipleObjects(1, &object, FALSE, kPumpIntervalMs, QS_ALLINPUT);
        if (result == WAIT_OBJECT_0) return true;
        if (result == WAIT_FAILED) return false;
        if (CancelRequested()) return false;
        g_lastPump = 0;
        KeepResponsive();
    }
}

bool CancelRequested() { return g_cancel; }
void RequestCancel() { g_cancel = true; }
void ClearCancel() { g_cancel = false; }

bool CancelOffered() { return g_offers > 0; }

CancelOffer::CancelOffer() { ++g_offers; }
CancelOffer::~CancelOffer() { --g_offers; }

CommandScope::CommandScope(HWND window)
{
    if (g_commandDepth++ > 0) return;
    outermost_ = true;
    g_commandWindow = window;
    g_disabledByUs = false;
    g_focusBefore = nullptr;
    ClearCancel();
}

CommandScope::~CommandScope()
{
    --g_commandDepth;
    if (!outermost_) return;
    // Only long work leaves input behind; a quick command's own clicks stay.
    if (g_disabledByUs) DropQueuedInput();
    if (g_disabledByUs && IsWindow(g_commandWindow)) {
        EnableWindow(g_commandWindow, TRUE);
        if (!GetFocus() && g_focusBefore && IsWindow(g_focusBefore)) SetFocus(g_focusBefore);
    }
    g_commandWindow = nullptr;
    g_disabledByUs = false;
}

bool CommandScope::Running() { return g_commandDepth > 0; }
