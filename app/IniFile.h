#pragma once
#include <windows.h>
#include <string>
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

// Names of the keys of one section, in file order (empty when none).
std::vector<std::string> ReadIniKeys(const std::string& file, const std::string& section);

// The values of one section, fetched with a single call: a catalog of
// thousands of items would otherwise cost one file lookup per key. Keys are
// found as the per-key readers find them: without regard to case, the first
// of duplicates, blanks trimmed, matching quotes around a value stripped,
// values cut at 1023 characters.
class IniSection {
public:
    IniSection(const std::string& file, const std::string& section);

    bool Has(const std::string& key) const { return Find(key) != nullptr; }
    std::string Text(const std::string& key, const std::string& def = "") const;
    // The value's leading decimal number; a missing or empty value gives def.
    int Number(const std::string& key, int def = 0) const;

private:
    const std::string* Find(const std::string& key) const;
    std::vector<std::pair<std::string, std::string>> entries_;  // lower-case key, value
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
