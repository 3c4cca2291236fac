#include "simconfig/SimValues.h"

#include "app/IniFile.h"

std::string CleanSimValue(const std::string& raw)
{
    std::string value = raw.substr(0, raw.find("//"));
    std::string unquoted;
    for (char c : value)
        if (c != '"') unquoted += c;
    const char* blanks = " \t";
    size_t first = unquoted.find_first_not_of(blanks);
    if (first == std::string::npos) return "";
    size_t last = unquoted.find_last_not_of(blanks);
    return unquoted.substr(first, last - first + 1);
}

std::string ReadSimValue(const std::string& file, const std::string& section,
                         const std::string& key, const std::string& def)
{
    return CleanSimValue(ReadIniText(file, section, key, def));
}

int ReadSimNumber(const std::string& file, const std::string& section,
                  const std::string& key, const std::string& def)
{
    return ParseLeadingNumber(ReadSimValue(file, section, key, def));
}

std::string LauncherMark(const std::string& value, const std::string& simDefault)
{
    return "\"" + value + "\" // Modified by ZANT Launcher (" + simDefault + ")";
}

bool WriteMarkedValue(const std::string& file, const std::string& section,
                      const std::string& key, const std::string& value,
                      const std::string& simDefault)
{
    return WriteIniText(file, section, key, LauncherMark(value, simDefault));
}
