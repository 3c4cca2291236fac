// Removal of files and folder trees named by catalog items.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/Handles.h"
#include "install/RemoveFiles.h"
#include "net/ErrorText.h"
#include "tests/support/TestEnv.h"

namespace {

using InstallRemoveTest = LauncherTest;

// Files (one read-only, one hidden and read-only) and a subfolder with a file.
void LayOut(const std::string& folder)
{
    MakeFolders(folder + "sub\\");
    for (const char* name : {"a.txt", "b.dat", "r.txt", "h.txt", "sub\\c.txt"}) WriteTextFile(folder + name, name);
    SetFileAttributesA((folder + "r.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA((folder + "h.txt").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
}

TEST_F(InstallRemoveTest, MatchingFilesGoAndEverythingElseStays)
{
    const struct {
        const char* pattern;
        std::vector<std::string> gone, kept;
    } cases[] = {
        {"*", {"a.txt", "b.dat", "r.txt", "h.txt"}, {"sub\\c.txt"}},
        {"*.txt", {"a.txt", "r.txt", "h.txt"}, {"b.dat", "sub\\c.txt"}},
        {"?.dat", {"b.dat"}, {"a.txt", "r.txt"}},
        {"nothing*.zz", {}, {"a.txt", "b.dat", "r.txt", "h.txt", "sub\\c.txt"}},
        {"missing\\*", {}, {"a.txt"}},
    };
    int index = 0;
    for (const auto& test : cases) {
        const std::string folder = TempDir() + std::to_string(index++) + "\\";
        LayOut(folder);
        DeleteMatchingFiles(folder + test.pattern);
        for (const std::string& name : test.gone) EXPECT_FALSE(FileExists(folder + name)) << test.pattern << name;
        for (const std::string& name : test.kept) EXPECT_TRUE(FileExists(folder + name)) << test.pattern << name;
    }
    DeleteMatchingFiles("Q:\\no-drive\\*");
    EXPECT_TRUE(Messages().empty());
}

TEST_F(InstallRemoveTest, FolderTreesGoWholeOrByWildcard)
{
    const std::string tree = TempDir() + "tree";
    LayOut(tree + "\\");
    LayOut(tree + "\\sub\\deeper\\");
    SetFileAttributesA((tree + "\\sub\\deeper").c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA(tree.c_str(), FILE_ATTRIBUTE_READONLY);
    DeleteFolderTree(tree);
    EXPECT_FALSE(FileExists(tree));

    const std::string parent = TempDir() + "parent\\";
    LayOut(parent + "skin1\\");
    LayOut(parent + "other\\");
    WriteTextFile(parent + "skin.txt", "x");
    DeleteFolderTree(parent + "skin*");
    EXPECT_FALSE(FileExists(parent + "skin1"));
    EXPECT_FALSE(FileExists(parent + "skin.txt"));
    EXPECT_TRUE(FileExists(parent + "other\\sub\\c.txt"));

    DeleteFolderTree(TempDir() + "never-there\\");
    EXPECT_TRUE(Messages().empty());
}

TEST_F(InstallRemoveTest, AFileInUseAsksAndIgnoreGivesUpOneLevel)
{
    const std::string tree = TempDir() + "tree";
    const std::string busy = tree + "\\inner\\locked.txt";
    MakeFolders(tree + "\\inner\\");
    WriteTextFile(busy, "x");
    WriteTextFile(tree + "\\z.txt", "x");
    UniqueHandle held(CreateFileA(busy.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held.valid());
    // The level above goes on and then finds its folder not empty.
    ExpectMessage("Warning: Unable to delete folder: " + tree + "\\inner. Unable to delete file: " + busy, IDIGNORE);
    ExpectMessage("Warning: Unable to delete folder: " + tree, IDIGNORE);
    DeleteFolderTree(tree);
    EXPECT_FALSE(FileExists(tree + "\\z.txt"));
    EXPECT_TRUE(FileExists(busy));
    EXPECT_EQ(Messages().back().type, static_cast<UINT>(MB_ABORTRETRYIGNORE));

    ExpectMessage("Warning: Unable to delete file: " + busy + "\r\nError: " + GetErrorText(32) + " (32)", IDABORT);
    DeleteMatchingFiles(tree + "\\inner\\*");
    held.reset();
    DeleteMatchingFiles(tree + "\\inner\\*");
    EXPECT_FALSE(FileExists(busy));
}

// A folder link is never entered.
TEST_F(InstallRemoveTest, FolderTreeRemovalNeverEntersALink)
{
    const std::string fixture = LinkFixture();
    if (fixture.empty()) GTEST_SKIP() << "no folder link here; tests/links.sh provides one";

    WriteTextFile(fixture + "tree\\beside.txt", "x");
    // Wine cannot remove a link to a folder (Windows removes the link itself).
    const bool wine = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
    if (wine) {
        ExpectMessage("Warning: Unable to delete folder: " + fixture + "tree\\link", IDIGNORE);
        ExpectMessage("Warning: Unable to delete folder: " + fixture + "tree", IDIGNORE);
        ExpectMessage("Warning: Unable to delete folder: " + fixture + "tree\\link", IDIGNORE);
    }
    DeleteFolderTree(fixture + "tree");
    DeleteFolderTree(fixture + "tree\\link");
    EXPECT_FALSE(FileExists(fixture + "tree\\beside.txt"));
    EXPECT_TRUE(FileExists(fixture + "outside\\precious.txt"));
}

}  // namespace
