#include "app/IniFile.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "app/Handles.h"

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

bool RemoveIniKey(const std::string& file, const std::string& section, const std::string& key)
{
    if (GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES) return true;
    return WritePrivateProfileStringA(section.c_str(), key.c_str(), nullptr, file.c_str()) != FALSE;
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

std::vector<std::string> ReadIniSectionNames(const std::string& file)
{
    std::vector<std::string> names;
    std::vector<char> buffer(4096);
    for (;;) {
        DWORD length = GetPrivateProfileSectionNamesA(buffer.data(), static_cast<DWORD>(buffer.size()), file.c_str());
        if (length + 2 < buffer.size() || buffer.size() >= (1u << 24)) {
            for (const char* p = buffer.data(); p < buffer.data() + length && *p; p += names.back().size() + 1)
                names.emplace_back(p);
            return names;
        }
        buffer.resize(buffer.size() * 2);
    }
}

namespace {

// The private-profile readers read numbers through a 30-character buffer.
constexpr DWORD kIniNumberBufferSize = 30;
// A file larger than this is left to the platform's readers rather than
// held in memory whole.
constexpr LONGLONG kMaxIniFileSize = 64ll * 1024 * 1024;

// Blanks as the profile readers see them: the C white-space characters and
// the DOS end-of-file mark.
bool IsIniBlank(unsigned char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r') || c == 0x1A;
}

std::string TrimBlanks(const char* begin, const char* end)
{
    while (begin < end && IsIniBlank(static_cast<unsigned char>(*begin))) ++begin;
    while (end > begin && IsIniBlank(static_cast<unsigned char>(end[-1]))) --end;
    return std::string(begin, end);
}

// Names end at a zero byte, as the readers compare them as texts.
std::string UpToZero(const char* begin, const char* end)
{
    const char* zero = static_cast<const char*>(std::memchr(begin, 0, static_cast<size_t>(end - begin)));
    return std::string(begin, zero ? zero : end);
}

// Names compare without regard to the case of ASCII letters only.
std::string FoldName(std::string name)
{
    for (char& c : name)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return name;
}

std::string FoldQueryName(const std::string& name)
{
    return FoldName(TrimBlanks(name.data(), name.data() + name.size()));
}

// A value as the readers copy it into a buffer of `size` characters: one
// pair of matching quotes around it taken off (the closing one only when
// the value fits the buffer), the rest cut at size - 1 characters.
std::string CopyValue(const std::string& stored, DWORD size)
{
    std::string value = stored.substr(0, stored.find('\0'));
    bool quoted = false;
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0]) {
        quoted = true;
        value.erase(0, 1);
    }
    const size_t unquotedLength = value.size();
    if (value.size() > size - 1) value.resize(size - 1);
    if (quoted && size >= unquotedLength && !value.empty()) value.pop_back();
    return value;
}

// The default as the readers take it: trailing blanks (spaces only) dropped.
std::string PreparedDefault(const std::string& def)
{
    size_t end = def.size();
    while (end > 1 && def[end - 1] == ' ') --end;
    return def.substr(0, end);
}

// The integer reader's conversion: blanks and control characters skipped,
// an optional sign, an optional "0x", "0o" or "0b" for hexadecimal, octal or
// binary digits, then the digits; the total wraps at 32 bits.
int ConvertNumber(const std::string& text)
{
    size_t i = 0;
    while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ') ++i;
    bool minus = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) minus = text[i++] == '-';
    uint32_t base = 10;
    if (i + 1 < text.size() && text[i] == '0') {
        const char radix = text[i + 1];
        base = radix == 'x' ? 16 : radix == 'o' ? 8 : radix == 'b' ? 2 : 10;
        if (base != 10) i += 2;
    }
    uint32_t total = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        uint32_t digit = 99;
        if (c >= '0' && c <= '9') digit = static_cast<uint32_t>(c - '0');
        else if (c >= 'a' && c <= 'z') digit = static_cast<uint32_t>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'Z') digit = static_cast<uint32_t>(c - 'A' + 10);
        if (digit >= base) break;
        total = total * base + digit;
    }
    if (minus) total = 0u - total;
    return static_cast<int>(total);
}

bool HasByteOrderMark(const std::string& content)
{
    const unsigned char* b = reinterpret_cast<const unsigned char*>(content.data());
    if (content.size() >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) return true;
    return content.size() >= 2 && ((b[0] == 0xFF && b[1] == 0xFE) || (b[0] == 0xFE && b[1] == 0xFF));
}

bool SingleByteCodePage()
{
    CPINFO info = {};
    return GetCPInfo(CP_ACP, &info) && info.MaxCharSize == 1;
}

enum class FileRead { Done, Missing, TooLarge };

FileRead ReadWholeFile(const std::string& path, std::string& content)
{
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return FileRead::Missing;
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file.get(), &size)) return FileRead::Missing;
    if (size.QuadPart > kMaxIniFileSize) return FileRead::TooLarge;
    content.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!content.empty() && !ReadFile(file.get(), &content[0], static_cast<DWORD>(content.size()), &read, nullptr))
        return FileRead::Missing;
    content.resize(read);
    return FileRead::Done;
}

// "Event 12" for prefix "event ": the number when the rest is written as
// "%i" writes a positive int, else 0.
int NumberAfterPrefix(const std::string& foldedName, const std::string& foldedPrefix)
{
    if (foldedName.size() <= foldedPrefix.size() || foldedName.compare(0, foldedPrefix.size(), foldedPrefix) != 0)
        return 0;
    const std::string digits = foldedName.substr(foldedPrefix.size());
    if (digits.size() > 10 || digits[0] == '0') return 0;
    long long number = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return 0;
        number = number * 10 + (c - '0');
    }
    return number <= INT_MAX ? static_cast<int>(number) : 0;
}

}  // namespace

IniDocument IniDocument::Load(const std::string& path)
{
    IniDocument document;
    document.path_ = path;
    std::string content;
    const FileRead read = ReadWholeFile(path, content);
    if (read == FileRead::Missing) return document;
    if (read == FileRead::TooLarge || HasByteOrderMark(content) || !SingleByteCodePage()) {
        document.byPlatform_ = true;
        return document;
    }
    document.Parse(content);
    return document;
}

void IniDocument::Parse(const std::string& content)
{
    // Lines before the first section header belong to a section without a name.
    sections_.emplace_back();
    sectionNames_.emplace_back();
    firstSection_.emplace(std::string(), 0);
    Section* section = &sections_.back();
    const Key* previous = nullptr;

    const char* p = content.data();
    const char* const end = p + content.size();
    while (p < end) {
        // A carriage return ends a line as a line feed does.
        const char* lineEnd = p;
        while (lineEnd < end && *lineEnd != '\n' && *lineEnd != '\r') ++lineEnd;
        const char* next = lineEnd < end ? lineEnd + 1 : end;

        const char* begin = p;
        const char* stop = lineEnd;
        p = next;
        while (begin < stop && IsIniBlank(static_cast<unsigned char>(*begin))) ++begin;
        while (stop > begin && IsIniBlank(static_cast<unsigned char>(stop[-1]))) --stop;
        if (begin >= stop) continue;

        if (*begin == '[') {
            const char* close = stop;
            while (close > begin && close[-1] != ']') --close;
            if (close > begin) {  // a header without "]" is read as a key
                std::string name = FoldName(TrimBlanks(begin + 1, close - 1));
                name.resize(std::strlen(name.c_str()));  // a name ends at a zero byte
                sections_.emplace_back();
                section = &sections_.back();
                firstSection_.emplace(name, sections_.size() - 1);
                sectionNames_.push_back(std::move(name));
                previous = nullptr;
                continue;
            }
        }

        Key key;
        const char* equals = static_cast<const char*>(std::memchr(begin, '=', static_cast<size_t>(stop - begin)));
        const char* nameEnd = stop;
        if (equals) {
            nameEnd = equals;
            while (nameEnd > begin && IsIniBlank(static_cast<unsigned char>(nameEnd[-1]))) --nameEnd;
            const char* value = equals + 1;
            while (value < stop && IsIniBlank(static_cast<unsigned char>(*value))) ++value;
            key.hasValue = true;
            key.value.assign(value, stop);
        }
        // Of consecutive lines without a name only the first is kept.
        if (nameEnd == begin && previous && previous->foldedName.empty()) continue;
        key.foldedName = FoldName(UpToZero(begin, nameEnd));
        section->keys.push_back(std::move(key));
        previous = &section->keys.back();
    }
}

const IniDocument::Section* IniDocument::FindSection(const std::string& section) const
{
    const auto found = firstSection_.find(FoldQueryName(section));
    return found == firstSection_.end() ? nullptr : &sections_[found->second];
}

std::string IniDocument::TextOf(const Section* section, const std::string& key, const std::string& def)
{
    if (section) {
        const std::string wanted = FoldQueryName(key);
        for (const Key& candidate : section->keys)
            if (candidate.foldedName == wanted) {
                if (candidate.hasValue) return CopyValue(candidate.value, kIniTextBufferSize);
                break;
            }
    }
    return CopyValue(PreparedDefault(def), kIniTextBufferSize);
}

int IniDocument::NumberOf(const Section* section, const std::string& key, int def)
{
    if (section) {
        const std::string wanted = FoldQueryName(key);
        for (const Key& candidate : section->keys)
            if (candidate.foldedName == wanted) {
                if (!candidate.hasValue) break;
                const std::string text = CopyValue(candidate.value, kIniNumberBufferSize);
                return text.empty() ? def : ConvertNumber(text);
            }
    }
    return def;
}

std::string IniDocument::Text(const std::string& section, const std::string& key, const std::string& def) const
{
    if (byPlatform_) return ReadIniText(path_, section, key, def);
    return TextOf(FindSection(section), key, def);
}

int IniDocument::Number(const std::string& section, const std::string& key, int def) const
{
    if (byPlatform_) return ReadIniNumber(path_, section, key, def);
    return NumberOf(FindSection(section), key, def);
}

std::vector<int> IniDocument::NumberedSections(const std::string& prefix) const
{
    std::vector<std::string> platformNames;
    if (byPlatform_)
        for (const std::string& name : ReadIniSectionNames(path_)) platformNames.push_back(FoldName(name));
    const std::string foldedPrefix = FoldName(prefix);
    std::vector<int> numbers;
    for (const std::string& name : byPlatform_ ? platformNames : sectionNames_)
        if (const int number = NumberAfterPrefix(name, foldedPrefix)) numbers.push_back(number);
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

IniSection::IniSection(const IniDocument& document, const std::string& section)
    : document_(document), name_(section),
      section_(document.ReadByPlatform() ? nullptr : document.FindSection(section))
{
}

std::string IniSection::Text(const std::string& key, const std::string& def) const
{
    if (document_.ReadByPlatform()) return document_.Text(name_, key, def);
    return IniDocument::TextOf(section_, key, def);
}

int IniSection::Number(const std::string& key, int def) const
{
    if (document_.ReadByPlatform()) return document_.Number(name_, key, def);
    return IniDocument::NumberOf(section_, key, def);
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
