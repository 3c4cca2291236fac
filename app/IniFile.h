#pragma once
#include <windows.h>
#include <string>
#include <unordered_map>
#include <vector>

// INI texts are read through a buffer of this size, so a value holds at most
// 1023 characters; longer values are cut by the private-profile functions.
inline constexpr DWORD kIniTextBufferSize = 1024;

// Reads a text value; a missing file, section or key gives `def`.
std::string ReadIniText(const std::string& file, const std::string& section,
                        const std::string& key, const std::string& def = "");

// Reads a number from the value's leading digits; a missing key gives `def`.
int ReadIniNumber(const std::string& file, const std::string& section,
                  const std::string& key, int def = 0);

// Writes (or adds) a value, creating the section and the file when missing.
bool WriteIniText(const std::string& file, const std::string& section,
                  const std::string& key, const std::string& value);

// Removes a key; a missing file, section or key is no failure.
bool RemoveIniKey(const std::string& file, const std::string& section, const std::string& key);

// Names of the keys of one section, in file order (empty when none).
std::vector<std::string> ReadIniKeys(const std::string& file, const std::string& section);

// Names of the sections of a file, in file order.
std::vector<std::string> ReadIniSectionNames(const std::string& file);

// An INI file read once into memory and answered by the rules of the
// private-profile readers: a carriage return or a line feed ends a line;
// names compared without regard to the case of ASCII letters (the names asked
// for trimmed of blanks); the first section of a name and the first key of a
// name in it; blanks around names and values trimmed; matching quotes around
// a value stripped; values cut at 1023 characters; a line without "=" a key
// without a value (read as missing); comment lines ordinary keys; numbers
// converted as the integer reader does ("0x", "0o", "0b" prefixes, 32-bit
// wrap-around). A catalog of thousands of items costs one file read instead
// of one profile call per key.
//
// Files with a byte-order mark, and any file on a system whose code page has
// multi-byte characters, are answered by the platform's readers key by key:
// their text is converted in ways not worth copying. So are files too large
// to hold in memory.
class IniDocument {
public:
    IniDocument() = default;  // no file: every read gives its default
    static IniDocument Load(const std::string& path);

    std::string Text(const std::string& section, const std::string& key, const std::string& def = "") const;
    int Number(const std::string& section, const std::string& key, int def = 0) const;

    // The numbers n (1 to INT_MAX, ascending) for which a section named
    // prefix + n (as "%i" writes it) exists. A loop over a count of numbered
    // sections need visit only these: the others read as empty, so a count
    // far beyond the sections that exist costs nothing.
    std::vector<int> NumberedSections(const std::string& prefix) const;

    // A section found once, for reading many keys of it.
    struct Key {
        std::string foldedName;
        bool hasValue = false;
        std::string value;
    };
    struct Section {
        std::vector<Key> keys;
    };
    // Null when the file has no such section (or is read key by key).
    const Section* FindSection(const std::string& section) const;
    const std::string& Path() const { return path_; }
    bool ReadByPlatform() const { return byPlatform_; }

    static std::string TextOf(const Section* section, const std::string& key, const std::string& def);
    static int NumberOf(const Section* section, const std::string& key, int def);

private:
    void Parse(const std::string& content);

    std::string path_;
    bool byPlatform_ = false;
    std::vector<Section> sections_;
    std::vector<std::string> sectionNames_;  // folded, in file order
    std::unordered_map<std::string, size_t> firstSection_;
};

// The values of one section of a document.
class IniSection {
public:
    IniSection(const IniDocument& document, const std::string& section);

    std::string Text(const std::string& key, const std::string& def = "") const;
    int Number(const std::string& key, int def = 0) const;

private:
    const IniDocument& document_;
    std::string name_;
    const IniDocument::Section* section_;
};

// Splits a comma-separated list. Every piece before a comma counts, empty ones
// too; the piece after the last comma counts only when it is not empty:
// "a,,b" gives a, "", b; "a," gives a; "" gives nothing.
std::vector<std::string> SplitList(const std::string& value);

// The same split, each piece converted like atoi (an empty or non-numeric
// piece gives 0, values beyond the int range are clamped).
std::vector<int> SplitNumberList(const std::string& value);

// atoi without its undefined behaviour on overflow: leading blanks, an
// optional sign and the leading decimal digits, clamped to the int range.
int ParseLeadingNumber(const std::string& text);
