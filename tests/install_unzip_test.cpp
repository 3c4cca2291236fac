// Unpacking archives into a target folder.
#include <windows.h>

#include <string>
#include <vector>

#include "install/ZipExtract.h"
#include "net/ErrorText.h"
#include "tests/support/TestEnv.h"
#include "tests/support/TestZip.h"

namespace {

using InstallUnzipTest = LauncherTest;

// The last-write time a file should carry for an MS-DOS time read as local time.
bool WrittenAt(const std::string& path, uint32_t dosDateTime)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    FILETIME local = {}, utc = {};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    DosDateTimeToFileTime(HIWORD(dosDateTime), LOWORD(dosDateTime), &local);
    LocalFileTimeToFileTime(&local, &utc);
    return CompareFileTime(&data.ftLastWriteTime, &utc) == 0;
}

TEST_F(InstallUnzipTest, NestedFoldersFolderEntriesReplacedFilesAndTimes)
{
    const std::string archive = TempDir() + "track.zip";
    const uint32_t stamp = 0x5B2A7A31;  // 2025-09-10 15:17:34
    ASSERT_TRUE(WriteTestZip(archive, {{"GameData/Locations/oval/oval.gdb", "oval", false, stamp},
                                       {"GameData/Empty/", "", true},
                                       {"readme.txt", "new readme"}}));
    const std::string target = TempDir() + "Sim\\";
    MakeFolders(target);
    WriteTextFile(target + "readme.txt", "old readme, longer than the new one");

    ASSERT_TRUE(ExtractArchive(archive, target));
    EXPECT_EQ(ReadTextFile(target + "GameData\\Locations\\oval\\oval.gdb"), "oval");
    EXPECT_TRUE(FileExists(target + "GameData\\Empty"));
    EXPECT_EQ(ReadTextFile(target + "readme.txt"), "new readme");
    EXPECT_FALSE(FileExists(target + "readme.txt" + kPartialFileSuffix));
    EXPECT_TRUE(WrittenAt(target + "GameData\\Locations\\oval\\oval.gdb", stamp));

    ASSERT_TRUE(StampFileTime(target + "readme.txt", stamp));
    EXPECT_TRUE(WrittenAt(target + "readme.txt", stamp));

    ASSERT_TRUE(ExtractArchive(archive, TempDir() + "flat\\", true));
    EXPECT_TRUE(FileExists(TempDir() + "flat\\oval.gdb"));
    EXPECT_TRUE(Messages().empty());
}

TEST_F(InstallUnzipTest, ExtractorFiltersByExtensionAndDefaultsToAFolderBesideTheArchive)
{
    const std::string archive = TempDir() + "pack.zip";
    ASSERT_TRUE(WriteTestZip(archive, {{"a/one.TXT", "1"}, {"two.bin", "22"}, {"three.txt", "333"}}));
    ArchiveExtractor extractor;
    ASSERT_TRUE(extractor.Open(archive));
    EXPECT_EQ(extractor.EntryCount(), 3);
    std::vector<std::string> names;
    for (bool more = extractor.FirstEntry("txt"); more; more = extractor.NextEntry("txt")) {
        ArchiveEntryInfo info;
        ASSERT_TRUE(extractor.ReadEntryInfo(info));
        names.push_back(info.name + " " + std::to_string(info.uncompressedSize));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"a\\one.TXT 1", "three.txt 3"}));
    ASSERT_TRUE(extractor.FirstEntry());
    ASSERT_TRUE(extractor.ExtractEntry("", false));
    EXPECT_EQ(ReadTextFile(TempDir() + "pack\\a\\one.TXT"), "1");
}

TEST_F(InstallUnzipTest, FailuresWithoutMessage)
{
    const std::string empty = TempDir() + "empty.zip", good = TempDir() + "good.zip";
    ASSERT_TRUE(WriteTestZip(empty, {}));
    ASSERT_TRUE(WriteTestZip(good, {{"x.txt", "x"}}));
    WriteTextFile(TempDir() + "notzip.zip", "<html>404</html>");
    WriteTextFile(TempDir() + "a-file", "in the way");

    EXPECT_FALSE(ExtractArchive(empty, TempDir() + "out"));
    EXPECT_FALSE(ExtractArchive(TempDir() + "notzip.zip", TempDir() + "out"));
    EXPECT_FALSE(ExtractArchive(TempDir() + "missing.zip", TempDir() + "out"));
    EXPECT_FALSE(ExtractArchive(good, TempDir() + "a-file"));
    EXPECT_FALSE(EnsureParentFolder(TempDir() + "a-file\\x.txt"));
    EXPECT_TRUE(Messages().empty());
}

// A damaged entry never passes for good, nor replaces the good file.
TEST_F(InstallUnzipTest, DamagedEntryKeepsThePreviousFile)
{
    const std::string target = TempDir() + "Sim\\";
    MakeFolders(target);
    const TestZipEntry damaged[] = {
        {"car.veh", "stored body with a wrong checksum", false, 0x5A8C6000, 0x12345678},
        {"car.veh", std::string("\xff\xfe\x00garbage", 10), false, 0x5A8C6000, 0x1, 8},
    };
    for (const TestZipEntry& entry : damaged) {
        WriteTextFile(target + "car.veh", "previous good car");
        const std::string archive = TempDir() + "damaged.zip";
        ASSERT_TRUE(WriteTestZip(archive, {entry}));
        EXPECT_FALSE(ExtractArchive(archive, target)) << entry.rawMethod;
        EXPECT_EQ(ReadTextFile(target + "car.veh"), "previous good car") << entry.rawMethod;
        EXPECT_FALSE(FileExists(target + "car.veh" + kPartialFileSuffix));
        // Into a folder of its own making: nothing of the entry stays.
        EXPECT_FALSE(ExtractArchive(archive, TempDir() + "fresh" + std::to_string(entry.rawMethod)));
        EXPECT_FALSE(FileExists(TempDir() + "fresh" + std::to_string(entry.rawMethod) + "\\car.veh"));
    }
}

TEST_F(InstallUnzipTest, ReadOnlyFileGivesTheCreateMessage)
{
    const std::string target = TempDir() + "Sim\\";
    MakeFolders(target);
    WriteTextFile(target + "locked.txt", "keep");
    SetFileAttributesA((target + "locked.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(WriteTestZip(TempDir() + "a.zip", {{"locked.txt", "new"}}));
    ExpectMessage("Unable to unzip file. Failed to create file (" + target + "locked.txt).  Error: " +
                  GetErrorText(5) + " (5)");
    EXPECT_FALSE(ExtractArchive(TempDir() + "a.zip", target));
    EXPECT_EQ(ReadTextFile(target + "locked.txt"), "keep");
    SetFileAttributesA((target + "locked.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Any entry that would land outside the target refuses the whole archive
// before anything is written.
TEST_F(InstallUnzipTest, UnsafeEntryNamesRefuseTheWholeArchive)
{
    const std::string target = TempDir() + "t\\";
    const std::string names[] = {
        "../evil.txt", "..\\evil.txt", "a/../../evil.txt", "a/.../evil.txt", "a/.. /evil.txt", "/abs.txt",
        "\\abs.txt", "C:\\evil.txt", "C:evil.txt", "\\\\server\\share\\x.txt", "//?/C:/x.txt", "\\\\.\\PhysicalDrive0",
        "file.txt:stream", "CON", "nul.txt", "sub/COM1.dat", "Lpt9 ", "bad\x01name",
        std::string(kEntryNameBufferSize + 40, 'n'),
        std::string(kEntryNameBufferSize - target.size() - 8, 'j') + ".txt",
    };
    for (const std::string& name : names) {
        ASSERT_TRUE(WriteTestZip(TempDir() + "unsafe.zip", {{"first.txt", "written first?"}, {name, "payload"}}));
        ExpectMessage("Unable to unzip file. Unsafe path in archive (");
        EXPECT_FALSE(ExtractArchive(TempDir() + "unsafe.zip", target)) << name;
        EXPECT_FALSE(FileExists(target + "first.txt")) << name;
    }
    EXPECT_FALSE(FileExists(TempDir() + "evil.txt"));

    // Names that only look odd are fine.
    ASSERT_TRUE(WriteTestZip(TempDir() + "fine.zip", {{"./a..b/c.txt", "1"}, {"console.txt", "2"}, {"com10", "3"}}));
    EXPECT_TRUE(ExtractArchive(TempDir() + "fine.zip", target));
    EXPECT_EQ(ReadTextFile(target + "a..b\\c.txt"), "1");
}

}  // namespace
