#include "app/JoinLink.h"

#include <shellapi.h>

#include <cctype>
#include <vector>

#include "app/Handles.h"

namespace {

constexpr char kLinkPrefix[] = "zant://event/";
constexpr size_t kMaxIdDigits = 9;
constexpr DWORD kFindStepMs = 50;

bool StartsWithNoCase(const std::string& text, const char* prefix)
{
    const size_t length = std::char_traits<char>::length(prefix);
    return text.size() >= length && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, text.c_str(),
                                                   static_cast<int>(length), prefix,
                                                   static_cast<int>(length)) == CSTR_EQUAL;
}

std::string ReadDefaultValue(HKEY root, const std::string& path)
{
    char value[1024] = "";
    DWORD size = sizeof value - 1;
    if (RegGetValueA(root, path.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return std::string();
    return value;
}

bool WriteValue(HKEY root, const std::string& path, const char* name, const std::string& value)
{
    HKEY raw = nullptr;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &raw,
                        nullptr) != ERROR_SUCCESS)
        return false;
    RegKey key(raw);
    return RegSetValueExA(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

BOOL CALLBACK FindMainWindow(HWND window, LPARAM found)
{
    if (!GetPropA(window, kMainWindowProperty)) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

}  // namespace

int ParseJoinLink(const std::string& text)
{
    if (!StartsWithNoCase(text, kLinkPrefix)) return 0;
    std::string id = text.substr(sizeof kLinkPrefix - 1);
    if (!id.empty() && id.back() == '/') id.pop_back();
    if (id.empty() || id.size() > kMaxIdDigits) return 0;
    for (unsigned char c : id)
        if (!std::isdigit(c)) return 0;
    return std::stoi(id);
}

std::string JoinLinkFor(int eventId) { return kLinkPrefix + std::to_string(eventId); }

bool RegisterLinkScheme(const std::string& launcherPath, HKEY root)
{
    const std::string scheme = kLinkSchemeKey;
    const std::string command = "\"" + launcherPath + "\" \"%1\"";
    if (ReadDefaultValue(root, scheme + "\\shell\\open\\command") == command) return false;
    WriteValue(root, scheme, nullptr, "URL:ZANT Launcher");
    WriteValue(root, scheme, "URL Protocol", "");
    WriteValue(root, scheme + "\\DefaultIcon", nullptr, launcherPath + ",0");
    WriteValue(root, scheme + "\\shell\\open\\command", nullptr, command);
    return true;
}

std::string JoinLinkArgument()
{
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments) return std::string();
    std::string link;
    if (count == 2) {
        char narrow[256] = "";
        if (WideCharToMultiByte(CP_ACP, 0, arguments[1], -1, narrow, sizeof narrow, nullptr, nullptr) > 0 &&
            ParseJoinLink(narrow) != 0)
            link = narrow;
    }
    LocalFree(arguments);
    return link;
}

bool HandToRunningLauncher(const std::string& link, DWORD waitMs)
{
    HWND window = nullptr;
    for (DWORD waited = 0;; waited += kFindStepMs) {
        EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&window));
        if (window || waited >= waitMs) break;
        Sleep(kFindStepMs);
    }
    if (!window) return false;
    COPYDATASTRUCT data = {kJoinLinkCopyTag, static_cast<DWORD>(link.size()), const_cast<char*>(link.data())};
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, 5000, &result);
    if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(window);
    return true;
}
