#include <string>
#include <vector>

#include "app/FileReplace.h"
#include "app/Settings.h"
#include "launch/EventContent.h"
#include "launch/LaunchSequence.h"
#include "tests/support/TestEnv.h"
#include "tests/support/TestHttpServer.h"
#include "tests/support/TestZip.h"

namespace {

template <typename Item>
Item& AddItem(ContentList& list, int id, const std::string& name, const std::string& size, bool needed = true)
{
    auto item = std::make_unique<Item>();
    item->ID = id;
    item->Name = name;
    item->FileSize = size;
    item->notInstalled = needed;
    list.push_back(std::move(item));
    return static_cast<Item&>(*list.back());
}

class LaunchSequenceTest : public LauncherTest {
protected:
    void SetUp() override
    {
        LauncherTest::SetUp();
        sim_ = TempDir() + "Sim\\";
        for (const char* profile : {"Player1", "Player2"}) {
            MakeFolders(sim_ + "Userdata\\" + profile + "\\Settings");
            WriteTextFile(sim_ + "Userdata\\" + profile + "\\" + profile + ".PLR", "");
        }
        for (const char* folder : {"rfm", "UIData", "GameData\\Vehicles", "Documents"}) MakeFolders(sim_ + folder);
        state_.env = SettleEnvironment(sim_ + "ZANTLauncher.exe", sim_ + "Documents");
        state_.profiles = {"Player1", "Player2"};
        event_.ID = 7;
        event_.VehicleIDs = {1};
        event_.Server = "127.0.0.1:54297";
        event_.Track = "Oval1";
        event_.Vehicle = "Cup2016";
        event_.League = "Cup";
        event_.Date = "12/05/2016 8:00 PM";
        event_.ImageIndex = 3;
        ASSERT_TRUE(http_.Start(80));
        http_.Serve("/cup.svm", "setup");
        hooks_.selectedEvent = [this] { return &event_; };
        hooks_.install = [this](const std::vector<ContentItem*>& items, const std::string& word) {
            installs_.push_back(word + ":");
            for (const ContentItem* item : items) installs_.back() += " " + item->Name;
        };
        hooks_.refreshWithoutFetch = [this] { ++refreshes_; };
        hooks_.showMainWindow = [this](int show) { shows_.push_back(show); };
        hooks_.start = [this](const std::string& commandLine, const std::string&) {
            started_.push_back(commandLine);
            return StartedProgram{UniqueHandle(CreateEventA(nullptr, TRUE, TRUE, nullptr)), 0};
        };
    }

    std::string SetupFile(const char* profile) const
    {
        return sim_ + "Userdata\\" + profile + "\\Settings\\Oval1\\Cup 1205201.svm";
    }
    void AssignProfile(const std::string& key, const std::string& profile)
    {
        WriteSettingText("Profile" + std::to_string(state_.env.installation.number) + key, profile, "Options");
    }

    std::string sim_;
    LauncherState state_;
    RaceEvent event_;
    TestHttpServer http_;
    LaunchHooks hooks_;
    std::vector<std::string> installs_;
    int refreshes_ = 0;
    std::vector<int> shows_;
    std::vector<std::string> started_;
};

TEST_F(LaunchSequenceTest, CollectsWhatTheRaceLacks)
{
    ContentList& sims = state_.Catalog(CategoryId::Sims);
    AddItem<VehicleItem>(sims, 1, "Sim patch", "5").vehicleIds = {1};
    AddItem<VehicleItem>(sims, 2, "Other patch", "6").vehicleIds = {9};
    AddItem<VehicleItem>(sims, 3, "Installed patch", "7", false).vehicleIds = {1};
    ContentList& tracks = state_.Catalog(CategoryId::Tracks);
    AddItem<TrackItem>(tracks, 10, "Oval1 Speedway", "100").TrackID = 501;
    AddItem<TrackItem>(tracks, 11, "Harbour Ring", "% 50").TrackID = 502;
    AddItem<TrackItem>(tracks, 12, "Hill Climb", "20", false).TrackID = 503;
    CarItem& car = AddItem<CarItem>(state_.Catalog(CategoryId::Cars), 20, "", "30");
    car.VehicleID = 1;
    car.Driver = "Ann 100%";
    AddItem<CarItem>(state_.Catalog(CategoryId::Cars), 21, "", "31").VehicleID = 9;
    for (int size : {10, 20, 30, 40, 50, 60}) AddItem<CarItem>(state_.leagueCars, size, "", std::to_string(size), size < 60);

    const std::string sim = "\r\nSim patch  (5 MB)", oval = "\r\nOval1 Speedway  (100 MB)", harbour = "\r\nHarbour Ring  (0 MB)";
    const std::string cars = "\r\nAnn 100%  (30 MB)", league = "\r\n5 League Cars  (150 MB)";
    const struct {
        int id;
        int trackId;
        const char* serverTrack;
        std::string summary;
    } cases[] = {
        {7, 501, "Oval1 Speedway 2026", sim + oval + cars + league},  // one track by number and report
        {7, 0, "", sim + oval + harbour + cars + league},             // silent server: every needed track
        {0, 0, "Harbour", sim + "\r\nOther patch  (6 MB)" + harbour + cars + "\r\n  (31 MB)" + league},
    };
    for (const auto& c : cases) {
        event_.ID = c.id;
        event_.TrackID = c.trackId;
        event_.ServerTrack = c.serverTrack;
        const NeededItems needed = CollectNeededItems(event_, state_);
        EXPECT_EQ(needed.summary, c.summary) << c.id << " " << c.serverTrack;
        EXPECT_EQ(needed.cars.size(), c.id == 0 ? 7u : 6u);
    }
}

TEST_F(LaunchSequenceTest, ReadinessAndLaunchTakeItemsWhoseFilesChanged)
{
    AddItem<VehicleItem>(state_.Catalog(CategoryId::Sims), 1, "Sim patch", "5").vehicleIds = {1};
    ContentList& tracks = state_.Catalog(CategoryId::Tracks);
    AddItem<TrackItem>(tracks, 10, "Oval1 Speedway", "100", false).TrackID = 501;
    AddItem<TrackItem>(tracks, 11, "Harbour Ring", "50", false).TrackID = 502;
    AddItem<TrackItem>(tracks, 12, "Hill Climb", "20").TrackID = 503;
    AddItem<CarItem>(state_.Catalog(CategoryId::Cars), 20, "Ann", "30", false).VehicleID = 1;
    // The oval's record lists a file that is gone; the harbour's file is as installed.
    MakeFolders(state_.env.LeagueFolder());
    WriteTextFile(sim_ + "GameData\\harbour.gdb", "harbour");
    std::vector<RecordedFile> harbour = {{0, 7, 0, "GameData\\harbour.gdb"}};
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExA((sim_ + "GameData\\harbour.gdb").c_str(), GetFileExInfoStandard, &data);
    harbour[0].lastWrite = FileTimeNumber(data.ftLastWriteTime);
    WriteFileRecord(ItemRecordPath(state_.env, *tracks[1], "Track"), harbour);
    WriteFileRecord(ItemRecordPath(state_.env, *tracks[0], "Track"), {{0, 5, 0, "GameData\\oval.gdb"}});

    const struct {
        std::vector<int> vehicles;
        int trackId;
        const char* track;
        const char* serverTrack;
        const char* content;
    } cases[] = {
        {{1}, 501, "Oval1", "", "2 to get (105 MB)"},     // the sim, and the oval by number
        {{}, 0, "Harbour", "", "Ready"},                  // silent server: the event's own track
        {{}, 0, "Oval1", "Harbour Ring", "Ready"},        // the server's report wins
        {{}, 0, "", "", "2 to get (120 MB)"},             // no track name: every track
        {{2}, 502, "Harbour", "", "Ready"},
    };
    for (const auto& c : cases) {
        auto event = std::make_unique<RaceEvent>();
        event->ID = 7;
        event->VehicleIDs = c.vehicles;
        event->TrackID = c.trackId;
        event->Track = c.track;
        event->ServerTrack = c.serverTrack;
        state_.schedule.rows.push_back({{}, 0, -1, event.get()});
        state_.schedule.events.push_back(std::move(event));
    }
    DescribeEventContent(state_);
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(state_.schedule.rows[i].texts[kContentColumn], cases[i].content) << i;
    // Launch offers to repair the oval with what is missing.
    event_.TrackID = 501;
    EXPECT_EQ(CollectNeededItems(event_, state_).summary, "\r\nSim patch  (5 MB)\r\nOval1 Speedway  (100 MB)\r\nHill Climb  (20 MB)");
}

TEST_F(LaunchSequenceTest, QuestionDecidesInstallsAndWhetherToGoOn)
{
    AddItem<VehicleItem>(state_.Catalog(CategoryId::Sims), 1, "Sim patch", "5").vehicleIds = {1};
    AddItem<TrackItem>(state_.Catalog(CategoryId::Tracks), 10, "Oval1 Speedway", "100");
    const std::vector<std::string> all = {"Sim: Sim patch", "Track: Oval1 Speedway", "Car:"};
    const struct {
        bool ask;
        int answer;
        bool installs;
        bool goesOn;
    } cases[] = {{true, IDYES, true, true}, {true, IDNO, false, true}, {true, IDCANCEL, false, false}, {false, 0, true, true}};
    for (const auto& c : cases) {
        installs_.clear();
        refreshes_ = 0;
        started_.clear();
        WriteTextFile(sim_ + "rfm\\CUP.rfm", "CountCautionLaps = 1\n");
        event_.CountCautionLaps = "0";
        if (c.ask) ExpectMessage("for this race.\r\n\r\nDownload now?\r\n\r\nSim patch  (5 MB)\r\nOval1", c.answer);
        PrepareAndLaunch(state_, c.ask, true, hooks_);
        EXPECT_EQ(installs_, c.installs ? all : std::vector<std::string>{}) << c.answer;
        EXPECT_EQ(refreshes_, c.installs ? 1 : 0) << c.answer;
        EXPECT_EQ(started_.size(), c.goesOn ? 1u : 0u) << c.answer;
        EXPECT_EQ(ReadTextFile(sim_ + "rfm\\CUP.rfm"), c.goesOn ? "CountCautionLaps = 0\n" : "CountCautionLaps = 1\n");
    }
    EXPECT_EQ(Messages().back().type, static_cast<UINT>(MB_YESNOCANCEL | MB_ICONQUESTION));
}

TEST_F(LaunchSequenceTest, SetupGoesToEveryServedProfile)
{
    event_.SetupPath = "http://127.0.0.1/cup.svm";
    PrepareAndLaunch(state_, true, false, hooks_);
    for (const char* profile : {"Player1", "Player2"}) {
        EXPECT_EQ(ReadTextFile(SetupFile(profile)), "setup") << profile;
        EXPECT_NE(ReadTextFile(sim_ + "Userdata\\" + profile + "\\FavoriteAndFixedSetups.gal")
                      .find(std::string("  File=\"Userdata\\") + profile + "\\Settings\\Oval1\\Cup 1205201.svm\""),
                  std::string::npos);
        DeleteFileA(SetupFile(profile).c_str());
    }
    EXPECT_TRUE(started_.empty());

    // The league's assignment serves that profile only; one that names no
    // profile of the list serves none, silently.
    AssignProfile("League3", "Player2");
    PrepareAndLaunch(state_, true, false, hooks_);
    EXPECT_FALSE(FileExists(SetupFile("Player1")));
    EXPECT_TRUE(DeleteFileA(SetupFile("Player2").c_str()));
    AssignProfile("League3", "Gone");
    PrepareAndLaunch(state_, true, false, hooks_);
    EXPECT_FALSE(FileExists(SetupFile("Player2")));
}

// Names from the events file never lead the setup outside the track folder.
TEST_F(LaunchSequenceTest, SetupNamesLeadingOutsideAreRefused)
{
    event_.SetupPath = "http://127.0.0.1/cup.svm";
    AssignProfile("", "Player1");
    const struct {
        const char* track;
        const char* league;
        const char* date;
    } cases[] = {{"..", "Cup", "12/05/2016"},   {"..\\..\\..", "Cup", "1"}, {"Oval1", "..\\..\\evil", "1"},
                 {"Oval1", "C:\\evil", "1"},     {"C:", "Cup", "1"},         {"Oval1", "Cup", "1:\\x"}};
    for (const auto& c : cases) {
        event_.Track = c.track;
        event_.League = c.league;
        event_.Date = c.date;
        ExpectMessage("Unable to download setup.");
        PrepareAndLaunch(state_, true, false, hooks_);
    }
    EXPECT_TRUE(http_.Requests().empty());
    EXPECT_FALSE(FileExists(sim_ + "Userdata\\Player1\\FavoriteAndFixedSetups.gal"));
    event_.partnerLeague = std::make_unique<LeagueRecord>();
    ExpectMessage("Unable to download setup:\n\nhttp://127.0.0.1/cup.svm");
    PrepareAndLaunch(state_, true, false, hooks_);
}

TEST_F(LaunchSequenceTest, CautionLapsAreOffOnlyForZero)
{
    for (const char* value : {"0", "1", "2", "00", "yes", ""}) {
        WriteTextFile(sim_ + "rfm\\CUP.rfm", "CountCautionLaps = 5\n");
        event_.CountCautionLaps = value;
        PrepareAndLaunch(state_, true, false, hooks_);
        EXPECT_EQ(ReadTextFile(sim_ + "rfm\\CUP.rfm"), std::string("CountCautionLaps = ") +
                                                           (std::string(value) == "0" ? "0" : "1") + "\n");
    }
}

TEST_F(LaunchSequenceTest, GarageAndDashboardImages)
{
    const std::string garage = sim_ + "UIData\\BK_GARAGE", notes = sim_ + "GameData\\Vehicles\\race_notes.dds";
    for (const std::string& file : {garage + "1.bmp", garage + "2.bmp", notes}) WriteTextFile(file, "old");
    PrepareAndLaunch(state_, true, false, hooks_);
    for (const std::string& file : {garage + "1.bmp", garage + "2.bmp", notes}) EXPECT_FALSE(FileExists(file));

    ASSERT_TRUE(WriteTestZip(TempDir() + "ui.zip", {{"UIData/BK_GARAGE1.bmp", "garage one"}}));
    http_.Serve("/ui.zip", ReadTextFile(TempDir() + "ui.zip"));
    http_.Serve("/notes.dds", "DDS notes");
    event_.UIChange = "http://127.0.0.1/ui.zip";
    event_.VehicleChange = "http://127.0.0.1/notes.dds";
    PrepareAndLaunch(state_, true, true, hooks_);
    EXPECT_EQ(ReadTextFile(garage + "1.bmp"), "garage one");
    EXPECT_EQ(ReadTextFile(notes), "DDS notes");

    // A zip that cannot be unpacked is tried again after a second, then stops the launch.
    http_.Serve("/ui.zip", "no zip archive");
    ExpectMessage("An error occurred while unzipping " + state_.env.dataFolder + "uiChange.zip");
    const DWORD before = GetTickCount();
    PrepareAndLaunch(state_, true, true, hooks_);
    EXPECT_GE(GetTickCount() - before, 900u);
    EXPECT_EQ(started_.size(), 1u);
    EXPECT_EQ(shows_, (std::vector<int>{SW_MINIMIZE, SW_SHOWNORMAL}));
}

TEST_F(LaunchSequenceTest, CommandLines)
{
    const std::string program = "\"" + sim_ + "\\" + state_.env.installation.programName + "\" ";
    const struct {
        const char* server;
        const char* password;
        int fullproc;
        int highprio;
        const char* profile;
        std::string expected;
    } cases[] = {
        {"127.0.0.1:1", "pit lane", 1, 1, "Player1",
         program + "+connect 127.0.0.1:1 +password pit lane +fullproc +highprio +profile \"Player1\""},
        {"", "", 0, 0, "", program},
        {"", "secret", 0, 1, "", program + " +password secret +highprio"},
    };
    for (const auto& c : cases) {
        event_.Server = c.server;
        event_.ServerPassword = c.password;
        WriteSettingNumber("Fullproc", c.fullproc, "Options");
        WriteSettingNumber("HighPrio", c.highprio, "Options");
        AssignProfile("", c.profile);
        EXPECT_EQ(LaunchCommandLine(state_.env, event_), c.expected);
    }
    AssignProfile("", "Gone");
    ExpectMessage("WARNING: The specified profile (Gone) does not exist. Allowing sim to select profile.");
    EXPECT_EQ(LaunchCommandLine(state_.env, event_), program + " +password secret +highprio");

    state_.env.dedicated = true;
    const std::string dedicated = "\"" + sim_ + "\\VORA Dedicated.exe\"";
    EXPECT_EQ(LaunchCommandLine(state_.env, event_), dedicated + " +maxplayers 52");
    WriteTextFile(sim_ + "Userdata\\Player1\\Multiplayer.ini",
                  "[Multiplayer Server Options]\nMax MP Players=\"40\" // Most drivers the server lets in\n");
    AssignProfile("", "Player1");
    EXPECT_EQ(LaunchCommandLine(state_.env, event_), dedicated + " +maxplayers 40");
    AssignProfile("", "");
    EXPECT_EQ(LaunchCommandLine(state_.env, event_), dedicated);
}

// The real start: the stand-in server records its command line; the launcher
// waits for it to end and then reads the profiles again.
TEST_F(LaunchSequenceTest, DedicatedServerIsAwaitedAndProfilesReread)
{
    ASSERT_TRUE(CopyFileA(ZANT_STANDIN_EXE, (sim_ + "VORA Dedicated.exe").c_str(), FALSE));
    state_.env.dedicated = true;
    hooks_.start = [this](const std::string& commandLine, const std::string& folder) {
        StartedProgram program = StartProgram(commandLine, folder);
        MakeFolders(sim_ + "Userdata\\Player3");
        WriteTextFile(sim_ + "Userdata\\Player3\\Player3.PLR", "");
        return program;
    };
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    PrepareAndLaunch(state_, true, true, hooks_);
    SetCurrentDirectoryA(previous);
    EXPECT_EQ(ReadTextFile(sim_ + "VORA Dedicated.log"), "\"" + sim_ + "\\VORA Dedicated.exe\"\r\n");
    EXPECT_EQ(shows_, (std::vector<int>{SW_MINIMIZE, SW_SHOWNORMAL}));
    EXPECT_EQ(state_.profiles.size(), 3u);
}

}  // namespace
