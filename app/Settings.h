#pragma once
#include <string>

// The launcher's persistent settings: values under the machine-wide key
// HKEY_LOCAL_MACHINE\SOFTWARE\Corvale\ZANT Launcher\<subkey>. Each access opens
// and closes the key; failures are silent (readers give the caller's default,
// writers leave the value alone).
inline constexpr char kSettingsKey[] = "SOFTWARE\\Corvale\\ZANT Launcher\\";
inline constexpr int kSettingTextBufferSize = 260;  // a stored text holds at most 259 characters

int ReadSettingNumber(const std::string& name, int defaultValue, const std::string& subkey = "");
void WriteSettingNumber(const std::string& name, int value, const std::string& subkey = "");
std::string ReadSettingText(const std::string& name, const std::string& defaultValue,
                            const std::string& subkey = "");
void WriteSettingText(const std::string& name, const std::string& value, const std::string& subkey = "");
