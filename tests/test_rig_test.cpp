// The test fixture's clean-up may remove only what a test made.
#include <string>

#include "tests/support/TestEnv.h"

namespace {

class TestRigTest : public LauncherTest {};

TEST_F(TestRigTest, TreeRemovalRefusesAnythingButAFolderBelowTheTempFolder)
{
    // A folder with a file that every refused call must leave in place.
    const std::string keep = TempDir() + "cwd\\";
    MakeFolders(keep);
    WriteTextFile(keep + "keep.txt", "keep");
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof previous, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(keep.c_str()));

    const std::string root = TestTempRoot();
    const std::string refused[] = {
        "",
        ".",
        "keep.txt",
        "cwd",
        "C:",
        "C:\\",
        "\\",
        "\\\\server\\share\\folder",
        "C:\\windows\\",
        root,
        root.substr(0, root.size() - 1),
        root + "\\",
        root + "..\\",
        root + "zant\\..\\..\\elsewhere",
        root + ".",
        root + "*",
        root + "zant/../..",
        keep.substr(0, 2) + "relative-to-drive",
    };
    for (const std::string& path : refused) {
        EXPECT_FALSE(IsRemovableTestPath(path)) << path;
        EXPECT_FALSE(RemoveTree(path)) << path;
        EXPECT_TRUE(FileExists(keep + "keep.txt")) << "removed by \"" << path << "\"";
    }
    SetCurrentDirectoryA(previous);

    EXPECT_TRUE(IsRemovableTestPath(keep));
    EXPECT_TRUE(RemoveTree(keep));
    EXPECT_FALSE(FileExists(keep));
    EXPECT_TRUE(RemoveTree(keep)) << "a folder already gone is no failure";
}

TEST_F(TestRigTest, TreeRemovalTakesReadOnlyFilesAndNestedFolders)
{
    const std::string tree = TempDir() + "tree\\";
    MakeFolders(tree + "a\\b\\c\\");
    WriteTextFile(tree + "a\\b\\c\\deep.txt", "x");
    WriteTextFile(tree + "a\\top.txt", "x");
    SetFileAttributesA((tree + "a\\top.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA((tree + "a\\b").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(RemoveTree(tree));
    EXPECT_FALSE(FileExists(tree));
}

// A link inside a test folder is never entered: what it points to stays.
TEST_F(TestRigTest, TreeRemovalNeverFollowsALink)
{
    const std::string fixture = LinkFixture();
    if (fixture.empty()) GTEST_SKIP() << "no folder link here; tests/links.sh provides one";
    ASSERT_TRUE(FileExists(fixture + "tree\\link\\precious.txt")) << "the link leads to the outside folder";

    WriteTextFile(fixture + "tree\\beside.txt", "x");
    EXPECT_TRUE(RemoveTree(fixture + "tree"));
    EXPECT_FALSE(FileExists(fixture + "tree\\beside.txt"));
    // Windows removes the link itself; Wine cannot remove a link to a folder
    // and leaves it, which is as safe.
    EXPECT_TRUE(FileExists(fixture + "outside\\precious.txt"));
}

}  // namespace
