#include <algorithm>
#include <string>
#include <vector>

#include "app/FileReplace.h"
#include "simconfig/ModFiles.h"
#include "tests/support/TestEnv.h"

namespace {

std::string Golden(const std::string& name)
{
    const std::string path = std::string(ZANT_SOURCE_DIR) + "/tests/golden/" + name;
    EXPECT_TRUE(FileExists(path)) << path;
    return ReadTextFile(path);
}

const char kSetup[] = "UserData\\player\\Settings\\Bristol\\new.svm";
const std::string kLongGalLine = "  Comment=\"" + std::string(3000, 'x') + "\"";

using ModFilesTest = LauncherTest;

TEST_F(ModFilesTest, AutoLoadEntriesMatchGoldenFiles)
{
    const std::string cupEntry = "AutoLoadEntry\n{\n  Track=\"Bristol\"\n  Classes=\"CUP\"\n  Session=10\n  File=\"cup.svm\"\n}\n";
    const struct {
        const char* name;
        bool exists;
        std::string before;
        const char* golden;
    } cases[] = {
        {"missing file gets the one entry", false, "", "autoload_new.gal"},
        {"other classes only: entry appended", true, cupEntry, "autoload_appended.gal"},
        {"matching entries get their file line; broken and long lines kept", true,
         "// Favorite setups\n"
         "AutoLoadEntry\n{\n  Track=\"Bristol\"\n  Classes=\"NW\"\n  Session=5\n  File=\"old.svm\"\n}\n" +
             cupEntry +
             "AutoLoadEntry\n{\n  Track=\"Bristol Night\"\n  Classes=\"NW\"\n  Session=10\n  File=\"night.svm\"\n}\n"
             "AutoLoadEntry\n{\n  Track=\"Bristol\"\n  Comment=\"breaks the entry\"\n  Classes=\"NW\"\n  Session=10\n"
             "  File=\"kept.svm\"\n}\n" +
             kLongGalLine +
             "\nAutoLoadEntry\r\n{\r\n  Track=\"Bristol\"\r\n  Classes=\"NW\"\r\n  Session=10\r\n  File=\"x.svm\"\r\n}",
         "autoload_replaced.gal"},
    };
    for (const auto& c : cases) {
        const std::string gal = TempDir() + "FavoriteAndFixedSetups.gal";
        DeleteFileA(gal.c_str());
        if (c.exists) WriteTextFile(gal, c.before);
        EXPECT_TRUE(SetAutoLoadSetup(gal, "Bristol", "NW", kSetup));
        EXPECT_EQ(ReadTextFile(gal), Golden(c.golden)) << c.name;
        EXPECT_FALSE(FileExists(gal + ".tmp")) << c.name;
    }
    // A list that cannot be read (the sim holds it) keeps the driver's favourites.
    const std::string gal = TempDir() + "FavoriteAndFixedSetups.gal";
    HANDLE held = CreateFileA(gal.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_FALSE(SetAutoLoadSetup(gal, "Dover", "CUP", kSetup));
    CloseHandle(held);
    EXPECT_EQ(ReadTextFile(gal), Golden(cases[std::size(cases) - 1].golden));
}

TEST_F(ModFilesTest, SeriesCodeChoosesTheModFiles)
{
    const std::string sim = TempDir();
    MakeFolders(sim + "rfm");
    const char* const files[] = {"CUP.rfm", "NW.rfm", "TRUCK.rfm", "notes.rfmx"};
    const struct {
        const char* code;
        std::vector<std::string> changed;
    } cases[] = {
        {"Cup2016", {"CUP.rfm"}},
        {"GNS", {"NW.rfm"}},
        {"TRUCK", {"TRUCK.rfm"}},
        {"cup2016", {}},  // compared case-sensitively: no file "cup2016.rfm"
        {"..\\rfm\\TRUCK", {}},
        {"", {"CUP.rfm", "NW.rfm", "TRUCK.rfm"}},
    };
    for (const auto& c : cases) {
        for (const char* name : files) WriteTextFile(sim + "rfm\\" + name, "CountCautionLaps = 1\n");
        SetModFileValue(sim, c.code, "CountCautionLaps", "0");
        for (const char* name : files) {
            const bool changed = std::find(c.changed.begin(), c.changed.end(), name) != c.changed.end();
            EXPECT_EQ(ReadTextFile(sim + "rfm\\" + name), changed ? "CountCautionLaps = 0\n" : "CountCautionLaps = 1\n")
                << "code '" << c.code << "', file " << name;
        }
        EXPECT_FALSE(FileExists(sim + "rfm\\cup2016.rfm"));
    }
}

TEST_F(ModFilesTest, ModFileLinesMatchGoldenFile)
{
    const std::string sim = TempDir();
    MakeFolders(sim + "rfm");
    WriteTextFile(sim + "rfm\\NW.rfm",
                  "[Rules]\n"
                  "CountCautionLaps = 1\n"
                  "// CountCautionLaps=1\n"
                  "CountCautionLaps =1\r\n"
                  "Other = 5\r\n"
                  "  Name = \"" + std::string(2000, 'y') + "\"\n"
                  "CountCautionLaps");
    SetModFileValue(sim, "GNS", "CountCautionLaps", "0");
    EXPECT_EQ(ReadTextFile(sim + "rfm\\NW.rfm"), Golden("caution_laps.rfm"));
}

TEST_F(ModFilesTest, ReadsTheFirstValueOfTheKey)
{
    const std::string sim = TempDir();
    MakeFolders(sim + "rfm");
    const struct {
        const char* content;
        const char* expected;
    } cases[] = {
        {"CountCautionLaps=  1  \n", "1"},
        {"CountCautionLaps\nCountCautionLaps = 2\r\nCountCautionLaps = 3\n", "2"},
        {"Other = 4\n", ""},
        {"countcautionlaps = 5\n", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        WriteTextFile(sim + "rfm\\NW.rfm", c.content);
        EXPECT_EQ(GetModFileValue(sim, "NW", "CountCautionLaps"), c.expected) << c.content;
    }
    EXPECT_EQ(GetModFileValue(sim, "Missing", "CountCautionLaps"), "");
    WriteTextFile(sim + "outside.rfm", "CountCautionLaps = 9\n");
    EXPECT_EQ(GetModFileValue(sim, "..\\outside", "CountCautionLaps"), "");
}

// A file the sim holds open cannot be replaced: it keeps its content and the
// temporary file goes.
TEST_F(ModFilesTest, FailedReplacementKeepsTheOldFile)
{
    const std::string gal = TempDir() + "FavoriteAndFixedSetups.gal";
    const std::string before = "AutoLoadEntry\n{\n  Track=\"Bristol\"\n  Classes=\"NW\"\n  Session=10\n  File=\"old.svm\"\n}\n";
    WriteTextFile(gal, before);
    HANDLE held = CreateFileA(gal.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    SetAutoLoadSetup(gal, "Bristol", "NW", kSetup);
    EXPECT_FALSE(ReplaceFileContent(gal, "cut"));
    CloseHandle(held);
    EXPECT_EQ(ReadTextFile(gal), before);
    EXPECT_FALSE(FileExists(gal + ".tmp"));

    // A folder that does not exist: nothing is left behind anywhere.
    EXPECT_FALSE(ReplaceFileContent(TempDir() + "missing\\file.gal", "x"));
    EXPECT_FALSE(FileExists(TempDir() + "missing"));
}

}  // namespace
