#pragma once
#include <windows.h>

#include <string>

#include "ui/ComboBox.h"

// Drives a real dialog the way the user's clicks and keys reach it.
inline void ClickItem(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
inline bool IsItemChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
inline std::string ItemText(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }
inline int ItemSelection(HWND dialog, int id)
{
    return static_cast<int>(SendMessageA(GetDlgItem(dialog, id), CB_GETCURSEL, 0, 0));
}

// A pick from a drop-down list: the new selection, then its notice.
inline void ChooseEntry(HWND dialog, int id, int entry)
{
    SendMessageA(GetDlgItem(dialog, id), CB_SETCURSEL, entry, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}
inline void ChooseText(HWND dialog, int id, const std::string& text)
{
    ChooseEntry(dialog, id, FindComboTextExactly(GetDlgItem(dialog, id), text));
}

// Escape pressed on the first control, through the dialog manager.
inline void PressEscape(HWND dialog)
{
    MSG key = {GetNextDlgTabItem(dialog, nullptr, FALSE), WM_KEYDOWN, VK_ESCAPE, 0};
    IsDialogMessageA(dialog, &key);
}
