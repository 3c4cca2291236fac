#pragma once
#include <windows.h>
#include <string>

// The status text shared with the popup thread: "\r\n" + the caller's text +
// terminator. Longer texts are cut to fit.
inline constexpr size_t kStatusTextSize = 640;

// show = true shows the popup with text, or replaces the text of the popup
// already shown; show = false closes it (text is ignored). Called from the
// user-interface thread only.
void ShowStatus(bool show, const std::string& text = std::string());

DWORD WINAPI StatusPopupThread(LPVOID unused);
INT_PTR CALLBACK StatusPopupProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// What the popup shows or will show at its next tick, leading line break included.
std::string CurrentStatusText();

// The popup window while it exists, for tests and for callers that need to
// know whether anything is on screen.
HWND StatusPopupWindow();

// True while a popup thread exists (between ShowStatus(true) and ShowStatus(false)).
bool StatusPopupActive();
