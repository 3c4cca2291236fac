#pragma once
#include <windows.h>
#include <string>

// Conversions between the narrow texts of the "A" functions (or UTF-8) and
// the wide ones of the "W" functions. With MB_ERR_INVALID_CHARS in flags a
// text that is not valid in the code page gives an empty result.
std::wstring Widened(const std::string& text, UINT codePage, DWORD flags = 0);
std::string Narrowed(const std::wstring& text, UINT codePage);

// A name as the file system compares names: regardless of case.
std::wstring FoldedName(std::wstring name);
