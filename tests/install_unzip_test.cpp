// Unpacking archives into a target folder.
#include <windows.h>

#include <string>
#include <vector>

#include "app/Handles.h"
#include "install/ZipExtract.h"
#include "net/ErrorText.h"
#include "tests/support/TestEnv.h"
#include "tests/support/TestZip.h"

namespace {

using InstallUnzipTest = LauncherTest;

FILETIME LastWriteTime(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

FILETIME ExpectedTime(uint32_t dosDateTime)
{
    FILETIME local = {}, utc = {};
    DosDateTimeToFileTime(HIWORD(dosDateTime), LOWORD(dosDateTime), &local);
    LocalFileTimeToFileTime(&local, &utc);
    return utc;
}

// Every file below folder, relative to it.
void ListFiles(const std::string& folder, const std::string& prefix, std::vector<std::string>& found)
{
    WIN32_FIND_DATAA entry;
    FindHandle search(FindFirstFileA((folder + "*").c_str(), &entry));
    if (!search) return;
    do {
        const std::string name = entry.cFileName;
        if (name == "." || name == "..") continue;
        found.push_back(prefix + name);
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ListFiles(folder + name + "\\", prefix + name + "\\", found);
    } while (FindNextFileA(search.get(), &entry));
}

TEST_F(InstallUnzipTest, NestedFoldersFolderEntriesReplacedFilesAndTimes)
{
    const std::string archive = TempDir() + "track.zip";
    const uint32_t stamp = 0x5B2A7A31;  // 2025-09-10 15:17:34
    ASSERT_TRUE(WriteTestZip(archive, {{"GameData/Locations/oval/oval.gdb", "track " + std::string(5000, 't'),
                                        false, stamp},
                                       {"GameData/Empty/", "", true},
                                       {"readme.txt", "new readme"}}));
    const std::string target = TempDir() + "Sim\\";
    MakeFolders(target);
    WriteTextFile(target + "readme.txt", "old readme, longer than the new one");

    ASSERT_TRUE(ExtractArchive(archive, target));
    EXPECT_EQ(ReadTextFile(target + "GameData\\Locations\\oval\\oval.gdb"), "track " + std::string(5000, 't'));
    EXPECT_EQ(GetFileAttributesA((target + "GameData\\Empty").c_str()) & FILE_ATTRIBUTE_DIRECTORY,
              static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(ReadTextFile(target + "readme.txt"), "new readme");
    const FILETIME written = LastWriteTime(target + "GameData\\Locations\\oval\\oval.gdb");
    const FILETIME expected = ExpectedTime(stamp);
    EXPECT_EQ(CompareFileTime(&written, &expected), 0);
    std::vector<std::string> files;
    ListFiles(target, "", files);
    EXPECT_EQ(files.size(), 6u) << "no partial file left behind";

    // Flatten drops the entries' folders.
    const std::string flat = TempDir() + "flat\\";
    ASSERT_TRUE(ExtractArchive(archive, flat, true));
    EXPECT_TRUE(FileExists(flat + "oval.gdb"));
    EXPECT_FALSE(FileExists(flat + "GameData\\Locations"));
    EXPECT_TRUE(Messages().empty());
}

TEST_F(InstallUnzipTest, ExtractorReadsEntryInfoAndFiltersByExtension)
{
    const std::string archive = TempDir() + "pack.zip";
    ASSERT_TRUE(WriteTestZip(archive, {{"a/one.TXT", "1"}, {"two.bin", "22"}, {"b/", "", true}, {"three.txt", "333"}}));
    ArchiveExtractor extractor;
    ASSERT_TRUE(extractor.Open(archive));
    EXPECT_EQ(extractor.DefaultTargetFolder(), TempDir() + "pack");
    EXPECT_EQ(extractor.EntryCount(), 4);
    std::vector<std::string> names;
    for (bool more = extractor.FirstEntry("txt"); more; more = extractor.NextEntry("txt")) {
        ArchiveEntryInfo info;
        ASSERT_TRUE(extractor.ReadEntryInfo(info));
        names.push_back(info.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"a\\one.TXT", "three.txt"}));
    ASSERT_TRUE(extractor.FirstEntry("bin"));
    ArchiveEntryInfo info;
    ASSERT_TRUE(extractor.ReadEntryInfo(info));
    EXPECT_EQ(info.uncompressedSize, 2u);
    EXPECT_EQ(info.compressionMethod, 8u);
    EXPECT_FALSE(info.isFolder);
    ASSERT_TRUE(extractor.NextEntry());
    ASSERT_TRUE(extractor.ReadEntryInfo(info));
    EXPECT_TRUE(info.isFolder);
    EXPECT_FALSE(extractor.NextEntry("zip"));
    // No target folder: the folder named after the archive.
    ASSERT_TRUE(extractor.FirstEntry());
    ASSERT_TRUE(extractor.ExtractEntry("", false));
    EXPECT_EQ(ReadTextFile(TempDir() + "pack\\a\\one.TXT"), "1");
    EXPECT_TRUE(extractor.Close());
    EXPECT_EQ(extractor.EntryCount(), 0);
}

TEST_F(InstallUnzipTest, FailuresWithoutMessage)
{
    const std::string empty = TempDir() + "empty.zip";
    ASSERT_TRUE(WriteTestZip(empty, {}));
    WriteTextFile(TempDir() + "notzip.zip", "<html>404</html>");
    const std::string good = TempDir() + "good.zip";
    ASSERT_TRUE(WriteTestZip(good, {{"x.txt", "x"}}));
    WriteTextFile(TempDir() + "a-file", "in the way");

    EXPECT_FALSE(ExtractArchive(empty, TempDir() + "out1"));
    EXPECT_FALSE(ExtractArchive(TempDir() + "notzip.zip", TempDir() + "out2"));
    EXPECT_FALSE(ExtractArchive(TempDir() + "missing.zip", TempDir() + "out3"));
    EXPECT_FALSE(ExtractArchive(good, TempDir() + "a-file"));
    EXPECT_FALSE(ExtractArchive(good, ""));
    EXPECT_TRUE(Messages().empty());
}

// A damaged entry never replaces the good file under its name.
TEST_F(InstallUnzipTest, DamagedEntryKeepsThePreviousFile)
{
    const std::string target = TempDir() + "Sim\\";
    MakeFolders(target);
    struct Case {
        const char* what;
        TestZipEntry entry;
    };
    const Case cases[] = {
        {"CRC mismatch", {"car.veh", "stored body with a wrong checksum", false, 0x5A8C6000, 0x12345678}},
        {"undecodable data", {"car.veh", std::string("\xff\xfe\x00garbage", 10), false, 0x5A8C6000, 0x1, 8}},
    };
    for (const Case& test : cases) {
        WriteTextFile(target + "car.veh", "previous good car");
        const std::string archive = TempDir() + "damaged.zip";
        ASSERT_TRUE(WriteTestZip(archive, {test.entry}));
        EXPECT_FALSE(ExtractArchive(archive, target)) << test.what;
        EXPECT_EQ(ReadTextFile(target + "car.veh"), "previous good car") << test.what;
        EXPECT_FALSE(FileExists(target + "car.veh" + kPartialFileSuffix)) << test.what;
    }
}

TEST_F(InstallUnzipTest, ReadOnlyFileGivesTheCreateMessage)
{
    const std::string target = TempDir() + "Sim\\";
    MakeFolders(target);
    WriteTextFile(target + "locked.txt", "keep");
    SetFileAttributesA((target + "locked.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    const std::string archive = TempDir() + "a.zip";
    ASSERT_TRUE(WriteTestZip(archive, {{"locked.txt", "new"}}));
    ExpectMessage("Unable to unzip file. Failed to create file (" + target + "locked.txt).  Error: " +
                  GetErrorText(5) + " (5)");
    EXPECT_FALSE(ExtractArchive(archive, target));
    ASSERT_FALSE(Messages().empty());
    EXPECT_EQ(Messages().back().type, static_cast<UINT>(MB_ICONHAND | MB_OK));
    EXPECT_EQ(ReadTextFile(target + "locked.txt"), "keep");
    SetFileAttributesA((target + "locked.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Any entry that would land outside the target refuses the whole archive
// before anything is written.
TEST_F(InstallUnzipTest, UnsafeEntryNamesRefuseTheWholeArchive)
{
    const std::string target = TempDir() + "t\\";
    const std::string tooLong(kEntryNameBufferSize + 40, 'n');
    const std::string joinsTooLong = std::string(kEntryNameBufferSize - target.size() - 8, 'j') + ".txt";
    const std::string names[] = {
        "../evil.txt",
        "..\\evil.txt",
        "a/../../evil.txt",
        "a/.../evil.txt",
        "a/.. /evil.txt",
        "/abs.txt",
        "\\abs.txt",
        "C:\\evil.txt",
        "C:evil.txt",
        "\\\\server\\share\\x.txt",
        "//?/C:/x.txt",
        "\\\\.\\PhysicalDrive0",
        "file.txt:stream",
        "CON",
        "nul.txt",
        "sub/COM1.dat",
        "Lpt9 ",
        "aux",
        "bad\x01name",
        tooLong,
        joinsTooLong,
    };
    for (const std::string& name : names) {
        const std::string archive = TempDir() + "unsafe.zip";
        ASSERT_TRUE(WriteTestZip(archive, {{"first.txt", "written first?"}, {name, "payload"}}));
        ExpectMessage("Unable to unzip file. Unsafe path in archive (");
        EXPECT_FALSE(ExtractArchive(archive, target)) << name;
        EXPECT_FALSE(FileExists(target + "first.txt")) << name;
    }
    std::vector<std::string> everything;
    ListFiles(TempDir(), "", everything);
    EXPECT_EQ(everything, (std::vector<std::string>{"t", "unsafe.zip"}));

    // Names that only look odd are fine.
    const std::string fine = TempDir() + "fine.zip";
    ASSERT_TRUE(WriteTestZip(fine, {{"./a..b/c.txt", "1"}, {"console.txt", "2"}, {"com10.txt", "3"}}));
    EXPECT_TRUE(ExtractArchive(fine, target));
    EXPECT_EQ(ReadTextFile(target + "a..b\\c.txt"), "1");
}

TEST_F(InstallUnzipTest, EnsureFolderCreatesAncestorsAndRefusesAFile)
{
    const std::string deep = TempDir() + "a\\b\\c\\";
    EXPECT_TRUE(EnsureFolder(deep));
    EXPECT_TRUE(EnsureFolder(deep));
    EXPECT_TRUE(FileExists(deep));
    EXPECT_TRUE(EnsureParentFolder(TempDir() + "x\\y\\file.txt"));
    EXPECT_TRUE(FileExists(TempDir() + "x\\y"));
    EXPECT_FALSE(FileExists(TempDir() + "x\\y\\file.txt"));
    WriteTextFile(TempDir() + "plain", "x");
    EXPECT_FALSE(EnsureFolder(TempDir() + "plain"));
    EXPECT_FALSE(EnsureFolder(""));
    EXPECT_FALSE(EnsureParentFolder("nofolder.txt"));

    const uint32_t stamp = 0x4A211800;  // 2017-01-01 03:00:00
    ASSERT_TRUE(StampFileTime(TempDir() + "plain", stamp));
    const FILETIME written = LastWriteTime(TempDir() + "plain");
    const FILETIME expected = ExpectedTime(stamp);
    EXPECT_EQ(CompareFileTime(&written, &expected), 0);
    EXPECT_FALSE(StampFileTime(TempDir() + "missing", stamp));
}

}  // namespace
