#include "app/Settings.h"

#include <windows.h>
#include <cstring>

#include "app/Handles.h"

namespace {

RegKey OpenSettingsKey(const std::string& subkey, REGSAM access)
{
    const std::string path = kSettingsKey + subkey;
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return RegKey();
    return RegKey(key);
}

}  // namespace

int ReadSettingNumber(const std::string& name, int defaultValue, const std::string& subkey)
{
    RegKey key = OpenSettingsKey(subkey, KEY_READ);
    if (!key) return defaultValue;
    // The stored type is not looked at: whatever fits in four bytes is the number.
    BYTE data[4] = {};
    DWORD size = sizeof data;
    if (RegQueryValueExA(key.get(), name.c_str(), nullptr, nullptr, data, &size) != ERROR_SUCCESS)
        return defaultValue;
    int value = 0;
    std::memcpy(&value, data, sizeof value);
    return value;
}

void WriteSettingNumber(const std::string& name, int value, const std::string& subkey)
{
    RegKey key = OpenSettingsKey(subkey, KEY_ALL_ACCESS);
    if (!key) return;
    const DWORD data = static_cast<DWORD>(value);
    RegSetValueExA(key.get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
}

std::string ReadSettingText(const std::string& name, const std::string& defaultValue, const std::string& subkey)
{
    RegKey key = OpenSettingsKey(subkey, KEY_READ);
    if (!key) return defaultValue;
    char buffer[kSettingTextBufferSize] = {};
    DWORD size = sizeof buffer;
    if (RegQueryValueExA(key.get(), name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size) !=
        ERROR_SUCCESS)
        return defaultValue;
    // A text that fills the buffer without its terminator was cut: not trusted.
    if (std::memchr(buffer, '\0', sizeof buffer) == nullptr) return defaultValue;
    return buffer;
}

void WriteSettingText(const std::string& name, const std::string& value, const std::string& subkey)
{
    RegKey key = OpenSettingsKey(subkey, KEY_ALL_ACCESS);
    if (!key) return;
    RegSetValueExA(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size()));
}
