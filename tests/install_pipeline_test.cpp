// Installing and removing catalog items: download, delete, unpack, record.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/IniFile.h"
#include "install/InstallPipeline.h"
#include "tests/support/TestEnv.h"
#include "tests/support/TestHttpServer.h"
#include "tests/support/TestZip.h"

namespace {

class InstallPipelineTest : public LauncherTest {
protected:
    void SetUp() override
    {
        LauncherTest::SetUp();
        env_.simFolder = TempDir() + "Sim\\";
        env_.dataFolder = TempDir() + "Data\\";
        env_.defaultLeague.name = "Gridline Leagues";
        env_.installation.number = 1;
        MakeFolders(env_.simFolder);
        MakeFolders(env_.LeagueFolder());
        ASSERT_TRUE(http_.Start(80));
        ASSERT_TRUE(WriteTestZip(TempDir() + "track.zip", {{"oval/oval.gdb", "oval track"}}));
        http_.Serve("/track.zip", ReadTextFile(TempDir() + "track.zip"));
        http_.Serve("/track.zip?v=3", ReadTextFile(TempDir() + "track.zip"));
        http_.Serve("/broken.zip", "<html>not an archive</html>");
    }

    std::unique_ptr<ContentItem> Item(int id, const std::string& file, int fileType = 1)
    {
        auto item = std::make_unique<ContentItem>();
        item->ID = id;
        item->league = &env_.defaultLeague;
        item->Name = "Item " + std::to_string(id);
        item->File = "http://127.0.0.1/" + file;
        item->FileType = fileType;
        item->PrefixPath = "GameData\\Locations";
        item->date = ItemDate::FromParts(2026, 3, 1);
        return item;
    }

    void Install(const std::vector<ContentItem*>& items, const std::string& word, bool remove = false)
    {
        InstallContext context{&env_, &profiles_, [this] { ++windowShown_; }};
        InstallItems(context, items, word, remove);
    }

    std::string Cache(const std::string& section, const std::string& key, const std::string& file = "simcache.ini")
    {
        return ReadIniText(env_.LeagueFolder() + file, section, key, "-");
    }

    LauncherEnvironment env_;
    std::vector<std::string> profiles_;
    TestHttpServer http_;
    int windowShown_ = 0;
};

TEST_F(InstallPipelineTest, InstallDeletesFirstThenUnpacksAndRecordsAndRemoveUndoes)
{
    auto item = Item(301, "track.zip?v=3");
    item->toggleIds = {302, 303};
    item->deleteFolders = {"GameData\\Locations\\old", ""};
    item->deleteFiles = {"GameData\\Locations\\*.tmp"};
    item->DoneMsg = "Track installed.";
    const std::string locations = env_.simFolder + "GameData\\Locations\\";
    MakeFolders(locations + "old\\deep\\");
    WriteTextFile(locations + "old\\deep\\x.gdb", "old");
    WriteTextFile(locations + "scratch.tmp", "tmp");
    WriteTextFile(locations + "keep.gdb", "keep");

    ExpectMessage("Track installed.");
    Install({item.get()}, "Track");
    EXPECT_EQ(Messages().back().type, static_cast<UINT>(MB_ICONINFORMATION | MB_OK));
    EXPECT_EQ(ReadTextFile(locations + "oval\\oval.gdb"), "oval track");
    EXPECT_FALSE(FileExists(locations + "old"));
    EXPECT_FALSE(FileExists(locations + "scratch.tmp"));
    EXPECT_TRUE(FileExists(locations + "keep.gdb"));
    EXPECT_EQ(Cache("1 Track 301", "Installed"), "1");
    EXPECT_EQ(Cache("1 Track 301", "Date Year") + "-" + Cache("1 Track 301", "Date Month") + "-" +
                  Cache("1 Track 301", "Date Day"),
              "2026-3-1");
    EXPECT_EQ(Cache("1 Track 302", "Installed"), "0");
    EXPECT_EQ(Cache("1 Track 303", "Installed"), "0");
    EXPECT_EQ(Cache("1 Track 302", "Date Year"), "-") << "toggle dates are not touched";
    EXPECT_FALSE(FileExists(env_.LeagueFolder() + "Track\\track.zip")) << "delete files is set";
    ASSERT_EQ(http_.Requests().size(), 1u);
    EXPECT_EQ(http_.Requests()[0].target, "/track.zip?v=3");

    // Removing runs the deletions, downloads nothing and records the opposite.
    item->deleteFolders = {"GameData\\Locations\\oval"};
    ExpectMessage("Track installed.");
    Install({item.get()}, "Track", true);
    EXPECT_FALSE(FileExists(locations + "oval"));
    EXPECT_EQ(Cache("1 Track 301", "Installed"), "0");
    EXPECT_EQ(Cache("1 Track 301", "Date Day"), "1");
    EXPECT_EQ(Cache("1 Track 302", "Installed"), "1");
    EXPECT_EQ(http_.Requests().size(), 1u);
    EXPECT_EQ(windowShown_, 0);
}

TEST_F(InstallPipelineTest, LocalFileNameCutsTheQueryAndRefusesNonNames)
{
    const std::pair<const char*, const char*> cases[] = {
        {"http://127.0.0.1/files/track.zip", "track.zip"},
        {"http://127.0.0.1/files/track.zip?v=3&x=a/b", "track.zip"},
        {"http://127.0.0.1/get.php?f=x.zip", "get.php"},
        {"track.zip", "track.zip"},
        {"http://127.0.0.1/files/", ""},
        {"http://127.0.0.1/..", ""},
        {"http://127.0.0.1/nul.zip", ""},
        {"http://127.0.0.1/a:b.zip", ""},
        {"", ""},
    };
    for (const auto& [address, name] : cases) EXPECT_EQ(LocalFileName(address), name) << address;
}

TEST_F(InstallPipelineTest, KeptDownloadsAndSkippedItems)
{
    env_.defaultLeague.deleteFiles = false;
    auto setupProgram = Item(1, "setup.exe", 2);
    auto nothing = Item(2, "notes.txt", 0);
    auto track = Item(3, "track.zip?v=3");
    ExpectMessage("WARNING: This download will launch an executable.\r\nDo you want to download and run setup.exe?",
                  IDNO);
    Install({setupProgram.get(), nothing.get(), track.get()}, "Track");
    EXPECT_EQ(Messages().back().type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(Cache("1 Track 1", "Installed"), "-");
    EXPECT_EQ(Cache("1 Track 2", "Installed"), "-");
    EXPECT_EQ(Cache("1 Track 3", "Installed"), "1");
    EXPECT_EQ(ReadTextFile(env_.LeagueFolder() + "Track\\track.zip"), ReadTextFile(TempDir() + "track.zip"));
    ASSERT_EQ(http_.Requests().size(), 1u);
}

TEST_F(InstallPipelineTest, PartnerLeagueItemsGoToTheSeriesCache)
{
    LeagueRecord partner;
    partner.number = 12;
    partner.name = "Partner League";
    auto car = Item(55, "track.zip");
    car->league = &partner;
    car->toggleIds = {56};
    car->PrefixPath = "GameData\\Vehicles";
    Install({car.get()}, "Car");
    EXPECT_EQ(Cache("12-1 Car 55", "Installed", "seriescache.ini"), "1");
    EXPECT_EQ(Cache("12-1 Car 55", "Date Year", "seriescache.ini"), "2026");
    EXPECT_EQ(Cache("12-1 Car 56", "Installed", "seriescache.ini"), "0");
    EXPECT_EQ(Cache("1 Car 55", "Installed"), "-");
    EXPECT_TRUE(FileExists(env_.simFolder + "GameData\\Vehicles\\oval\\oval.gdb"));
    EXPECT_FALSE(FileExists(env_.dataFolder + "Partner League\\Car\\track.zip"));
}

TEST_F(InstallPipelineTest, SetupsGoIntoEveryProfile)
{
    auto setup = Item(7, "track.zip");
    profiles_ = {"Alex", "Sam"};
    Install({setup.get()}, "Setup");
    for (const char* profile : {"Alex", "Sam"})
        EXPECT_TRUE(FileExists(env_.simFolder + "Userdata\\" + profile + "\\Settings\\oval\\oval.gdb")) << profile;
    EXPECT_FALSE(FileExists(env_.simFolder + "GameData"));

    profiles_.clear();
    auto lonely = Item(8, "track.zip");
    Install({lonely.get()}, "Setup");
    EXPECT_EQ(Cache("1 Setup 8", "Installed"), "1");
}

TEST_F(InstallPipelineTest, AnArchiveFailingTwiceStopsEverything)
{
    auto broken = Item(10, "broken.zip");
    auto next = Item(11, "track.zip");
    const std::string local = env_.LeagueFolder() + "Mod\\broken.zip";
    ExpectMessage("An error occurred while unzipping " + local);
    Install({broken.get(), next.get()}, "Mod");
    EXPECT_EQ(Messages().back().text, "An error occurred while unzipping " + local);
    EXPECT_EQ(Messages().back().type, static_cast<UINT>(MB_OK));
    EXPECT_EQ(windowShown_, 1);
    EXPECT_EQ(Cache("1 Mod 10", "Installed"), "-");
    EXPECT_EQ(Cache("1 Mod 11", "Installed"), "-");
    EXPECT_EQ(http_.Requests().size(), 1u) << "the next item is not downloaded";
}

TEST_F(InstallPipelineTest, AnInstallerThatCannotStartStopsEverything)
{
    http_.Serve("/setup.exe", "this is no program");
    auto installer = Item(20, "setup.exe", 2);
    auto next = Item(21, "track.zip");
    const std::string local = env_.LeagueFolder() + "Sim\\setup.exe";
    ExpectMessage("WARNING: This download will launch an executable.", IDYES);
    ExpectMessage("Unable to run setup file (" + local + ").  Error: ");
    Install({installer.get(), next.get()}, "Sim");
    EXPECT_EQ(Messages().back().type, static_cast<UINT>(MB_ICONHAND | MB_OK));
    EXPECT_EQ(windowShown_, 1);
    EXPECT_EQ(Cache("1 Sim 20", "Installed"), "-");
    EXPECT_EQ(Cache("1 Sim 21", "Installed"), "-");
}

// Catalog paths are relative to the sim folder and may not leave it.
TEST_F(InstallPipelineTest, CatalogPathsOutsideTheSimFolderSkipTheItem)
{
    MakeFolders(TempDir() + "Outside\\");
    WriteTextFile(TempDir() + "Outside\\precious.dll", "mine");
    WriteTextFile(env_.simFolder + "VORA.exe", "sim");
    struct Case {
        const char* what;
        void (*spoil)(ContentItem&, LeagueRecord&);
    };
    const Case cases[] = {
        {"prefix up", [](ContentItem& i, LeagueRecord&) { i.PrefixPath = "..\\Outside"; }},
        {"prefix hidden up", [](ContentItem& i, LeagueRecord&) { i.PrefixPath = "GameData/../../Outside"; }},
        {"prefix drive", [](ContentItem& i, LeagueRecord&) { i.PrefixPath = "C:\\Windows"; }},
        {"prefix absolute", [](ContentItem& i, LeagueRecord&) { i.PrefixPath = "\\Windows"; }},
        {"prefix UNC", [](ContentItem& i, LeagueRecord&) { i.PrefixPath = "\\\\server\\share"; }},
        {"delete folder up", [](ContentItem& i, LeagueRecord&) { i.deleteFolders = {"GameData", "..\\Outside"}; }},
        {"delete folder sim", [](ContentItem& i, LeagueRecord&) { i.deleteFolders = {"."}; }},
        {"delete files up", [](ContentItem& i, LeagueRecord&) { i.deleteFiles = {"..\\Outside\\*.dll"}; }},
        {"delete files drive", [](ContentItem& i, LeagueRecord&) { i.deleteFiles = {"C:*.dll"}; }},
        {"league name", [](ContentItem&, LeagueRecord& l) { l.name = "..\\..\\Outside"; }},
        {"no file name", [](ContentItem& i, LeagueRecord&) { i.File = "http://127.0.0.1/"; }},
    };
    int id = 100;
    for (const Case& test : cases) {
        LeagueRecord league = env_.defaultLeague;
        league.number = 5;
        auto item = Item(id, "track.zip");
        item->league = &league;
        test.spoil(*item, league);
        ExpectMessage("Unable to install Item " + std::to_string(id) + ". Its catalog entry leads outside the sim folder");
        Install({item.get()}, "Track");
        EXPECT_EQ(Cache("5-1 Track " + std::to_string(id), "Installed", "seriescache.ini"), "-") << test.what;
        EXPECT_TRUE(FileExists(TempDir() + "Outside\\precious.dll")) << test.what;
        EXPECT_TRUE(FileExists(env_.simFolder + "VORA.exe")) << test.what;
        ++id;
    }
    EXPECT_TRUE(http_.Requests().empty());
    EXPECT_FALSE(FileExists(TempDir() + "Outside\\oval"));
}

TEST_F(InstallPipelineTest, MarkAsCurrentFlipsOnlyAnInstalledCurrentItem)
{
    struct Case {
        bool notInstalled;
        bool outOfDate;
        const char* recorded;
    };
    const Case cases[] = {{true, false, "1"}, {false, true, "1"}, {false, false, "0"}};
    int id = 1;
    for (const Case& test : cases) {
        auto item = Item(id, "track.zip");
        item->notInstalled = test.notInstalled;
        item->outOfDate = test.outOfDate;
        item->toggleIds = {id + 50};
        WriteIniText(env_.LeagueFolder() + "simcache.ini", "1 Mod " + std::to_string(id + 50), "Installed", "1");
        MarkItemsAsCurrent(env_, {item.get()}, "Mod");
        const std::string section = "1 Mod " + std::to_string(id);
        EXPECT_EQ(Cache(section, "Installed"), test.recorded) << id;
        EXPECT_EQ(Cache(section, "Date Month"), "3") << id;
        EXPECT_EQ(Cache("1 Mod " + std::to_string(id + 50), "Installed"), "0") << id;
        ++id;
    }
    EXPECT_TRUE(http_.Requests().empty());
}

}  // namespace
