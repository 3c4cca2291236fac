// Removal of files and folder trees named by catalog items.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/Handles.h"
#include "install/RemoveFiles.h"
#include "tests/support/TestEnv.h"

namespace {

using InstallRemoveTest = LauncherTest;

bool RunningOnWine()
{
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// A folder with files (one read-only, one hidden and read-only) and a subfolder.
void LayOut(const std::string& folder)
{
    MakeFolders(folder + "sub\\");
    for (const char* name : {"a.txt", "b.dat", "r.txt", "h.txt", "sub\\c.txt"}) WriteTextFile(folder + name, name);
    SetFileAttributesA((folder + "r.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA((folder + "h.txt").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
}

TEST_F(InstallRemoveTest, MatchingFilesGoAndEverythingElseStays)
{
    struct Case {
        const char* pattern;
        std::vector<std::string> gone;
        std::vector<std::string> kept;
    };
    const Case cases[] = {
        {"*", {"a.txt", "b.dat", "r.txt", "h.txt"}, {"sub\\c.txt", "sub"}},
        {"*.txt", {"a.txt", "r.txt", "h.txt"}, {"b.dat", "sub\\c.txt"}},
        {"?.dat", {"b.dat"}, {"a.txt", "r.txt", "sub"}},
        {"nothing*.zz", {}, {"a.txt", "b.dat", "r.txt", "h.txt", "sub\\c.txt"}},
        {"missing\\*", {}, {"a.txt", "b.dat", "sub\\c.txt"}},
        {"sub", {}, {"sub\\c.txt"}},
    };
    int index = 0;
    for (const Case& test : cases) {
        const std::string folder = TempDir() + "case" + std::to_string(index++) + "\\";
        LayOut(folder);
        DeleteMatchingFiles(folder + test.pattern);
        for (const std::string& name : test.gone) EXPECT_FALSE(FileExists(folder + name)) << test.pattern << " " << name;
        for (const std::string& name : test.kept) EXPECT_TRUE(FileExists(folder + name)) << test.pattern << " " << name;
        EXPECT_TRUE(FileExists(folder)) << test.pattern;
    }
    DeleteMatchingFiles(TempDir() + "no-such-folder\\deeper\\*.txt");
    DeleteMatchingFiles("Q:\\no-drive\\*");
    EXPECT_TRUE(Messages().empty());
}

TEST_F(InstallRemoveTest, FolderTreeGoesDeepestFirstWithReadOnlyFilesAndFolders)
{
    const std::string tree = TempDir() + "tree";
    LayOut(tree + "\\");
    LayOut(tree + "\\sub\\deeper\\");
    SetFileAttributesA((tree + "\\sub\\deeper").c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA(tree.c_str(), FILE_ATTRIBUTE_READONLY);
    DeleteFolderTree(tree);
    EXPECT_FALSE(FileExists(tree));
    EXPECT_TRUE(FileExists(TempDir()));

    DeleteFolderTree(TempDir() + "never-there");
    DeleteFolderTree(TempDir() + "never-there\\");
    EXPECT_TRUE(Messages().empty());
}

TEST_F(InstallRemoveTest, WildcardFolderTreeKeepsTheFolderHoldingTheMatches)
{
    const std::string parent = TempDir() + "parent\\";
    LayOut(parent + "skin1\\");
    LayOut(parent + "skin2\\");
    LayOut(parent + "other\\");
    WriteTextFile(parent + "skin.txt", "x");
    DeleteFolderTree(parent + "skin*");
    EXPECT_FALSE(FileExists(parent + "skin1"));
    EXPECT_FALSE(FileExists(parent + "skin2"));
    EXPECT_FALSE(FileExists(parent + "skin.txt"));
    EXPECT_TRUE(FileExists(parent + "other\\sub\\c.txt"));
    EXPECT_TRUE(FileExists(parent));
}

TEST_F(InstallRemoveTest, AFileInUseAsksAndIgnoreLeavesIt)
{
    const std::string folder = TempDir() + "busy\\";
    LayOut(folder);
    const std::string busy = folder + "b.dat";
    UniqueHandle held(CreateFileA(busy.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held.valid());

    ExpectMessage("Warning: Unable to delete file: " + busy + "\r\nError: ", IDIGNORE);
    DeleteMatchingFiles(folder + "*");
    EXPECT_NE(Messages().back().text.find("(32)"), std::string::npos) << Messages().back().text;
    EXPECT_EQ(Messages().back().type, static_cast<UINT>(MB_ABORTRETRYIGNORE));
    EXPECT_TRUE(FileExists(busy));
    EXPECT_FALSE(FileExists(folder + "a.txt")) << "files before the busy one are deleted";

    // Ignore in a subfolder gives up that level only; the level above then
    // finds its folder not empty and asks in turn.
    const std::string tree = TempDir() + "tree";
    MakeFolders(tree + "\\inner\\");
    const std::string innerBusy = tree + "\\inner\\locked.txt";
    WriteTextFile(innerBusy, "x");
    WriteTextFile(tree + "\\z.txt", "x");
    UniqueHandle innerHeld(CreateFileA(innerBusy.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ExpectMessage("Warning: Unable to delete folder: " + tree + "\\inner. Unable to delete file: " + innerBusy,
                  IDIGNORE);
    ExpectMessage("Warning: Unable to delete folder: " + tree, IDIGNORE);
    DeleteFolderTree(tree);
    EXPECT_FALSE(FileExists(tree + "\\z.txt"));
    EXPECT_TRUE(FileExists(innerBusy));

    // Retry after the other program let go deletes it.
    held.reset();
    DeleteMatchingFiles(folder + "*");
    EXPECT_FALSE(FileExists(busy));
}

// A folder link inside a tree is never entered. Wine makes no links itself:
// tests/links.sh lays out a tree with a real folder link under the temp
// folder and names it in ZANT_LINK_FIXTURE.
TEST_F(InstallRemoveTest, FolderTreeRemovalNeverEntersALink)
{
    std::string fixture;
    if (const char* prepared = std::getenv("ZANT_LINK_FIXTURE")) {
        fixture = TestTempRoot() + prepared + "\\";
    } else {
        fixture = TempDir();
        MakeFolders(fixture + "outside\\");
        MakeFolders(fixture + "tree\\");
        WriteTextFile(fixture + "outside\\precious.txt", "mine");
        CreateSymbolicLinkA((fixture + "tree\\link").c_str(), (fixture + "outside").c_str(),
                            SYMBOLIC_LINK_FLAG_DIRECTORY);
    }
    const DWORD attributes = GetFileAttributesA((fixture + "tree\\link").c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        GTEST_SKIP() << "no folder link here; tests/links.sh provides one";
    ASSERT_TRUE(FileExists(fixture + "tree\\link\\precious.txt"));

    WriteTextFile(fixture + "tree\\beside.txt", "x");
    if (RunningOnWine()) {
        // Wine cannot remove a link to a folder: the user hears of it twice.
        ExpectMessage("Warning: Unable to delete folder: " + fixture + "tree\\link", IDIGNORE);
        ExpectMessage("Warning: Unable to delete folder: " + fixture + "tree", IDIGNORE);
    }
    DeleteFolderTree(fixture + "tree");
    EXPECT_FALSE(FileExists(fixture + "tree\\beside.txt"));
    EXPECT_TRUE(FileExists(fixture + "outside\\precious.txt"));
    // The link named directly is not entered either.
    if (RunningOnWine()) ExpectMessage("Warning: Unable to delete folder: " + fixture + "tree\\link", IDIGNORE);
    DeleteFolderTree(fixture + "tree\\link");
    EXPECT_TRUE(FileExists(fixture + "outside\\precious.txt"));
}

}  // namespace
