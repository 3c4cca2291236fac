#include <climits>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "app/IniFile.h"
#include "tests/support/TestEnv.h"

namespace {

// The in-memory reader must answer every key exactly as the platform's
// private-profile readers answer it from the same file.
class IniDocumentTest : public LauncherTest {
protected:
    // Writes content to a file of its own (the profile readers keep files
    // they have read, so a rewritten file could be answered from memory).
    std::string WriteIni(const std::string& content)
    {
        const std::string path = TempDir() + "file" + std::to_string(files_++) + ".ini";
        WriteTextFile(path, content);
        return path;
    }

    // Compares every section with every key both ways; returns the number
    // of comparisons made.
    int CompareAll(const std::string& path, const std::vector<std::string>& sections,
                   const std::vector<std::string>& keys)
    {
        const IniDocument document = IniDocument::Load(path);
        int compared = 0;
        for (const std::string& section : sections) {
            const IniSection values(document, section);
            for (const std::string& key : keys) {
                const std::string where = "[" + Printable(section) + "] " + Printable(key) + " in " + path;
                EXPECT_EQ(Printable(document.Text(section, key, "dflt")),
                          Printable(ReadIniText(path, section, key, "dflt")))
                    << where;
                EXPECT_EQ(values.Text(key), ReadIniText(path, section, key)) << where;
                EXPECT_EQ(document.Number(section, key, 77), ReadIniNumber(path, section, key, 77)) << where;
                compared += 3;
            }
        }
        return compared;
    }

    static std::string Printable(const std::string& text)
    {
        std::string out;
        for (unsigned char c : text) {
            if (c >= 0x20 && c < 0x7F) {
                out += static_cast<char>(c);
            } else {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\x%02X", c);
                out += hex;
            }
        }
        return out;
    }

    int files_ = 0;
};

TEST_F(IniDocumentTest, HandMadeAwkwardFilesReadAsThePlatformReadsThem)
{
    const std::string longValue(1022, 'v');
    struct Case {
        const char* what;
        std::string content;
        std::vector<std::string> sections;
        std::vector<std::string> keys;
    };
    const std::vector<Case> cases = {
        {"blanks, case and duplicates",
         "[Track 1]\r\n  Name = Bristol Motor Speedway \r\nNAME=second\r\n\tNote\t=\t tabbed \t\r\n"
         "Spaced Key = spaced value\r\n[track 1]\r\nOther=in the duplicate section\r\n",
         {"Track 1", "TRACK 1", " track 1 ", "Track 2"},
         {"Name", "name", " Name ", "Note", "Spaced Key", "SpacedKey", "Other"}},
        {"quotes",
         "[Q]\nA=\"double\"\nB='single'\nC=\"half\nD=\"\"\nE=\"\nF='mixed\"\nG=\"in\"side\"\nH= \" padded \" \n"
         "I=''\nJ=\"'\"\nK=x\"y\"\n",
         {"Q"},
         {"A", "B", "C", "D", "E", "F", "G", "H", "I", "J", "K"}},
        {"the 1023-character cut",
         "[L]\nA=" + longValue + "\nB=" + longValue + "x\nC=" + longValue + "xy\nD=" + longValue + "xyz\n"
         "E=\"" + longValue + "\"\nF=\"" + longValue + "x\"\nG=\"" + longValue + "xy\"\nH=\"" + longValue +
         "xyz\"\nI=\"" + longValue + "xyzw\"\n",
         {"L"},
         {"A", "B", "C", "D", "E", "F", "G", "H", "I"}},
        {"numbers",
         "[N]\nA=42\nB=  42abc\nC=-7\nD=+5\nE=abc\nF=\nG=4294967295\nH=4294967296\nI=99999999999\n"
         "J=\" 12\"\nK=0x10\nL=2147483648\nM=-2147483649\nN=1" + std::string(40, '0') + "\nO=- 5\nP=\"\"\n"
         "Q='7'\nR=" + std::string(28, ' ') + "\"" + std::string(30, '9') + "\"\nS=000000000000000000000000000012\n"
         "T=--3\nU=\t\t8\nV=010\nW=0X1F\nX=-0x10\nY=0x\nZ=0xg\nA1=0b101\nA2=0o17\nA3=1e3\nA4=0xFFFFFFFFF\n"
         "A5=0x7fffffff\nA6=\" 0x1A\"\nA7=00x5\nA8=0B11\nA9=0O7\nB1=+0x5\nB2=0x-5\nB3=0b2\nB4=0o9\nB5=0\n",
         {"N"},
         {"A", "B", "C", "D", "E", "F", "G", "H", "I", "J", "K", "L", "M", "N", "O", "P", "Q", "R", "S", "T", "U",
          "V", "W", "X", "Y", "Z", "A1", "A2", "A3", "A4", "A5", "A6", "A7", "A8", "A9", "B1", "B2", "B3", "B4", "B5",
          "Missing"}},
        {"comments, lines without = and headers",
         "; leading comment\nTop=before any section\n[C]\n;Name=commented\n# Hash=x\nBare\n=no name\n=second no name\n"
         "Name=after comments\n[Broken\nAfter=broken header\n[A]b]\nKey=in a]b\n[ Padded ]\nKey=padded\n"
         "[X] trailing text\nKey=x section\n[]\nKey=empty section\n",
         {"", "C", "Broken", "[Broken", "A]b", "A", " Padded ", "Padded", "X", "X] trailing text"},
         {";Name", "; leading comment", "Top", "# Hash", "Bare", "", "Name", "After", "[Broken", "Key"}},
        {"line ends",
         "[R]\rA=cr only\rB=2\r[S]\r\nC=crlf\n\nD=lf\r\r\nE=two crs\n[T]\nF=cr\rinside\nG=last line without end",
         {"R", "S", "T"},
         {"A", "B", "C", "D", "E", "F", "G", "inside"}},
        {"control and high bytes",
         std::string("[H\xC9]\nK\xC9y=\xA0nbsp\xA0\n\x1A" "Eof=\x1A" "x\x1A\n\x0B" "Vt=\x0C" "ff\x0C\n"
                     "Fs\x1C=\x1Cx\x1F\nNel=\x85y\x85\n") +
             std::string("Zero=a\0b\nNa\0me=z\n[Z\0ero]\nK=zero section\n", 43),
         {"H\xC9", "h\xE9", "HE", "Z", "Z\0ero"},
         {"K\xC9y", "k\xE9y", "Eof", "Vt", "Fs", "Fs\x1C", "Nel", "Zero", "Na", "Na\0me", "K"}},
        {"empty file", "", {"", "A"}, {"", "A"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CompareAll(WriteIni(c.content), c.sections, c.keys);
    }
    // No file at all reads as the defaults.
    CompareAll(TempDir() + "missing.ini", {"A"}, {"A"});
}

// Random files built from the awkward pieces above, each key asked in every
// section, in other letter cases and padded.
TEST_F(IniDocumentTest, GeneratedFilesReadAsThePlatformReadsThem)
{
    std::mt19937 random(20261209);
    auto pick = [&](const std::vector<std::string>& from) { return from[random() % from.size()]; };
    const std::vector<std::string> sectionNames = {"Event 1", "event 2", "Track 10", "Sims", "Schedule", "A b",
                                                   "Ev\xE9nt", "x"};
    const std::vector<std::string> keyNames = {"Name", "name", "NAME", "Server", "Count", "Date Year", "ID",
                                               ";Note", "Key With Blanks", "k"};
    const std::vector<std::string> values = {"plain", "", " padded ", "\"quoted\"", "'single'", "\"half", "''",
                                             "42", "-17", "  9x", "4294967297", "a,b,,c", "tab\there", "\xA0nb",
                                             "x=y", "[not a header]", std::string("nul\0inside", 10), "\x1A" "eof",
                                             "0x1f", "-0b11", std::string(1030, 'w'),
                                             "\"" + std::string(1023, 'q') + "\""};
    const std::vector<std::string> lineEnds = {"\r\n", "\r\n", "\n", "\r", "\n\r"};
    const std::vector<std::string> pads = {"", "", " ", "\t", "  "};

    int compared = 0;
    for (int file = 0; file < 6; ++file) {
        std::string content;
        for (int s = 0; s < 6; ++s) {
            content += pick(pads) + "[" + pick(sectionNames) + "]" + pick(lineEnds);
            for (int k = 0; k < 8; ++k) {
                const int shape = static_cast<int>(random() % 10);
                if (shape == 0) content += pick(keyNames);  // no "="
                else if (shape == 1) content += "; " + pick(keyNames) + "=" + pick(values);
                else content += pick(pads) + pick(keyNames) + pick(pads) + "=" + pick(pads) + pick(values) + pick(pads);
                content += pick(lineEnds);
            }
        }
        std::vector<std::string> sections = sectionNames;
        sections.push_back(" Event 1 ");
        sections.push_back("SCHEDULE");
        std::vector<std::string> keys = keyNames;
        keys.push_back(" Name ");
        keys.push_back("Missing");
        compared += CompareAll(WriteIni(content), sections, keys);
    }
    EXPECT_GT(compared, 1000);
}

TEST_F(IniDocumentTest, NumberedSectionsAreThoseThatExist)
{
    struct Case {
        std::string content;
        std::vector<int> numbers;
    };
    const std::vector<Case> cases = {
        {"", {}},
        {"[Schedule]\nEvents=999999999\n", {}},
        {"[Event 1]\n[Event 3]\n[Event 2]\n[event 3]\n", {1, 2, 3}},
        {"[event 7]\n[EVENT 12]\n", {7, 12}},
        {"[Event 05]\n[Event -4]\n[Event 0]\n[Event 2x]\n[ Event 9 ]\n[Event 4]\n[Event +6]\n", {4, 9}},
        {"[Event 2147483647]\n[Event 2147483648]\n[Event 99999999999]\n", {INT_MAX}},
        {"[Eventual 8]\n[Event8]\n[Track 30]\n[Event 1]\n", {1}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IniDocument::Load(WriteIni(c.content)).NumberedSections("Event "), c.numbers) << c.content;
    }
}

// A file with a byte-order mark is read by the platform key by key.
TEST_F(IniDocumentTest, ByteOrderMarkedFilesAreReadByThePlatform)
{
    const std::string utf8 = WriteIni("\xEF\xBB\xBF[A]\r\nK=caf\xC3\xA9\r\n[Event 3]\r\n");
    const IniDocument document = IniDocument::Load(utf8);
    EXPECT_TRUE(document.ReadByPlatform());
    EXPECT_EQ(document.Text("A", "K"), ReadIniText(utf8, "A", "K"));
    EXPECT_EQ(document.NumberedSections("Event "), std::vector<int>{3});
    EXPECT_FALSE(IniDocument::Load(WriteIni("[A]\r\nK=v\r\n")).ReadByPlatform());
}

}  // namespace
