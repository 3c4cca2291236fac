#include "ui/ComboBox.h"

#include <vector>

int AddComboText(HWND combo, const std::string& text)
{
    return static_cast<int>(SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
}

std::string ComboEntryText(HWND combo, int entry)
{
    const LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, entry, 0);
    if (length == CB_ERR) return "";
    std::vector<char> text(static_cast<size_t>(length) + 1, '\0');
    SendMessageA(combo, CB_GETLBTEXT, entry, reinterpret_cast<LPARAM>(text.data()));
    return text.data();
}

int FindComboTextExactly(HWND combo, const std::string& text)
{
    const int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    for (int entry = 0; entry < count; ++entry)
        if (ComboEntryText(combo, entry) == text) return entry;
    return -1;
}

std::string WindowText(HWND window)
{
    const int length = GetWindowTextLengthA(window);
    std::vector<char> text(static_cast<size_t>(length) + 1, '\0');
    GetWindowTextA(window, text.data(), length + 1);
    return text.data();
}
