#pragma once
#include <windows.h>
#include <string>

// Thin helpers for combo boxes and window texts.
int AddComboText(HWND combo, const std::string& text);
std::string ComboEntryText(HWND combo, int entry);
// The entry whose text equals `text` exactly, case included (the combo
// box's own search ignores case); -1 when there is none.
int FindComboTextExactly(HWND combo, const std::string& text);
std::string WindowText(HWND window);
