#include "app/Version.h"

#include <windows.h>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/MessageBox.h"
#include "app/Startup.h"

namespace {

constexpr char kVersionWarning[] = "Warning: Unable to determine ZANT Launcher version.";

bool QueryFileVersion(const std::vector<char>& info, unsigned long translation, std::string* version)
{
    char hex[16];
    std::snprintf(hex, sizeof hex, "%lX", translation);
    std::string block = hex;
    if (block == "0")
        block = "040904E4";
    else if (block.size() < 8)
        block.insert(0, 8 - block.size(), '0');
    char* value = nullptr;
    UINT length = 0;
    const std::string query = "\\StringFileInfo\\" + block + "\\FileVersion";
    if (!VerQueryValueA(info.data(), query.c_str(), reinterpret_cast<void**>(&value), &length) || !value)
        return false;
    *version = value;
    return true;
}

}  // namespace

std::string ReadFileVersionText(const std::string& path)
{
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    std::vector<char> info(size ? size : 1);
    if (size == 0 || !GetFileVersionInfoA(path.c_str(), 0, size, info.data())) {
        ShowMessage(kVersionWarning, MB_OK | MB_ICONWARNING);
        return std::string();
    }

    WORD* translation = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                        &length) ||
        !translation || length < 2 * sizeof(WORD))
        return std::string();
    const unsigned long language = translation[0];
    const unsigned long codePage = translation[1];

    std::string version;
    if (QueryFileVersion(info, language * 65536 + codePage, &version)) return version;
    if (QueryFileVersion(info, codePage * 65536 + language, &version)) return version;
    char* value = nullptr;
    if (VerQueryValueA(info.data(), "\\StringFileInfo\\040904b0\\FileVersion", reinterpret_cast<void**>(&value),
                       &length) &&
        value)
        return value;
    return std::string();
}

std::string GetOwnVersion()
{
    const std::string path = ModuleFilePath();
    if (path.empty()) {
        ShowMessage(kVersionWarning, MB_OK | MB_ICONWARNING);
        return std::string();
    }
    return ReadFileVersionText(path);
}

bool IsNewerVersion(const std::string& own, const std::string& server)
{
    return _stricmp(own.c_str(), server.c_str()) < 0;
}

bool IsPlainVersionText(const std::string& text)
{
    if (text.empty() || text.size() > kMaxVersionTextLength) return false;
    bool digitBefore = false;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            digitBefore = true;
        } else if (c == '.' && digitBefore) {
            digitBefore = false;
        } else {
            return false;
        }
    }
    return digitBefore;
}
