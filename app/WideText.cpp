#include "app/WideText.h"

#include <algorithm>

std::wstring Widened(const std::string& text, UINT codePage, DWORD flags)
{
    if (text.empty()) return std::wstring();
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(codePage, flags, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(std::max(length, 0)), L'\0');
    if (length > 0) MultiByteToWideChar(codePage, flags, text.data(), size, &wide[0], length);
    return wide;
}

std::wstring FoldedName(std::wstring name)
{
    if (!name.empty()) CharLowerBuffW(&name[0], static_cast<DWORD>(name.size()));
    return name;
}

std::string Narrowed(const std::wstring& text, UINT codePage)
{
    if (text.empty()) return std::string();
    const int size = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(std::max(length, 0)), '\0');
    if (length > 0) WideCharToMultiByte(codePage, 0, text.data(), size, &narrow[0], length, nullptr, nullptr);
    return narrow;
}
