#pragma once
#include <windows.h>
#include <functional>
#include <string>

// The application name, the title of every message box.
inline constexpr char kAppName[] = "ZANT Launcher";

// Every message box of the program goes through ShowMessage. Tests install an
// answerer that sees what would be asked and gives the answer.
int ShowMessage(const std::string& text, UINT type);

struct MessageCall {
    std::string text;
    std::string title;
    UINT type = 0;
};
using MessageAnswerer = std::function<int(const MessageCall&)>;

// Replaces the real message box; an empty answerer restores it.
void SetMessageAnswerer(MessageAnswerer answerer);

// The window that owns message boxes (the main window once it exists).
void SetMessageOwner(HWND owner);
HWND GetMessageOwner();
