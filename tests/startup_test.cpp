#include <string>

#include "app/Settings.h"
#include "app/Startup.h"
#include "tests/support/TestEnv.h"

namespace {

class StartupTest : public LauncherTest {
protected:
    void SetUp() override
    {
        LauncherTest::SetUp();
        simFolder_ = TempDir() + "Sim\\";
        MakeFolders(simFolder_);
        hooks_.openAddress = [this](const std::string& address) {
            openedAddresses_.push_back(address);
            return shellResult_;
        };
    }
    std::string LauncherPath() const { return simFolder_ + "ZANTLauncher.exe"; }
    void MakeFileOfSize(const std::string& name, size_t size)
    {
        WriteTextFile(simFolder_ + name, std::string(size, 'x'));
    }
    StartupVerdict Check(bool* dedicated) { return RunStartupChecks(LauncherPath(), hooks_, dedicated); }

    std::string simFolder_;
    StartupHooks hooks_;
    std::vector<std::string> openedAddresses_;
    INT_PTR shellResult_ = 42;
};

TEST_F(StartupTest, OldInstallationLibraryAboveOneMillionBytesStopsTheProgram)
{
    bool dedicated = false;
    MakeFileOfSize("libleverage.dll", 1000000);
    EXPECT_EQ(Check(&dedicated), StartupVerdict::ShowWindow) << "exactly 1000000 bytes passes";

    MakeFileOfSize("libleverage.dll", 1000001);
    ExpectMessage("It appears the ZANT Launcher is being run from a previous VORA installation. "
                  "The ZANT Launcher will now exit.");
    EXPECT_EQ(Check(&dedicated), StartupVerdict::Exit);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].title, "ZANT Launcher");
    EXPECT_EQ(Messages()[0].type, static_cast<UINT>(MB_OK | MB_ICONSTOP));
}

TEST_F(StartupTest, MissingLibraryAndDirectXPresentPassSilently)
{
    bool dedicated = false;
    EXPECT_EQ(Check(&dedicated), StartupVerdict::ShowWindow);
    EXPECT_FALSE(dedicated);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(StartupTest, DedicatedServerSkipsTheDirectXCheck)
{
    WriteTextFile(simFolder_ + "VORA Dedicated.exe", "server");
    hooks_.directXLibrary = "no_such_d3d9.dll";
    bool dedicated = false;
    EXPECT_EQ(Check(&dedicated), StartupVerdict::ShowWindow);
    EXPECT_TRUE(dedicated);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(StartupTest, DirectXMissingAsksAndFollowsTheAnswer)
{
    hooks_.directXLibrary = "no_such_d3d9.dll";
    bool dedicated = false;

    ExpectMessage("This system does not appear to have DirectX 9 installed. Download DirectX 9 now?", IDNO);
    EXPECT_EQ(Check(&dedicated), StartupVerdict::ShowWindow) << "No goes on to the window";
    EXPECT_EQ(Messages().back().type, static_cast<UINT>(MB_YESNO | MB_ICONSTOP));
    EXPECT_TRUE(openedAddresses_.empty());

    ExpectMessage("Download DirectX 9 now?", IDYES);
    EXPECT_EQ(Check(&dedicated), StartupVerdict::Exit) << "the browser takes over";
    ASSERT_EQ(openedAddresses_.size(), 1u);
    EXPECT_EQ(openedAddresses_[0], std::string(kDefaultWebBase) + "/DirectX9c.zip");

    shellResult_ = 2;
    ExpectMessage("DirectX 9 now?", IDYES);
    ExpectMessage("An error occured while downloading DirectX9.  Error code: 2\n");
    EXPECT_EQ(Check(&dedicated), StartupVerdict::Exit);
    EXPECT_EQ(Messages().back().text, "An error occured while downloading DirectX9.  Error code: 2\n");
    EXPECT_EQ(Messages().back().type, static_cast<UINT>(MB_OK | MB_ICONSTOP));
}

TEST_F(StartupTest, InstallationNumbersAreHandedOutOnceAndKept)
{
    WriteSettingNumber("Count", 3, "Locations");
    const LauncherEnvironment first = SettleEnvironment(LauncherPath(), TempDir() + "Documents");
    EXPECT_EQ(first.installation.number, 4);
    EXPECT_EQ(ReadSettingNumber("Count", 0, "Locations"), 4);
    EXPECT_EQ(ReadSettingNumber(simFolder_, 0, "Locations"), 4);

    const LauncherEnvironment again = SettleEnvironment(LauncherPath(), TempDir() + "Documents");
    EXPECT_EQ(again.installation.number, 4);
    EXPECT_EQ(ReadSettingNumber("Count", 0, "Locations"), 4);

    const std::string otherSim = TempDir() + "Other Sim\\";
    const LauncherEnvironment other = SettleEnvironment(otherSim + "ZANTLauncher.exe", "");
    EXPECT_EQ(other.installation.number, 5);
    EXPECT_EQ(ReadSettingNumber(simFolder_, 0, "Locations"), 4);
}

TEST_F(StartupTest, FreshMachineFolderAndDefaults)
{
    const std::string documents = TempDir() + "Documents";
    MakeFolders(documents);
    const LauncherEnvironment env = SettleEnvironment(LauncherPath(), documents);
    EXPECT_EQ(env.simFolder, simFolder_);
    EXPECT_EQ(env.dataFolder, documents + "\\ZANT Launcher\\");
    EXPECT_TRUE(FileExists(env.dataFolder)) << "the data folder is created";
    EXPECT_EQ(env.LeagueFolder(), env.dataFolder + "Gridline Leagues\\");
    EXPECT_EQ(env.defaultLeague.name, "Gridline Leagues");
    EXPECT_EQ(env.defaultLeague.webBase, kDefaultWebBase);
    EXPECT_EQ(env.defaultLeague.number, 0);
    EXPECT_TRUE(env.defaultLeague.userName.empty());
    EXPECT_TRUE(env.defaultLeague.password.empty());
    EXPECT_TRUE(env.defaultLeague.deleteFiles);
    EXPECT_TRUE(env.downloadsHidden);
    EXPECT_EQ(env.installation.number, 1);
    EXPECT_EQ(env.installation.simFolder, simFolder_);
    EXPECT_EQ(env.installation.programName, "VORA.exe");
    EXPECT_EQ(ReadSettingNumber("Count", 0, "Locations"), 1);
}

TEST_F(StartupTest, OptionsShapeTheEnvironment)
{
    WriteSettingNumber("Delete Files", 0, "Options");
    WriteSettingNumber("Show Downloads", 1, "Options");
    WriteSettingNumber("4GBExe", 1, "Options");
    const LauncherEnvironment env = SettleEnvironment(LauncherPath(), "");
    EXPECT_FALSE(env.defaultLeague.deleteFiles);
    EXPECT_FALSE(env.downloadsHidden);
    EXPECT_EQ(env.installation.programName, "VORA4GB.exe");
    EXPECT_EQ(env.dataFolder, simFolder_) << "no documents folder: the data stays in the sim folder";
    EXPECT_EQ(env.LeagueFolder(), simFolder_ + "Gridline Leagues\\");
}

TEST_F(StartupTest, FolderOfPathKeepsDriveAndDirectory)
{
    EXPECT_EQ(FolderOfPath("C:\\Games\\VORA\\ZANTLauncher.exe"), "C:\\Games\\VORA\\");
    EXPECT_EQ(FolderOfPath("D:\\ZANTLauncher.exe"), "D:\\");
}

}  // namespace
