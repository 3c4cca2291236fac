#include <string>
#include <vector>

#include "app/IniFile.h"
#include "app/Settings.h"
#include "app/Version.h"
#include "catalog/Refresh.h"
#include "resources/resource.h"
#include "tests/support/TestEnv.h"
#include "tests/support/TestHttpServer.h"
#include "net/LongWork.h"
#include "tests/support/TestUdpResponder.h"

namespace {

constexpr char kEventsTarget[] = "/schedule/launcher.php?server=N";

class RefreshTest : public LauncherTest {
protected:
    void SetUp() override
    {
        LauncherTest::SetUp();
        const std::string sim = TempDir() + "Sim\\";
        MakeFolders(sim);
        MakeFolders(TempDir() + "Documents");
        state_.env = SettleEnvironment(sim + "ZANTLauncher.exe", TempDir() + "Documents");
        InitLocalEvent(state_);
        ASSERT_TRUE(http_.Start(80));
        ASSERT_TRUE(raceServer_.Start());
        raceServer_.ReplyWith(StatusReplyBuilder()
                                  .Text(25, "NW")
                                  .Text(73, "Bristol Motor Speedway")
                                  .Byte(207, 12)
                                  .Byte(210, 2 << 5)
                                  .Word(217, 1200)
                                  .Bytes());
        hooks_.selectedEventId = [this] { return selectedId_; };
        hooks_.loadLeagueContent = [this](bool fetch) { leagueContentLoads_.push_back(fetch); };
        hooks_.endProgram = [this] { ++programEnds_; };
    }

    std::string Server() const { return "127.0.0.1:" + std::to_string(raceServer_.Port()); }

    // An events file with the given application version, two events on the
    // test race server and one catalog track.
    std::string EventsFile(const std::string& version, int seriesImage = 0) const
    {
        std::string text;
        if (!version.empty())
            text += "[Application]\r\nVersion=" + version + "\r\nFile=http://127.0.0.1/files/update.exe\r\n";
        text += "[SeriesImage]\r\nVersion=" + std::to_string(seriesImage) +
                "\r\nFile=http://127.0.0.1/files/series.bmp\r\n";
        text += "[Schedule]\r\nEvents=2\r\n"
                "[Event 1]\r\nID=11\r\nName=Cup at Dover\r\nServer=" + Server() +
                "\r\nTrack=Dover\r\nVehicle=CUP\r\nLeague=Cup League\r\n"
                "[Event 2]\r\nID=12\r\nName=Bristol Night\r\nServer=" + Server() +
                "\r\nTrack=Bristol\r\nVehicle=NW\r\nLeague=Gridline\r\n";
        text += "[Tracks]\r\nCount=1\r\n[Track 1]\r\nName=Bristol\r\nID=301\r\nVehicleIDs=1\r\nFile=x.zip\r\n"
                "Date Year=2026\r\nDate Month=1\r\nDate Day=5\r\n";
        return text;
    }

    std::vector<std::string> EventNames() const
    {
        std::vector<std::string> names;
        for (const EventRow& row : state_.schedule.rows) names.push_back(row.event->Name);
        return names;
    }

    RefreshResult Run(bool fetch) { return Refresh(state_, fetch, hooks_); }

    LauncherState state_;
    RefreshHooks hooks_;
    TestHttpServer http_;
    TestUdpResponder raceServer_;
    int selectedId_ = 0;
    std::vector<bool> leagueContentLoads_;
    int programEnds_ = 0;
};

TEST_F(RefreshTest, FetchBuildsEventsAndCatalog)
{
    http_.Serve(kEventsTarget, EventsFile(ZANT_FILE_VERSION_TEXT));
    WriteSettingNumber("Sort Series", 1);  // ignored: the settings predate the layout version
    EXPECT_EQ(Run(true), RefreshResult::Done);

    EXPECT_TRUE(FileExists(state_.EventsFile()));
    ASSERT_EQ(EventNames(), (std::vector<std::string>{"[Local]", "Cup at Dover", "Bristol Night"}));
    const EventRow& local = state_.schedule.rows[0];
    EXPECT_EQ(local.texts[kEventColumn], "Local");
    EXPECT_EQ(local.texts[kSessionColumn], "Offline");
    EXPECT_EQ(local.noteImage, 0);
    // Sorted back into file order: the scheduled event first.
    EXPECT_EQ(state_.schedule.rows[1].texts[kNoteColumn], "Scheduled:Dover Cup");
    EXPECT_EQ(state_.schedule.rows[2].texts[kSessionColumn], "GNS Qualifying 20min");
    // Dover's event is deferred before the server is known as live, so the
    // one-at-a-time order asks for both events and once more in the second
    // pass; asked at once, the server gets a single question.
    EXPECT_EQ(raceServer_.Received().size(), 1u);

    ASSERT_EQ(state_.Catalog(CategoryId::Tracks).size(), 1u);
    EXPECT_TRUE(state_.Catalog(CategoryId::Tracks)[0]->notInstalled);
    EXPECT_EQ(ReadSettingNumber("Version", 0), 2);
    EXPECT_FALSE(state_.busy);
    EXPECT_EQ(state_.lastClickedColumn[kCarsList], 0);
    EXPECT_EQ(leagueContentLoads_, std::vector<bool>{true});
    EXPECT_EQ(state_.selectedEventRow, 0);
}

TEST_F(RefreshTest, SelectionAndStoredSortSurviveARefresh)
{
    http_.Serve(kEventsTarget, EventsFile(ZANT_FILE_VERSION_TEXT));
    WriteSettingNumber("Version", 2);
    WriteSettingNumber("Sort Series", kSortDescending);  // file order, reversed
    selectedId_ = 11;
    Run(true);
    EXPECT_EQ(EventNames(), (std::vector<std::string>{"Bristol Night", "Cup at Dover", "[Local]"}));
    EXPECT_EQ(state_.selectedEventRow, 1);

    selectedId_ = 99;  // gone: the first row is selected
    Run(true);
    EXPECT_EQ(state_.selectedEventRow, 0);
    selectedId_ = 0;
    Run(true);
    EXPECT_EQ(state_.selectedEventRow, 2);
}

TEST_F(RefreshTest, WithoutFetchNothingIsDownloadedAndKnownServersAreNotAsked)
{
    http_.Serve(kEventsTarget, EventsFile(ZANT_FILE_VERSION_TEXT));
    Run(true);
    const size_t requests = http_.Requests().size();
    const size_t queries = raceServer_.Received().size();

    Run(false);
    EXPECT_EQ(http_.Requests().size(), requests);
    EXPECT_EQ(raceServer_.Received().size(), queries + 1) << "only the deferred event's second question";
    EXPECT_EQ(EventNames(), (std::vector<std::string>{"[Local]", "Cup at Dover", "Bristol Night"}));
    EXPECT_EQ(state_.schedule.rows[2].texts[kDriversColumn], "12");
    EXPECT_EQ(leagueContentLoads_, (std::vector<bool>{true, false}));
}

// Everything a refresh leaves of the race servers' answers: each row with its
// event's live fields, the three caches and the kept raw reply.
std::string ServerOutcome(const LauncherState& state)
{
    std::string out;
    for (const EventRow& row : state.schedule.rows) {
        out += row.event->Name + " image " + std::to_string(row.image);
        for (const std::string& text : row.texts) out += " | " + text;
        out += " | " + row.event->Drivers + " | " + row.event->ServerTrack + " | " + row.event->Session + "\n";
    }
    const ServerCaches& caches = state.schedule.caches;
    for (const auto* cache : {&caches.drivers, &caches.track, &caches.session})
        for (const auto& [server, text] : *cache) out += server + " = " + text + "\n";
    return out + "reply: " + ReadTextFile(state.env.dataFolder + "rf_response.txt");
}

TEST_F(RefreshTest, AskingAllServersAtOnceLeavesWhatAskingOneAtATimeLeaves)
{
    TestUdpResponder dover, silent, truck;
    ASSERT_TRUE(dover.Start());
    ASSERT_TRUE(silent.Start());
    ASSERT_TRUE(truck.Start());
    dover.ReplyWith(StatusReplyBuilder().Text(25, "CUP").Text(73, "Dover International").Byte(207, 30).Bytes());
    truck.ReplyWith(StatusReplyBuilder().Text(25, "Truck").Text(73, "Bristol Motor Speedway").Byte(207, 4).Bytes());
    auto at = [](const TestUdpResponder& server) { return "127.0.0.1:" + std::to_string(server.Port()); };
    auto event = [](int number, const std::string& name, const std::string& server, const std::string& track,
                    const std::string& vehicle, const std::string& league) {
        return "[Event " + std::to_string(number) + "]\r\nID=" + std::to_string(number) + "\r\nName=" + name +
               "\r\nServer=" + server + "\r\nTrack=" + track + "\r\nVehicle=" + vehicle + "\r\nLeague=" + league +
               "\r\nDate=12/9/2026 8:30 PM\r\n";
    };
    MakeFolders(state_.env.LeagueFolder());
    WriteTextFile(state_.env.simFolder + "LauncherConfig.ini",
                  "[Schedule]\r\nEvents=2\r\n" + event(1, "Local Dover", at(dover), "Dover", "Cup2016", "Home") +
                      event(2, "Local silent", at(silent), "Dover", "NW", "Home"));
    WriteTextFile(state_.EventsFile(),
                  "[Application]\r\nVersion=1.0.0.0\r\n[Schedule]\r\nEvents=999999999\r\n" +
                      event(1, "Cup at Dover", Server(), "Dover", "CUP", "Cup League") +
                      event(2, "Bristol Night", Server(), "Bristol", "NW", "Gridline") +
                      event(3, "Dover again", at(dover), "Dover", "CUP", "Other") +
                      event(4, "Silent", at(silent), "Talladega", "NW", "Gridline") +
                      event(5, "Silent again", at(silent), "Talladega", "NW", "Partner") +
                      event(6, "Truck", at(truck), "Bristol", "NW", "Gridline") +
                      event(7, "Twin of Bristol Night", Server(), "Dover", "NW", "Gridline") +
                      event(9, "Port with a tail", "127.0.0.1:" + std::to_string(raceServer_.Port()) + "x", "Bristol",
                            "NW", "Gridline") +
                      event(12, "No server", "", "Bristol", "NW", "Gridline"));

    auto refreshWith = [this](bool atOnce, const ServerCaches& known) {
        DeleteFileA((state_.env.dataFolder + "rf_response.txt").c_str());
        state_.schedule.caches = known;
        hooks_.query = nullptr;
        if (!atOnce)
            hooks_.query = [this](const std::string& host, int port, ServerStatus& status) {
                return QueryServerStatus(host, port, state_.env.dataFolder, status);
            };
        Run(false);
        return ServerOutcome(state_);
    };

    // Fresh caches, as after a fetch; then with the caches that refresh left.
    const std::string oneAtATime = refreshWith(false, ServerCaches());
    EXPECT_EQ(refreshWith(true, ServerCaches()), oneAtATime);
    EXPECT_EQ(state_.schedule.rows.size(), 10u);
    EXPECT_NE(oneAtATime.find("reply: " + std::string(1, '\0')), std::string::npos) << "a reply was kept";

    const ServerCaches known = state_.schedule.caches;
    const std::string knownOneAtATime = refreshWith(false, known);
    EXPECT_EQ(refreshWith(true, known), knownOneAtATime);
}

TEST_F(RefreshTest, FailedDownloadKeepsThePreviousEventsFile)
{
    http_.Serve(kEventsTarget, EventsFile(ZANT_FILE_VERSION_TEXT));
    Run(true);
    http_.Stop();
    ExpectMessage("Error: ");  // the download reports its own failure
    Run(true);
    EXPECT_EQ(EventNames(), (std::vector<std::string>{"[Local]", "Cup at Dover", "Bristol Night"}));
    EXPECT_EQ(Messages().size(), 1u);

    // Cancelled, it fails without a word, and the refresh goes on with the old file.
    ASSERT_TRUE(http_.Start(80));
    http_.Serve(kEventsTarget, "[Application]\r\nVersion=1.0.0.0\r\n[Schedule]\r\nEvents=0\r\n");
    RequestCancel();
    Run(true);
    EXPECT_FALSE(CancelRequested()) << "the cancel reached the steps after the download";
    EXPECT_EQ(EventNames(), (std::vector<std::string>{"[Local]", "Cup at Dover", "Bristol Night"}));
    EXPECT_EQ(Messages().size(), 1u);
}

TEST_F(RefreshTest, RepliesThatAreNoEventsFileKeepTheLastGoodOne)
{
    const std::string good = EventsFile(ZANT_FILE_VERSION_TEXT);
    http_.Serve(kEventsTarget, good);
    Run(true);

    struct Case {
        int status;
        std::string body;
        std::string message;
    };
    const std::string binary("\x89PNG\0Not Found", 14);
    const Case cases[] = {
        {200, "", "An empty response was received from Gridline Leagues"},
        {200, "<h1>Authorization Required</h1> and not found", "The server requires authentication and the provided "
                                                               "username/password is incorrect."},
        {200, "<title>404 Not Found</title>", "A valid ZANT Launcher file could not be found on 'Gridline Leagues"},
        {200, "Welcome to our league!", "A valid ZANT Launcher file was received from Gridline Leagues"},
        {200, binary, "A valid ZANT Launcher file was received from Gridline Leagues"},
        {401, "<h1>Authorization Required</h1>", "The server requires authentication and the provided "
                                                 "username/password is incorrect."},
        {404, "<title>404 Not Found</title>", "A valid ZANT Launcher file could not be found on 'Gridline Leagues"},
        {500, "<html>Internal error</html>", "A valid ZANT Launcher file was received from Gridline Leagues"},
        {503, "", "An empty response was received from Gridline Leagues"},
    };
    for (const Case& c : cases) {
        TestHttpServer::Response reply;
        reply.status = c.status;
        reply.body = c.body;
        http_.Serve(kEventsTarget, reply);
        ExpectMessage(c.message);
        EXPECT_EQ(Run(true), RefreshResult::Done);
        ASSERT_FALSE(Messages().empty());
        EXPECT_EQ(Messages().back().text, c.message) << c.status << " " << c.body;
        EXPECT_EQ(Messages().back().type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
        EXPECT_EQ(ReadTextFile(state_.EventsFile()), good) << c.status << " " << c.body;
        EXPECT_EQ(EventNames(), (std::vector<std::string>{"[Local]", "Cup at Dover", "Bristol Night"}));
        EXPECT_FALSE(FileExists(state_.env.LeagueFolder() + "zant-received.ini"));
    }
    EXPECT_EQ(InvalidResponseMessage(TempDir() + "missing.ini", "X"),
              "An invalid update information file was received.  File (simfetch.ini) cannot be found.");
}

TEST_F(RefreshTest, ErrorPagesAreNeitherBannerNorUpdate)
{
    TestHttpServer::Response missing;
    missing.status = 404;
    missing.body = "<html>404 Not Found</html>";
    http_.Serve("/files/series.bmp", missing);
    http_.Serve("/files/update.exe", missing);
    http_.Serve(kEventsTarget, EventsFile("9.9.0.0", 23));
    const std::string banner = state_.env.LeagueFolder() + "series.bmp";
    MakeFolders(state_.env.LeagueFolder());
    WriteTextFile(banner, "BM old banner");

    ExpectMessage("Download and upgrade now?", IDYES);
    ExpectMessage("Unable to get file. The server answered 404 Not Found (http://127.0.0.1/files/update.exe).");
    ExpectMessage("Unable to get file. The server answered 404 Not Found (http://127.0.0.1/files/series.bmp).");
    EXPECT_EQ(Run(true), RefreshResult::Done);
    EXPECT_EQ(programEnds_, 0);
    EXPECT_FALSE(FileExists(state_.env.dataFolder + "zantlauncher_9.9.0.0.exe"));
    EXPECT_EQ(ReadTextFile(banner), "BM old banner");
    EXPECT_EQ(ReadSettingNumber("SeriesImageVersion", 0), 0) << "recorded only for a banner that arrived";
    EXPECT_EQ(EventNames().size(), 3u);
}

TEST_F(RefreshTest, OnlyPlainVersionsAreOffered)
{
    struct Case {
        const char* text;
        bool plain;
    };
    const Case cases[] = {
        {"1.8.4.0", true}, {"10", true}, {"65535.65535.65535.65535", true},
        {"11111111111111111111111111111111", true}, {"111111111111111111111111111111111", false},
        {"", false}, {"1..2", false}, {".1", false}, {"1.", false}, {"1.8.4.0 ", false}, {"1.8a", false},
        {"9.9\\..\\..\\Sim\\VORA", false}, {"9.9/../x", false}, {"-1", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsPlainVersionText(c.text), c.plain) << c.text;

    // A version that climbs out of the data folder: no offer, nothing written.
    const std::string climbing = "9.9\\..\\..\\..\\Sim\\VORA";
    http_.Serve(kEventsTarget, EventsFile(climbing));
    http_.Serve("/files/update.exe", "planted program");
    WriteTextFile(state_.env.simFolder + "VORA.exe", "the sim");
    EXPECT_EQ(Run(true), RefreshResult::Done);
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(ReadTextFile(state_.env.simFolder + "VORA.exe"), "the sim");
    EXPECT_EQ(http_.Requests().size(), 1u) << "only the events file was fetched";
    EXPECT_EQ(EventNames().size(), 3u);
}

// The update starts from the data folder, whose path holds a blank: a
// program planted before that blank must not be the one started.
TEST_F(RefreshTest, UpdateStartsFromItsQuotedPath)
{
    const std::string program = ReadTextFile(ZANT_STANDIN_EXE);
    ASSERT_FALSE(program.empty()) << ZANT_STANDIN_EXE;
    ASSERT_NE(state_.env.dataFolder.find(' '), std::string::npos) << state_.env.dataFolder;
    const std::string planted = state_.env.dataFolder.substr(0, state_.env.dataFolder.find(' ')) + ".exe";
    WriteTextFile(planted, program);
    const char* signatures = getenv("ZANT_SIGNATURES");
    if (!signatures) GTEST_SKIP() << "no signatures: run the tests through scripts/ctest.sh";
    http_.Serve(kEventsTarget, EventsFile("9.9.0.0"));
    http_.Serve("/files/update.exe", ReadTextFile(std::string(signatures) + "update.exe"));
    http_.Serve("/files/update.exe.minisig", ReadTextFile(std::string(signatures) + "good.minisig"));

    ExpectMessage("Download and upgrade now?", IDYES);
    EXPECT_EQ(Run(true), RefreshResult::UpdateStarted);
    EXPECT_EQ(programEnds_, 1);
    const std::string update = state_.env.dataFolder + "zantlauncher_9.9.0.0.exe";
    const std::string log = state_.env.dataFolder + "zantlauncher_9.9.0.0.log";
    for (int i = 0; i < 200 && ReadTextFile(log).empty(); ++i) Sleep(50);
    EXPECT_EQ(ReadTextFile(log), "\"" + update + "\" -d" + state_.env.simFolder + "\r\n");
    const std::string plantedLog = planted.substr(0, planted.size() - 4) + ".log";
    EXPECT_FALSE(FileExists(plantedLog)) << "the planted program ran";
}

TEST_F(RefreshTest, VersionsCompareAsTexts)
{
    EXPECT_EQ(GetOwnVersion(), ZANT_FILE_VERSION_TEXT);
    EXPECT_TRUE(IsNewerVersion("1.8.3.0", "1.8.4.0"));
    EXPECT_FALSE(IsNewerVersion("1.8.3.0", "1.8.3.0"));
    EXPECT_FALSE(IsNewerVersion("1.9.0.0", "1.10.0.0"));
    EXPECT_FALSE(IsNewerVersion("1.8.3.0", "1.8.2.9"));
    EXPECT_TRUE(IsNewerVersion("", "0"));
    EXPECT_FALSE(IsNewerVersion("1.8.3.A", "1.8.3.a"));
}

// An update that does not verify is deleted and the refresh goes on.
TEST_F(RefreshTest, UnverifiedUpdateIsNotStarted)
{
    http_.Serve(kEventsTarget, EventsFile("9.9.0.0"));
    http_.Serve("/files/update.exe", ReadTextFile(ZANT_STANDIN_EXE));
    ExpectMessage("Download and upgrade now?", IDYES);
    ExpectMessage("The update to version 9.9.0.0 could not be verified and was not started.\r\n"
                  "The signature is missing.");
    EXPECT_EQ(Run(true), RefreshResult::Done);
    EXPECT_EQ(programEnds_, 0);
    EXPECT_FALSE(FileExists(state_.env.dataFolder + "zantlauncher_9.9.0.0.exe"));
    EXPECT_EQ(EventNames().size(), 3u);
}

TEST_F(RefreshTest, UpdateDeclinedGoesOn)
{
    http_.Serve(kEventsTarget, EventsFile("1.8.4.0"));
    ExpectMessage("A new version of ZANT Launcher is available (1.8.4.0). \r\nDownload and upgrade now?", IDNO);
    EXPECT_EQ(Run(true), RefreshResult::Done);
    EXPECT_EQ(Messages().back().type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(EventNames().size(), 3u);
}

TEST_F(RefreshTest, UpdateThatCannotStartLeavesNoRecords)
{
    const char* signatures = getenv("ZANT_SIGNATURES");
    if (!signatures) GTEST_SKIP() << "no signatures: run the tests through scripts/ctest.sh";
    http_.Serve(kEventsTarget, EventsFile("1.8.4.0"));
    http_.Serve("/files/update.exe", "this is no program");
    http_.Serve("/files/update.exe.minisig", ReadTextFile(std::string(signatures) + "noprogram.minisig"));
    ExpectMessage("Download and upgrade now?", IDNO);
    Run(true);  // a first refresh fills the lists
    ExpectMessage("Download and upgrade now?", IDNO);
    Run(true);

    ExpectMessage("Download and upgrade now?", IDYES);
    const std::string updateFile = state_.env.dataFolder + "zantlauncher_1.8.4.0.exe";
    ExpectMessage("Unable to run upgrade file (" + updateFile + ").  Error: ");
    EXPECT_EQ(Run(true), RefreshResult::UpdateNotStarted);
    EXPECT_EQ(ReadTextFile(updateFile), "this is no program");
    EXPECT_EQ(Messages().back().type, static_cast<UINT>(MB_OK | MB_ICONSTOP));
    EXPECT_TRUE(state_.schedule.rows.empty());
    EXPECT_TRUE(state_.schedule.events.empty());
    EXPECT_TRUE(state_.Catalog(CategoryId::Tracks).empty());
    EXPECT_FALSE(state_.busy);
    EXPECT_EQ(programEnds_, 0);
}

TEST_F(RefreshTest, SeriesBannerIsFetchedOnlyWhenNewer)
{
    http_.Serve("/files/series.bmp", "BM banner");
    http_.Serve(kEventsTarget, EventsFile(ZANT_FILE_VERSION_TEXT, 22));
    Run(true);
    const std::string banner = state_.env.LeagueFolder() + "series.bmp";
    EXPECT_FALSE(FileExists(banner));
    EXPECT_EQ(ReadSettingNumber("SeriesImageVersion", 0), 0) << "nothing stored while nothing was fetched";

    http_.Serve(kEventsTarget, EventsFile(ZANT_FILE_VERSION_TEXT, 23));
    Run(true);
    EXPECT_EQ(ReadTextFile(banner), "BM banner");
    EXPECT_EQ(ReadSettingNumber("SeriesImageVersion", 0), 23);
}

}  // namespace
