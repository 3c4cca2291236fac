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

namespace {

std::string Trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    const size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::string LowerCase(std::string text)
{
    if (!text.empty()) CharLowerBuffA(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

}  // namespace

IniSection::IniSection(const std::string& file, const std::string& section)
{
    // The section comes as "key=value" lines, each ended by a zero, the whole
    // by a second zero; a buffer that was too small is filled to size - 2.
    std::vector<char> buffer(32768);
    DWORD length = 0;
    for (;;) {
        length = GetPrivateProfileSectionA(section.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()),
                                           file.c_str());
        if (length + 2 < buffer.size() || buffer.size() >= (1u << 24)) break;
        buffer.resize(buffer.size() * 2);
    }
    const char* p = buffer.data();
    const char* end = buffer.data() + length;
    while (p < end && *p) {
        const std::string line(p);
        p += line.size() + 1;
        if (line[0] == ';') continue;
        const size_t equals = line.find('=');
        std::string value = equals == std::string::npos ? std::string() : Trimmed(line.substr(equals + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        if (value.size() > kIniTextBufferSize - 1) value.resize(kIniTextBufferSize - 1);
        entries_.emplace_back(LowerCase(Trimmed(line.substr(0, equals))), std::move(value));
    }
}

const std::string* IniSection::Find(const std::string& key) const
{
    const std::string wanted = LowerCase(key);
    for (const auto& [name, value] : entries_)
        if (name == wanted) return &value;
    return nullptr;
}

std::string IniSection::Text(const std::string& key, const std::string& def) const
{
    const std::string* value = Find(key);
    return value ? *value : def;
}

int IniSection::Number(const std::string& key, int def) const
{
    const std::string* value = Find(key);
    return value && !value->empty() ? ParseLeadingNumber(*value) : def;
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
