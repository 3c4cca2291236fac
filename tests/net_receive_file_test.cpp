#include "tests/support/TestEnv.h"

#include "net/ReceiveFile.h"

namespace {

class ReceiveFileTest : public LauncherTest {};

TEST_F(ReceiveFileTest, CommitReplacesTheTarget)
{
    const std::string target = TempDir() + "zant.ini";
    WriteTextFile(target, "previous events file, longer than the new one");

    ReceiveFile file;
    ASSERT_TRUE(file.Create(target));
    EXPECT_EQ(file.TempPath().rfind(TempDir(), 0), 0u) << "the temporary file must lie beside its target";
    ASSERT_TRUE(file.Write("new", 3));
    ASSERT_TRUE(file.Write(" events", 7));
    // Nothing reaches the target before the commit.
    EXPECT_EQ(ReadTextFile(target), "previous events file, longer than the new one");

    ASSERT_TRUE(file.Commit(target));
    EXPECT_EQ(ReadTextFile(target), "new events");
    EXPECT_FALSE(FileExists(file.TempPath()));
}

TEST_F(ReceiveFileTest, AnAbandonedTransferLeavesThePreviousFileAsItWas)
{
    const std::string target = TempDir() + "zant.ini";
    WriteTextFile(target, "[Event1]\r\nServer=10.0.0.1:54297\r\n");
    std::string tempPath;
    {
        ReceiveFile file;
        ASSERT_TRUE(file.Create(target));
        tempPath = file.TempPath();
        ASSERT_TRUE(file.Write("[Ev", 3));
    }
    EXPECT_EQ(ReadTextFile(target), "[Event1]\r\nServer=10.0.0.1:54297\r\n");
    EXPECT_FALSE(FileExists(tempPath));
}

TEST_F(ReceiveFileTest, NewTargetAppearsOnlyOnCommit)
{
    const std::string target = TempDir() + "Setups\\new.svm";
    CreateDirectoryA((TempDir() + "Setups").c_str(), nullptr);
    ReceiveFile file;
    ASSERT_TRUE(file.Create(target));
    EXPECT_FALSE(FileExists(target));
    ASSERT_TRUE(file.Commit(target));
    EXPECT_TRUE(FileExists(target));
    EXPECT_EQ(ReadTextFile(target), "");
}

TEST_F(ReceiveFileTest, FailuresKeepTheirErrorCode)
{
    ReceiveFile missingFolder;
    EXPECT_FALSE(missingFolder.Create(TempDir() + "no\\such\\file.txt"));
    EXPECT_NE(GetLastError(), 0u);
    EXPECT_FALSE(missingFolder.IsOpen());

    const std::string target = TempDir() + "locked.txt";
    WriteTextFile(target, "keep");
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY);
    ReceiveFile readOnly;
    EXPECT_FALSE(readOnly.Create(target));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(ReadTextFile(target), "keep");
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);

    ReceiveFile folder;
    EXPECT_FALSE(folder.Create(TempDir()));
    EXPECT_FALSE(folder.Create(TempDir().substr(0, TempDir().size() - 1)));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

    // Only the target remains: no temporary file was left by the refusals.
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((TempDir() + "*.tmp").c_str(), &found);
    EXPECT_EQ(find, INVALID_HANDLE_VALUE);
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
}

} // namespace
