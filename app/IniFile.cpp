#include "app/IniFile.h"

#include <array>
#include <climits>
#include <cstdlib>

std::string ReadIniText(const std::string& file, const std::string& section,
                        const std::string& key, const std::string& def)
{
    std::array<char, kIniTextBufferSize> buffer{};
    DWORD length = GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(),
                                            buffer.data(), kIniTextBufferSize, file.c_str());
    if (length >= kIniTextBufferSize) length = kIniTextBufferSize - 1;
    return std::string(buffer.data(), length);
}

int ReadIniNumber(const std::string& file, const std::string& section,
                  const std::string& key, int def)
{
    return static_cast<int>(GetPrivateProfileIntA(section.c_str(), key.c_str(), def, file.c_str()));
}

bool WriteIniText(const std::string& file, const std::string& section,
                  const std::string& key, const std::string& value)
{
    return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(),
                                      file.c_str()) != FALSE;
}

std::vector<std::string> ReadIniKeys(const std::string& file, const std::string& section)
{
    // A null key asks for all key names, each terminated by a zero, the list
    // by a second zero. Grow the buffer until the list is not cut.
    std::vector<std::string> keys;
    std::vector<char> buffer(4096);
    for (;;) {
        DWORD length = GetPrivateProfileStringA(section.c_str(), nullptr, "", buffer.data(),
                                                static_cast<DWORD>(buffer.size()), file.c_str());
        if (length + 2 < buffer.size() || buffer.size() >= (1u << 24)) {
            const char* p = buffer.data();
            const char* end = buffer.data() + length;
            while (p < end && *p) {
                std::string key(p);
                p += key.size() + 1;
                keys.push_back(std::move(key));
            }
            return keys;
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::vector<std::string> SplitList(const std::string& value)
{
    std::vector<std::string> pieces;
    size_t start = 0;
    for (;;) {
        size_t comma = value.find(',', start);
        if (comma == std::string::npos) break;
        pieces.push_back(value.substr(start, comma - start));
        start = comma + 1;
    }
    if (start < value.size()) pieces.push_back(value.substr(start));
    return pieces;
}

std::vector<int> SplitNumberList(const std::string& value)
{
    std::vector<int> numbers;
    for (const std::string& piece : SplitList(value)) numbers.push_back(ParseLeadingNumber(piece));
    return numbers;
}

int ParseLeadingNumber(const std::string& text)
{
    long long number = std::strtoll(text.c_str(), nullptr, 10);
    if (number > INT_MAX) return INT_MAX;
    if (number < INT_MIN) return INT_MIN;
    return static_cast<int>(number);
}
