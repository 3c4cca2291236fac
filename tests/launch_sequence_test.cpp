#include <string>
#include <vector>

#include "app/Settings.h"
#include "launch/LaunchSequence.h"
#include "tests/support/TestEnv.h"
#include "tests/support/TestHttpServer.h"
#include "tests/support/TestZip.h"

namespace {

template <typename Item>
Item& AddItem(ContentList& list, int id, const std::string& name, const std::string& size, bool needed)
{
    auto item = std::make_unique<Item>();
    item->ID = id;
    item->Name = name;
    item->FileSize = size;
    item->notInstalled = needed;
    Item& added = *item;
    list.push_back(std::move(item));
    return added;
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
        MakeFolders(sim_ + "rfm");
        MakeFolders(sim_ + "UIData");
        MakeFolders(sim_ + "GameData\\Vehicles");
        WriteTextFile(sim_ + "rfm\\CUP.rfm", "CountCautionLaps = 1\n");
        MakeFolders(TempDir() + "Documents");
        state_.env = SettleEnvironment(sim_ + "ZANTLauncher.exe", TempDir() + "Documents");
        state_.profiles = {"Player1", "Player2"};
        event_.ID = 7;
        event_.Server = "127.0.0.1:54297";
        event_.Track = "Oval1";
        event_.Vehicle = "Cup2016";
        event_.League = "Cup";
        event_.Date = "12/05/2016 8:00 PM";
        event_.ImageIndex = 3;
        event_.VehicleIDs = {1};
        ASSERT_TRUE(http_.Start(80));

        hooks_.selectedEvent = [this] { return &event_; };
        hooks_.install = [this](const std::vector<ContentItem*>& items, const std::string& word) {
            std::string names;
            for (const ContentItem* item : items) names += " " + item->Name;
            installs_.push_back(word + ":" + names);
        };
        hooks_.refreshWithoutFetch = [this] { ++refreshes_; };
        hooks_.showMainWindow = [this](int show) { shows_.push_back(show); };
        hooks_.start = [this](const std::string& commandLine, const std::string&) {
            started_.push_back(commandLine);
            StartedProgram program;
            program.process.reset(CreateEventA(nullptr, TRUE, TRUE, nullptr));  // stands for the process
            return program;
        };
    }

    std::string SetupFile(const char* profile) const
    {
        return sim_ + "Userdata\\" + profile + "\\Settings\\Oval1\\Cup 1205201.svm";
    }
    std::string GalFile(const char* profile) const
    {
        return sim_ + "Userdata\\" + profile + "\\FavoriteAndFixedSetups.gal";
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
    AddItem<VehicleItem>(sims, 1, "Sim patch", "5", true).vehicleIds = {1};
    AddItem<VehicleItem>(sims, 2, "Other sim patch", "6", true).vehicleIds = {9};
    AddItem<VehicleItem>(sims, 3, "Installed patch", "7", false).vehicleIds = {1};
    ContentList& tracks = state_.Catalog(CategoryId::Tracks);
    AddItem<TrackItem>(tracks, 10, "Oval1 Speedway", "100", true).TrackID = 501;
    AddItem<TrackItem>(tracks, 11, "Harbour Ring", "% 50", true).TrackID = 502;
    AddItem<TrackItem>(tracks, 12, "Hill Climb", "20", false).TrackID = 503;
    ContentList& cars = state_.Catalog(CategoryId::Cars);
    CarItem& car = AddItem<CarItem>(cars, 20, "", "30", true);
    car.VehicleID = 1;
    car.Driver = "Ann 100%";
    AddItem<CarItem>(cars, 21, "", "31", true).VehicleID = 9;
    for (int size : {10, 20, 30, 40, 50}) AddItem<CarItem>(state_.leagueCars, size, "", std::to_string(size), true);
    AddItem<CarItem>(state_.leagueCars, 60, "", "60", false);

    const struct {
        const char* name;
        int id;
        int trackId;
        const char* serverTrack;
        std::string summary;
        size_t tracks;
    } cases[] = {
        {"track by number and by report, listed once", 7, 501, "Oval1 Speedway 2026",
         "\r\nSim patch  (5 MB)\r\nOval1 Speedway  (100 MB)\r\nAnn 100%  (30 MB)\r\n5 League Cars  (150 MB)", 1},
        {"silent server: every needed track", 7, 0, "",
         "\r\nSim patch  (5 MB)\r\nOval1 Speedway  (100 MB)\r\nHarbour Ring  (0 MB)\r\nAnn 100%  (30 MB)"
         "\r\n5 League Cars  (150 MB)",
         2},
        {"local entry: every needed sim and car", 0, 0, "Harbour",
         "\r\nSim patch  (5 MB)\r\nOther sim patch  (6 MB)\r\nHarbour Ring  (0 MB)\r\nAnn 100%  (30 MB)"
         "\r\n  (31 MB)\r\n5 League Cars  (150 MB)",
         1},
    };
    for (const auto& c : cases) {
        RaceEvent event;
        event.ID = c.id;
        event.TrackID = c.trackId;
        event.ServerTrack = c.serverTrack;
        event.VehicleIDs = {1};
        const NeededItems needed = CollectNeededItems(event, state_);
        EXPECT_EQ(needed.summary, c.summary) << c.name;
        EXPECT_EQ(needed.tracks.size(), c.tracks) << c.name;
        EXPECT_EQ(needed.cars.size(), needed.summary.find("(31 MB)") != std::string::npos ? 7u : 6u) << c.name;
    }
}

TEST_F(LaunchSequenceTest, QuestionDecidesInstallsAndWhetherToGoOn)
{
    AddItem<VehicleItem>(state_.Catalog(CategoryId::Sims), 1, "Sim patch", "5", true).vehicleIds = {1};
    AddItem<TrackItem>(state_.Catalog(CategoryId::Tracks), 10, "Oval1 Speedway", "100", true);
    const struct {
        const char* name;
        bool ask;
        int answer;
        std::vector<std::string> installs;
        bool goesOn;
    } cases[] = {
        {"yes", true, IDYES, {"Sim: Sim patch", "Track: Oval1 Speedway", "Car:"}, true},
        {"no", true, IDNO, {}, true},
        {"cancel", true, IDCANCEL, {}, false},
        {"not asked", false, 0, {"Sim: Sim patch", "Track: Oval1 Speedway", "Car:"}, true},
    };
    for (const auto& c : cases) {
        installs_.clear();
        refreshes_ = 0;
        started_.clear();
        WriteTextFile(sim_ + "rfm\\CUP.rfm", "CountCautionLaps = 1\n");
        event_.CountCautionLaps = "0";
        if (c.ask) ExpectMessage("items need to be downloaded for this race.\r\n\r\nDownload now?\r\n\r\nSim patch  (5 MB)", c.answer);
        PrepareAndLaunch(state_, c.ask, true, hooks_);
        EXPECT_EQ(installs_, c.installs) << c.name;
        EXPECT_EQ(refreshes_, c.installs.empty() ? 0 : 1) << c.name;
        EXPECT_EQ(started_.size(), c.goesOn ? 1u : 0u) << c.name;
        EXPECT_EQ(ReadTextFile(sim_ + "rfm\\CUP.rfm"), c.goesOn ? "CountCautionLaps = 0\n" : "CountCautionLaps = 1\n")
            << c.name;
        if (c.ask) {
            EXPECT_EQ(Messages().back().type, static_cast<UINT>(MB_YESNOCANCEL | MB_ICONQUESTION));
        }
    }
}

TEST_F(LaunchSequenceTest, SetupGoesToEveryServedProfile)
{
    http_.Serve("/setups/cup.svm", "[GENERAL]\nsetup\n");
    event_.SetupPath = "http://127.0.0.1/setups/cup.svm";
    PrepareAndLaunch(state_, true, false, hooks_);
    for (const char* profile : {"Player1", "Player2"}) {
        EXPECT_EQ(ReadTextFile(SetupFile(profile)), "[GENERAL]\nsetup\n") << profile;
        EXPECT_EQ(ReadTextFile(GalFile(profile)),
                  std::string("\nAutoLoadEntry\n{\n  Track=\"Oval1\"\n  Classes=\"Cup2016\"\n  Session=10\n"
                              "  File=\"Userdata\\") + profile + "\\Settings\\Oval1\\Cup 1205201.svm\"\n}\n")
            << profile;
    }
    EXPECT_TRUE(started_.empty());

    // An assignment for the league serves that profile only; one that names
    // no profile of the list serves none, silently.
    for (const char* profile : {"Player1", "Player2"}) DeleteFileA(SetupFile(profile).c_str());
    WriteSettingText("Profile" + std::to_string(state_.env.installation.number) + "League3", "Player2", "Options");
    PrepareAndLaunch(state_, true, false, hooks_);
    EXPECT_FALSE(FileExists(SetupFile("Player1")));
    EXPECT_TRUE(FileExists(SetupFile("Player2")));
    DeleteFileA(SetupFile("Player2").c_str());
    WriteSettingText("Profile" + std::to_string(state_.env.installation.number) + "League3", "Gone", "Options");
    PrepareAndLaunch(state_, true, false, hooks_);
    EXPECT_FALSE(FileExists(SetupFile("Player2")));
}

// Names from the events file never lead the setup outside the track folder.
TEST_F(LaunchSequenceTest, SetupNamesLeadingOutsideAreRefused)
{
    http_.Serve("/setups/cup.svm", "setup");
    event_.SetupPath = "http://127.0.0.1/setups/cup.svm";
    WriteSettingText("Profile" + std::to_string(state_.env.installation.number), "Player1", "Options");
    const struct {
        const char* track;
        const char* league;
        const char* date;
    } cases[] = {
        {"..", "Cup", "12/05/2016"},
        {"..\\..\\..", "Cup", "12/05/2016"},
        {"Oval1", "..\\..\\..\\evil", "12/05/2016"},
        {"Oval1", "C:\\evil", "12/05/2016"},
        {"C:", "Cup", "12/05/2016"},
        {"Oval1", "Cup", "1:\\x"},
    };
    for (const auto& c : cases) {
        event_.Track = c.track;
        event_.League = c.league;
        event_.Date = c.date;
        ExpectMessage("Unable to download setup.");
        PrepareAndLaunch(state_, true, false, hooks_);
        EXPECT_FALSE(FileExists(GalFile("Player1"))) << c.track << " " << c.league;
    }
    EXPECT_TRUE(http_.Requests().empty());
    event_.partnerLeague = std::make_unique<LeagueRecord>();
    ExpectMessage("Unable to download setup:\n\nhttp://127.0.0.1/setups/cup.svm");
    PrepareAndLaunch(state_, true, false, hooks_);
}

TEST_F(LaunchSequenceTest, CautionLapsAreOffOnlyForZero)
{
    const struct {
        const char* value;
        const char* written;
    } cases[] = {{"0", "0"}, {"1", "1"}, {"2", "1"}, {"00", "1"}, {"yes", "1"}, {"", "1"}};
    for (const auto& c : cases) {
        WriteTextFile(sim_ + "rfm\\CUP.rfm", "CountCautionLaps = 5\n");
        event_.CountCautionLaps = c.value;
        PrepareAndLaunch(state_, true, false, hooks_);
        EXPECT_EQ(ReadTextFile(sim_ + "rfm\\CUP.rfm"), std::string("CountCautionLaps = ") + c.written + "\n")
            << "'" << c.value << "'";
    }
}

TEST_F(LaunchSequenceTest, GarageAndDashboardImages)
{
    const std::string garage1 = sim_ + "UIData\\BK_GARAGE1.bmp";
    const std::string notes = sim_ + "GameData\\Vehicles\\race_notes.dds";
    WriteTextFile(garage1, "old");
    WriteTextFile(sim_ + "UIData\\BK_GARAGE2.bmp", "old");
    WriteTextFile(notes, "old");
    PrepareAndLaunch(state_, true, false, hooks_);
    EXPECT_FALSE(FileExists(garage1));
    EXPECT_FALSE(FileExists(sim_ + "UIData\\BK_GARAGE2.bmp"));
    EXPECT_FALSE(FileExists(notes));

    const std::string zip = TempDir() + "garage.zip";
    ASSERT_TRUE(WriteTestZip(zip, {{"UIData/BK_GARAGE1.bmp", "garage one"}}));
    http_.Serve("/ui.zip", ReadTextFile(zip));
    http_.Serve("/notes.dds", "DDS notes");
    event_.UIChange = "http://127.0.0.1/ui.zip";
    event_.VehicleChange = "http://127.0.0.1/notes.dds";
    PrepareAndLaunch(state_, true, true, hooks_);
    EXPECT_EQ(ReadTextFile(garage1), "garage one");
    EXPECT_EQ(ReadTextFile(notes), "DDS notes");
    EXPECT_EQ(started_.size(), 1u);
}

// A zip that cannot be unpacked is tried again after a second, then stops the launch.
TEST_F(LaunchSequenceTest, UnpackableGarageZipStopsTheLaunch)
{
    http_.Serve("/ui.zip", "this is no zip archive");
    event_.UIChange = "http://127.0.0.1/ui.zip";
    event_.VehicleChange = "http://127.0.0.1/notes.dds";
    ExpectMessage("An error occurred while unzipping " + state_.env.dataFolder + "uiChange.zip");
    const DWORD before = GetTickCount();
    PrepareAndLaunch(state_, true, true, hooks_);
    EXPECT_GE(GetTickCount() - before, 900u);
    EXPECT_TRUE(started_.empty());
    EXPECT_EQ(shows_, std::vector<int>{SW_SHOWNORMAL});
    EXPECT_EQ(http_.Requests().size(), 1u);  // no dashboard image
}

TEST_F(LaunchSequenceTest, CommandLines)
{
    const std::string installation = std::to_string(state_.env.installation.number);
    const std::string program = "\"" + sim_ + "\\" + state_.env.installation.programName + "\" ";
    const struct {
        const char* name;
        const char* server;
        const char* password;
        int fullproc;
        int highprio;
        const char* profile;
        std::string expected;
    } cases[] = {
        {"everything", "127.0.0.1:54297", "pit lane", 1, 1, "Player1",
         program + "+connect 127.0.0.1:54297 +password pit lane +fullproc +highprio +profile \"Player1\""},
        {"nothing", "", "", 0, 0, "", program},
        {"password without server", "", "secret", 0, 1, "", program + " +password secret +highprio"},
    };
    for (const auto& c : cases) {
        event_.Server = c.server;
        event_.ServerPassword = c.password;
        WriteSettingNumber("Fullproc", c.fullproc, "Options");
        WriteSettingNumber("HighPrio", c.highprio, "Options");
        WriteSettingText("Profile" + installation, c.profile, "Options");
        EXPECT_EQ(LaunchCommandLine(state_.env, event_), c.expected) << c.name;
    }

    WriteSettingText("Profile" + installation, "Gone", "Options");
    ExpectMessage("WARNING: The specified profile (Gone) does not exist. Allowing sim to select profile.");
    EXPECT_EQ(LaunchCommandLine(state_.env, event_), program + " +password secret +highprio");

    state_.env.dedicated = true;
    const std::string dedicated = "\"" + sim_ + "\\VORA Dedicated.exe\"";
    EXPECT_EQ(LaunchCommandLine(state_.env, event_), dedicated + " +maxplayers 52");
    WriteTextFile(sim_ + "Userdata\\Player1\\Multiplayer.ini", "[Multiplayer Server Options]\nMax MP Players=\"20\"\n");
    WriteSettingText("Profile" + installation, "Player1", "Options");
    EXPECT_EQ(LaunchCommandLine(state_.env, event_), dedicated + " +maxplayers 20");
    WriteSettingText("Profile" + installation, "", "Options");
    EXPECT_EQ(LaunchCommandLine(state_.env, event_), dedicated);
}

// The real start: the stand-in sim records the command line it was given.
TEST_F(LaunchSequenceTest, StartsTheSimInItsFolder)
{
    ASSERT_TRUE(CopyFileA(ZANT_STANDIN_EXE, (sim_ + "VORA.exe").c_str(), FALSE));
    state_.env.installation.programName = "VORA.exe";
    hooks_.start = StartProgram;
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    PrepareAndLaunch(state_, true, true, hooks_);
    char current[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, current);
    SetCurrentDirectoryA(previous);
    EXPECT_EQ(std::string(current) + "\\", sim_);
    EXPECT_EQ(shows_, std::vector<int>{SW_MINIMIZE});
    const std::string log = sim_ + "VORA.log";
    for (int wait = 0; wait < 100 && ReadTextFile(log).empty(); ++wait) Sleep(100);
    EXPECT_EQ(ReadTextFile(log), LaunchCommandLine(state_.env, event_) + "\r\n");
}

TEST_F(LaunchSequenceTest, DedicatedServerIsAwaitedAndProfilesReread)
{
    ASSERT_TRUE(CopyFileA(ZANT_STANDIN_EXE, (sim_ + "VORA Dedicated.exe").c_str(), FALSE));
    state_.env.dedicated = true;
    hooks_.start = [this](const std::string& commandLine, const std::string& folder) {
        StartedProgram program = StartProgram(commandLine, folder);
        // Made while the server runs: found by the re-read after it ends.
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

TEST_F(LaunchSequenceTest, FailedStartIsReported)
{
    hooks_.start = StartProgram;
    state_.env.installation.programName = "Missing.exe";
    ExpectMessage("Unable to launch sim (\"" + sim_ + "\\Missing.exe\" +connect 127.0.0.1:54297 +fullproc +highprio).  Error: ");
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    PrepareAndLaunch(state_, true, true, hooks_);
    SetCurrentDirectoryA(previous);
    EXPECT_TRUE(shows_.empty());
    EXPECT_EQ(Messages().back().type, static_cast<UINT>(MB_ICONERROR));
}

}  // namespace
