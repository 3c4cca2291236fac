// Installing and removing catalog items: download, delete, unpack, record.
#include <windows.h>
#include <tlhelp32.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/Handles.h"
#include "app/IniFile.h"
#include "app/Sha256.h"
#include "install/InstallPipeline.h"
#include "install/VerifyItems.h"
#include "net/Download.h"
#include "net/LongWork.h"
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
        MakeFolders(env_.LeagueFolder());
        MakeFolders(env_.simFolder + "GameData\\Locations\\");
        ASSERT_TRUE(http_.Start(80));
        ASSERT_TRUE(WriteTestZip(TempDir() + "track.zip", {{"oval/oval.gdb", "oval track"}}));
        for (const char* target : {"/track.zip", "/track.zip?v=3"})
            http_.Serve(target, ReadTextFile(TempDir() + "track.zip"));
        http_.Serve("/broken.zip", "<html>not an archive</html>");
        http_.Serve("/setup.exe", "this is no program");
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
        InstallItems({&env_, &profiles_, [this] { ++windowShown_; }}, items, word, remove);
    }

    std::string Cache(const std::string& section, const std::string& key = "Installed",
                      const std::string& file = "simcache.ini")
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
    item->deleteFolders = {"old", ""};
    item->deleteFiles = {"*.tmp"};
    item->DoneMsg = "Track installed.";
    const std::string locations = env_.simFolder + "GameData\\Locations\\";
    MakeFolders(locations + "old\\deep\\");
    MakeFolders(env_.simFolder + "old\\");
    WriteTextFile(locations + "scratch.tmp", "tmp");
    WriteTextFile(locations + "keep.gdb", "keep");

    ExpectMessage("Track installed.");
    Install({item.get()}, "Track");
    EXPECT_EQ(ReadTextFile(locations + "oval\\oval.gdb"), "oval track");
    EXPECT_FALSE(FileExists(locations + "old"));
    EXPECT_FALSE(FileExists(locations + "scratch.tmp"));
    EXPECT_TRUE(FileExists(locations + "keep.gdb"));
    EXPECT_TRUE(FileExists(env_.simFolder + "old")) << "deletions are relative to the target folder";
    EXPECT_EQ(Cache("1 Track 301") + Cache("1 Track 301", "Date Year") + Cache("1 Track 301", "Date Month") +
                  Cache("1 Track 301", "Date Day"),
              "1202631");
    EXPECT_EQ(Cache("1 Track 302") + Cache("1 Track 303") + Cache("1 Track 302", "Date Year"), "00-");
    EXPECT_FALSE(FileExists(env_.LeagueFolder() + "Track\\track.zip")) << "delete files is set";

    // Removing runs the deletions, downloads nothing and records the opposite.
    item->deleteFolders = {"oval"};
    ExpectMessage("Track installed.");
    Install({item.get()}, "Track", true);
    EXPECT_FALSE(FileExists(locations + "oval"));
    EXPECT_EQ(Cache("1 Track 301") + Cache("1 Track 302") + Cache("1 Track 303"), "011");
    ASSERT_EQ(http_.Requests().size(), 1u);
    EXPECT_EQ(http_.Requests()[0].target, "/track.zip?v=3");
}

TEST_F(InstallPipelineTest, LocalFileNameCutsTheQueryAndRefusesNonNames)
{
    const std::pair<const char*, const char*> cases[] = {
        {"http://127.0.0.1/files/track.zip?v=3&x=a/b", "track.zip"}, {"http://127.0.0.1/get.php?f=x.zip", "get.php"},
        {"http://127.0.0.1/files/", ""}, {"http://127.0.0.1/..", ""}, {"http://127.0.0.1/nul.zip", ""},
        {"http://127.0.0.1/a:b.zip", ""},
    };
    for (const auto& [address, name] : cases) EXPECT_EQ(LocalFileName(address), name) << address;
}

TEST_F(InstallPipelineTest, SkippedItemsKeptDownloadsAndPartnerLeagues)
{
    env_.defaultLeague.deleteFiles = false;
    auto program = Item(1, "setup.exe", 2), nothing = Item(2, "notes.txt", 0), track = Item(3, "track.zip?v=3");
    ExpectMessage("WARNING: This download will launch an executable.\r\nDo you want to download and run setup.exe?",
                  IDNO);
    Install({program.get(), nothing.get(), track.get()}, "Track");
    EXPECT_EQ(Cache("1 Track 1") + Cache("1 Track 2") + Cache("1 Track 3"), "--1");
    EXPECT_EQ(ReadTextFile(env_.LeagueFolder() + "Track\\track.zip"), ReadTextFile(TempDir() + "track.zip"));

    LeagueRecord partner;
    partner.number = 12;
    partner.name = "Partner League";
    auto car = Item(55, "track.zip");
    car->league = &partner;
    car->toggleIds = {56};
    Install({car.get()}, "Car");
    const std::string series = "seriescache.ini";
    EXPECT_EQ(Cache("12-1 Car 55", "Installed", series) + Cache("12-1 Car 56", "Installed", series), "10");
    EXPECT_EQ(Cache("1 Car 55"), "-");
    EXPECT_EQ(http_.Requests().size(), 2u);
}

// An error page is no archive and no installer: nothing is unpacked, run or
// recorded, and a file downloaded before stays as it was.
TEST_F(InstallPipelineTest, ErrorAnswersAreFailedDownloads)
{
    env_.defaultLeague.deleteFiles = false;
    const struct {
        const char* file;
        int fileType;
        int status;
    } cases[] = {{"gone.zip", 1, 404}, {"locked.zip", 1, 401}, {"setup500.exe", 2, 500}, {"busy.zip", 1, 503}};
    int id = 400;
    for (const auto& test : cases) {
        TestHttpServer::Response page;
        page.status = test.status;
        page.body = "<html>error page</html>";
        http_.Serve(std::string("/") + test.file, page);
        const std::string previous = env_.LeagueFolder() + "Track\\" + test.file;
        MakeFolders(env_.LeagueFolder() + "Track\\");
        WriteTextFile(previous, "previous download");

        auto item = Item(++id, test.file, test.fileType);
        if (test.fileType == 2) ExpectMessage("Do you want to download and run", IDYES);
        ExpectMessage("The server answered " + std::to_string(test.status));
        Install({item.get()}, "Track");
        EXPECT_EQ(Cache("1 Track " + std::to_string(id)), "-") << test.file;
        EXPECT_EQ(ReadTextFile(previous), "previous download") << test.file;
        EXPECT_EQ(windowShown_, 0) << "a failed download is no stop: " << test.file;
    }
}

TEST_F(InstallPipelineTest, SetupsGoIntoEveryProfile)
{
    auto setup = Item(7, "track.zip");
    profiles_ = {"Alex", "Sam"};
    Install({setup.get()}, "Setup");
    for (const char* profile : {"Alex", "Sam"})
        EXPECT_TRUE(FileExists(env_.simFolder + "Userdata\\" + profile + "\\Settings\\oval\\oval.gdb")) << profile;
    EXPECT_FALSE(FileExists(env_.simFolder + "GameData\\Locations\\oval"));
    EXPECT_EQ(Cache("1 Setup 7"), "1");

    // Without a profile nothing is installed, and nothing is recorded.
    auto unserved = Item(8, "track.zip");
    profiles_.clear();
    ExpectMessage("Unable to install Item 8. There is no player profile to put it in; it is not recorded");
    Install({unserved.get()}, "Setup");
    EXPECT_EQ(Cache("1 Setup 8"), "-");
}

// A setup that ends with a failure code (cancelled by the driver) installed
// nothing to count on; the next item goes on.
TEST_F(InstallPipelineTest, SetupEndingWithAFailureCodeIsNotRecorded)
{
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    http_.Serve("/failing.exe", ReadTextFile(std::string(system) + "\\reg.exe"));  // no arguments: code 1
    auto failing = Item(14, "failing.exe", 2), next = Item(15, "track.zip");
    ExpectMessage("WARNING: This download will launch an executable.", IDYES);
    ExpectMessage("The installer of Item 14 ended with code 1; it is not recorded as installed.");
    Install({failing.get(), next.get()}, "Mod");
    EXPECT_EQ(Cache("1 Mod 14") + Cache("1 Mod 15"), "-1");
}

// An archive failing twice, or an installer that cannot start, ends the call.
TEST_F(InstallPipelineTest, TwoFailuresStopEverything)
{
    const std::string folder = env_.LeagueFolder() + "Mod\\";
    const struct {
        const char* file;
        int fileType;
        std::string message;
        UINT type;
    } cases[] = {
        {"broken.zip", 1, "An error occurred while unzipping " + folder + "broken.zip", MB_OK},
        {"setup.exe", 2, "Unable to run setup file (" + folder + "setup.exe).  Error: ", MB_ICONHAND | MB_OK},
    };
    for (const auto& test : cases) {
        auto failing = Item(10, test.file, test.fileType), next = Item(11, "track.zip");
        const size_t requests = http_.Requests().size();
        if (test.fileType == 2) ExpectMessage("WARNING: This download will launch an executable.", IDYES);
        ExpectMessage(test.message);
        Install({failing.get(), next.get()}, "Mod");
        EXPECT_EQ(Messages().back().type, test.type);
        EXPECT_EQ(Cache("1 Mod 10") + Cache("1 Mod 11"), "--") << test.file;
        EXPECT_EQ(http_.Requests().size(), requests + 1) << "the next item is not downloaded";
    }
    EXPECT_EQ(windowShown_, 2);
}

// A file the league's catalog gives a hash for installs only when it is
// that file; any other goes at once and the previous install stays.
TEST_F(InstallPipelineTest, FilesAreCheckedAgainstTheLeaguesHash)
{
    env_.defaultLeague.deleteFiles = false;  // what stays in the download folder tells
    Sha256 hash;
    const std::string archive = ReadTextFile(TempDir() + "track.zip");
    hash.Add(archive.data(), archive.size());
    const std::string good = hash.Hex();
    std::string upper = good;
    CharUpperA(&upper[0]);
    for (const std::string& sha256 : {good, upper, std::string(64, '0'), good.substr(1), good + "0"}) {
        const bool installs = sha256 == good || sha256 == upper;
        auto item = Item(20, "track.zip");
        item->SHA256 = sha256;
        WriteIniText(env_.LeagueFolder() + "simcache.ini", "1 Track 20", "Installed", "0");
        if (!installs)
            ExpectMessage("Unable to install Item 20. The downloaded file does not match the league's catalog.\r\n"
                          "SHA-256 expected " + sha256 + ", received " + good + ".");
        Install({item.get()}, "Track");
        EXPECT_EQ(Cache("1 Track 20"), installs ? "1" : "0") << sha256;
        EXPECT_EQ(FileExists(env_.LeagueFolder() + "Track\\track.zip"), installs) << sha256;
    }
}

// A setup that does not end holds nothing: the popup says what is awaited,
// Cancel stops the wait (the setup runs on) and ends the command.
TEST_F(InstallPipelineTest, CancelStopsWaitingForASetupThatNeverEnds)
{
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    http_.Serve("/longsetup.exe", ReadTextFile(std::string(system) + "\\notepad.exe"));
    auto setup = Item(12, "longsetup.exe", 2), next = Item(13, "track.zip");
    ExpectMessage("WARNING: This download will launch an executable.", IDYES);
    std::thread user([] { ClickPopupCancel("Waiting for longsetup.exe to finish"); });
    Install({setup.get(), next.get()}, "Mod");
    user.join();
    EXPECT_TRUE(CancelRequested());
    EXPECT_EQ(Cache("1 Mod 12") + Cache("1 Mod 13"), "--");
    EXPECT_EQ(http_.Requests().size(), 1u) << "the next item is not downloaded";

    // The setup goes on by itself; this test ends it.
    UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry = {sizeof entry};
    int ended = 0;
    for (BOOL more = Process32First(snapshot.get(), &entry); more; more = Process32Next(snapshot.get(), &entry)) {
        if (_stricmp(entry.szExeFile, "longsetup.exe") != 0) continue;
        UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID));
        ended += TerminateProcess(process.get(), 0) && WaitForSingleObject(process.get(), 5000) == WAIT_OBJECT_0;
    }
    EXPECT_EQ(ended, 1) << "the setup was still running";
}

// Cancel during an unzip ends the whole install without a message: nothing
// is recorded and the next item is not fetched.
TEST_F(InstallPipelineTest, CancelDuringAnUnzipStopsEverythingSilently)
{
    ASSERT_TRUE(WriteTestZip(TempDir() + "big.zip", {{"oval/big.bin", std::string(128 << 20, '\0')}}));
    http_.Serve("/big.zip", ReadTextFile(TempDir() + "big.zip"));
    auto big = Item(20, "big.zip"), next = Item(21, "track.zip");
    const std::string unpacked = env_.simFolder + "GameData\\Locations\\oval\\big.bin";
    bool offered = false;
    std::thread user([&] {
        // Once the file is being written, the driver asks what the popup's
        // Cancel asks. The popup itself is not waited for: a new one can
        // take longer to appear than the whole unzip.
        for (int i = 0; i < 5000 && !FileExists(unpacked); ++i) Sleep(1);
        offered = CancelOffered();
        RequestCancel();
    });
    Install({big.get(), next.get()}, "Track");
    user.join();
    EXPECT_TRUE(offered) << "the unzip offers Cancel";
    EXPECT_TRUE(CancelRequested());
    EXPECT_EQ(Cache("1 Track 20") + Cache("1 Track 21"), "--");
    EXPECT_EQ(http_.Requests().size(), 1u) << "the next item is not downloaded";
    EXPECT_FALSE(FileExists(unpacked));
    EXPECT_EQ(windowShown_, 0);
}

// Catalog paths are relative to the sim folder and may not leave it.
TEST_F(InstallPipelineTest, CatalogPathsOutsideTheSimFolderSkipTheItem)
{
    MakeFolders(TempDir() + "Outside\\");
    WriteTextFile(TempDir() + "Outside\\precious.dll", "mine");
    const struct {
        const char* what;
        void (*spoil)(ContentItem&, LeagueRecord&);
    } cases[] = {
        {"prefix up", [](ContentItem& i, LeagueRecord&) { i.PrefixPath = "GameData/../../Outside"; }},
        {"prefix drive", [](ContentItem& i, LeagueRecord&) { i.PrefixPath = "C:\\Windows"; }},
        {"prefix rooted up", [](ContentItem& i, LeagueRecord&) { i.PrefixPath = "\\..\\Outside"; }},
        {"prefix UNC", [](ContentItem& i, LeagueRecord&) { i.PrefixPath = "\\\\server\\share"; }},
        {"folder up", [](ContentItem& i, LeagueRecord&) { i.deleteFolders = {"x", "..\\..\\..\\Outside"}; }},
        {"folder itself", [](ContentItem& i, LeagueRecord&) { i.deleteFolders = {"."}; }},
        {"files up", [](ContentItem& i, LeagueRecord&) { i.deleteFiles = {"..\\..\\..\\Outside\\*.dll"}; }},
        {"files drive", [](ContentItem& i, LeagueRecord&) { i.deleteFiles = {"C:*.dll"}; }},
        {"league name", [](ContentItem&, LeagueRecord& l) { l.name = "..\\..\\Outside"; }},
        {"no file name", [](ContentItem& i, LeagueRecord&) { i.File = "http://127.0.0.1/"; }},
    };
    for (const auto& test : cases) {
        LeagueRecord league = env_.defaultLeague;
        league.number = 5;
        auto item = Item(100, "track.zip");
        item->league = &league;
        test.spoil(*item, league);
        ExpectMessage("Unable to install Item 100. Its catalog entry leads outside the sim folder");
        Install({item.get()}, "Track");
        EXPECT_EQ(Cache("5-1 Track 100", "Installed", "seriescache.ini"), "-") << test.what;
        EXPECT_TRUE(FileExists(TempDir() + "Outside\\precious.dll")) << test.what;
        EXPECT_TRUE(FileExists(env_.simFolder + "GameData\\Locations")) << test.what;
    }
    EXPECT_TRUE(http_.Requests().empty());

    // A leading separator names the sim folder's own subfolder.
    auto rooted = Item(101, "track.zip");
    rooted->PrefixPath = "\\GameData\\Locations";
    rooted->deleteFiles = {"/stale.gdb"};
    WriteTextFile(env_.simFolder + "GameData\\Locations\\stale.gdb", "old");
    Install({rooted.get()}, "Track");
    EXPECT_EQ(ReadTextFile(env_.simFolder + "GameData\\Locations\\oval\\oval.gdb"), "oval track");
    EXPECT_FALSE(FileExists(env_.simFolder + "GameData\\Locations\\stale.gdb"));
}

TEST_F(InstallPipelineTest, MarkAsCurrentFlipsOnlyAnInstalledCurrentItem)
{
    const struct {
        bool notInstalled, outOfDate;
        const char* recorded;
    } cases[] = {{true, false, "1"}, {false, true, "1"}, {false, false, "0"}};
    int id = 1;
    for (const auto& test : cases) {
        auto item = Item(id, "track.zip");
        item->notInstalled = test.notInstalled;
        item->outOfDate = test.outOfDate;
        item->toggleIds = {id + 50};
        const std::string section = "1 Mod " + std::to_string(id), toggle = "1 Mod " + std::to_string(id + 50);
        WriteIniText(env_.LeagueFolder() + "simcache.ini", toggle, "Installed", "1");
        MarkItemsAsCurrent(env_, {item.get()}, "Mod");
        EXPECT_EQ(Cache(section) + Cache(section, "Date Month") + Cache(toggle), test.recorded + std::string("30"));
        ++id;
    }
}

}  // namespace

namespace {

std::string LastWriteHex(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    char text[20];
    std::snprintf(text, sizeof text, "%08lX%08lX", data.ftLastWriteTime.dwHighDateTime,
                  data.ftLastWriteTime.dwLowDateTime);
    return text;
}

}  // namespace

TEST_F(InstallPipelineTest, InstalledFilesAreRecordedVerifiedAndRepaired)
{
    ASSERT_TRUE(WriteTestZip(TempDir() + "ring.zip", {{"ring/", "", true}, {"ring/a.gdb", "aaaa"},
                                                     {"ring/b.gdb", "bbbbbbbb"}, {"ring/c.gdb", "cc"},
                                                     {"d.gdb", "dd"}}));
    http_.Serve("/ring.zip", ReadTextFile(TempDir() + "ring.zip"));
    auto item = Item(301, "ring.zip"), old = Item(302, "ring.zip");
    const std::string at = env_.simFolder + "GameData\\Locations\\", record = env_.LeagueFolder() + "Installed\\";
    Install({item.get()}, "Track");
    std::string expected;
    for (auto [crc, size, name] : {std::tuple{"AD98E545", "4", "ring\\a.gdb"}, {"63008688", "8", "ring\\b.gdb"},
                                   {"DBB21A79", "2", "ring\\c.gdb"}, {"0A97191D", "2", "d.gdb"}})
        expected += std::string(crc) + " " + size + " " + LastWriteHex(at + name) + " GameData\\Locations\\" + name + "\r\n";
    EXPECT_EQ(ReadTextFile(record + "1 Track 301.txt"), expected);

    // One byte changed, one file cut short, one deleted: the quick check
    // sees it, the full check names exactly those, and the item turns red.
    WriteTextFile(at + "ring\\b.gdb", "bbbbXbbb");
    WriteTextFile(at + "ring\\c.gdb", "c");
    DeleteFileA((at + "d.gdb").c_str());
    EXPECT_TRUE(ItemFilesChanged(env_, *item, "Track"));
    item->notInstalled = old->notInstalled = false;
    ExpectMessage("Checked 1 items (4 files, 0.0 MB) in ");
    VerifyItems(env_, {{item.get(), "Track"}, {old.get(), "Track"}});
    const std::string said = Messages().back().text;
    EXPECT_EQ(said.substr(said.find(" s. ")),
              " s. 1 items differ:\r\nItem 301: 2 changed, 1 missing\r\n\r\nThey now read as out of date; download "
              "them to repair.\r\n\r\nNot checked (installed before file records were kept): Item 302");
    EXPECT_EQ(Cache("1 Track 301", "Modified") + Cache("1 Track 302", "Modified"), "1-");
    JudgeItem(*item, env_.LeagueFolder() + "simcache.ini", "1 Track 301");
    EXPECT_TRUE(item->outOfDate);

    // A failed install keeps the record; a new one clears the mark and repairs.
    item->File = "http://127.0.0.1/broken.zip";
    ExpectMessage("An error occurred while unzipping");
    Install({item.get()}, "Track");
    EXPECT_EQ(ReadTextFile(record + "1 Track 301.txt"), expected);
    item->File = "http://127.0.0.1/ring.zip";
    Install({item.get()}, "Track");
    EXPECT_EQ(Cache("1 Track 301", "Modified"), "-");
    EXPECT_FALSE(ItemFilesChanged(env_, *item, "Track"));
    ExpectMessage("Checked 1 items (4 files, 0.0 MB) in ");
    VerifyItems(env_, {{item.get(), "Track"}});
    const std::string again = Messages().back().text;
    EXPECT_EQ(again.substr(again.find(" s. ")), " s. Every file is as installed.");
    RequestCancel();  // Cancel ends the check without a word
    EXPECT_FALSE(VerifyItems(env_, {{item.get(), "Track"}}));
    ClearCancel();
    Install({item.get()}, "Track", true);
    EXPECT_FALSE(FileExists(record + "1 Track 301.txt"));
}

// Names as archives carry them, UTF-8 flagged or in the system's code page,
// come back from the record to the same files; a partner league's item keeps
// its record under its series cache section.
TEST_F(InstallPipelineTest, RecordsServeEveryNameAndLeague)
{
    ASSERT_TRUE(WriteTestZip(TempDir() + "names.zip", {{"Ünïcode/Straße.gdb", "utf-8", false, 0x5A8C6000, 0, 0, true},
                                                      {"caf\xE9 tracks/n\xFCrburg.gdb", "code page"}}));
    http_.Serve("/names.zip", ReadTextFile(TempDir() + "names.zip"));
    LeagueRecord partner;
    partner.number = 12;
    partner.name = "Partner League";
    auto car = Item(55, "names.zip");
    car->league = &partner;
    Install({car.get()}, "Car");
    const std::string record = ReadTextFile(env_.LeagueFolder() + "Installed\\12-1 Car 55.txt");
    EXPECT_NE(record.find(" GameData\\Locations\\Ünïcode\\Straße.gdb\r\n"), std::string::npos) << record;
    EXPECT_NE(record.find(" GameData\\Locations\\café tracks\\nürburg.gdb\r\n"), std::string::npos) << record;
    EXPECT_FALSE(ItemFilesChanged(env_, *car, "Car"));
    car->notInstalled = false;
    ExpectMessage("Checked 1 items (2 files, 0.0 MB) in ");
    VerifyItems(env_, {{car.get(), "Car"}});
    const std::string said = Messages().back().text;
    EXPECT_EQ(said.substr(said.find(" s. ")), " s. Every file is as installed.");
}
