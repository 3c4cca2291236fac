#include <string>

#include "app/IniFile.h"
#include "tests/support/TestEnv.h"

namespace {

// Reading a whole section at once must give what the per-key readers give.
using IniSectionTest = LauncherTest;

TEST_F(IniSectionTest, SectionReadsMatchKeyReads)
{
    const std::string file = TempDir() + "tricky.ini";
    WriteTextFile(file,
                  "[Track 1]\r\n"
                  "; a comment line\r\n"
                  "Name = Bristol Motor Speedway \r\n"
                  "NOTE=\"quoted; with a semicolon\"\r\n"
                  "Single='single quoted'\r\n"
                  "Half=\"only opening\r\n"
                  "Empty=\r\n"
                  "name=second of a duplicate\r\n"
                  "Number=  42abc\r\n"
                  "Negative=-7\r\n"
                  "NoDigits=abc\r\n"
                  "Spaced Key = spaced value\r\n"
                  "Long=" + std::string(1500, 'x') + "\r\n"
                  "[Track 2]\r\nName=other\r\n");
    const IniSection section(file, "track 1");
    for (const char* key : {"Name", "name", "Note", "Single", "Half", "Empty", "Number", "Negative", "NoDigits",
                            "Spaced Key", "Long", "Missing"})
        EXPECT_EQ(section.Text(key, "default"), ReadIniText(file, "Track 1", key, "default")) << key;
    for (const char* key : {"Number", "Negative", "NoDigits", "Missing", "Empty"})
        EXPECT_EQ(section.Number(key, 5), ReadIniNumber(file, "Track 1", key, 5)) << key;
    EXPECT_FALSE(section.Has("Missing"));
    EXPECT_TRUE(section.Has("EMPTY"));
    EXPECT_EQ(IniSection(TempDir() + "none.ini", "Track 1").Text("Name", "d"), "d");
}

}  // namespace
