#include <string>
#include <vector>

#include "app/IniFile.h"
#include "catalog/LeagueContent.h"
#include "tests/support/TestEnv.h"
#include "tests/support/TestHttpServer.h"

namespace {

constexpr char kContentTarget[] = "/league/cars.ini?season=3";

// Three car sections, the second without a driver, and one setup.
const char kContentFile[] =
    "[Application]\r\nGRDID=12\r\n"
    "[Cars]\r\nCount=3\r\n"
    "[Car 1]\r\nDriver=Ann Able\r\nVehicleID=7\r\nID=501\r\nFile=http://127.0.0.1/a.zip\r\nFile Size=10\r\n"
    "Date Year=2026\r\nDate Month=3\r\nDate Day=10\r\n"
    "[Car 2]\r\nDriver=\r\nVehicleID=7\r\nID=502\r\n"
    "[Car 3]\r\nDriver=Cy Cole\r\nVehicleID=7\r\nID=503\r\nFile=http://127.0.0.1/c.zip\r\n"
    "Date Year=2026\r\nDate Month=3\r\nDate Day=10\r\n"
    "[Setups]\r\nCount=1\r\n"
    "[Setup 1]\r\nTrack=Bristol\r\nVehicleID=7\r\nID=601\r\nFile=http://127.0.0.1/s.svm\r\n";

class LeagueContentTest : public LauncherTest {
protected:
    void SetUp() override
    {
        LauncherTest::SetUp();
        MakeFolders(TempDir() + "Sim");
        MakeFolders(TempDir() + "Documents");
        state_.env = SettleEnvironment(TempDir() + "Sim\\ZANTLauncher.exe", TempDir() + "Documents");
        MakeFolders(state_.env.LeagueFolder());
        InitLocalEvent(state_);
        auto league = std::make_unique<LeagueRecord>();
        league->name = "Partner League";
        league->webBase = std::string("http://127.0.0.1") + kContentTarget;
        event_.league = league.get();
        event_.partnerLeague = std::move(league);
        event_.Server = "127.0.0.1:54297";
        ASSERT_TRUE(http_.Start(80));
    }

    std::vector<std::string> Names(const ContentList& list) const
    {
        std::vector<std::string> names;
        for (const auto& item : list) names.push_back(item->Name);
        return names;
    }

    std::string CopyPath() const { return state_.env.dataFolder + "Partner League\\cars.ini"; }

    LauncherState state_;
    RaceEvent event_;
    TestHttpServer http_;
};

// Cars are judged in the series cache under the file's league number.
TEST_F(LeagueContentTest, ReadsCarsAndSetupsSkippingUnnamedSections)
{
    http_.Serve(kContentTarget, kContentFile);
    const auto section = [&](int id) {
        return "[12-" + std::to_string(state_.env.installation.number) + " Car " + std::to_string(id) + "]\r\n";
    };
    WriteTextFile(state_.env.LeagueFolder() + "seriescache.ini",
                  section(501) + "Installed=1\r\nDate Year=2026\r\nDate Month=3\r\nDate Day=9\r\n" + section(503) +
                      "Installed=1\r\nDate Year=2026\r\nDate Month=3\r\nDate Day=10\r\n");
    LoadLeagueContent(state_, event_, true);
    EXPECT_EQ(Names(state_.leagueCars), (std::vector<std::string>{"Ann Able", "Cy Cole"}));
    EXPECT_EQ(Names(state_.leagueSetups), (std::vector<std::string>{"Bristol"}));
    EXPECT_EQ(event_.partnerLeague->number, 12);
    EXPECT_EQ(state_.leagueCars[0]->league, event_.partnerLeague.get());
    EXPECT_TRUE(state_.leagueCars[0]->outOfDate);
    EXPECT_FALSE(state_.leagueCars[1]->outOfDate || state_.leagueCars[1]->notInstalled);
    EXPECT_TRUE(state_.leagueSetups[0]->notInstalled);
    EXPECT_EQ(ReadTextFile(CopyPath()), kContentFile);
}

// A reply that is no content file is reported, leaves the lists empty and
// never replaces the good copy, which a load without fetching still reads.
TEST_F(LeagueContentTest, BadRepliesKeepTheLastGoodCopy)
{
    http_.Serve(kContentTarget, kContentFile);
    LoadLeagueContent(state_, event_, true);
    ASSERT_EQ(state_.leagueCars.size(), 2u);

    const struct {
        TestHttpServer::Response reply;
        const char* message;
    } cases[] = {
        {{200, "<html><title>401 authorization Required</title>\n"}, "The server requires authentication"},
        {{200, "<h1>Not Found</h1>\n"}, "could not be found on 'Partner League"},
        // Error pages are judged by the same rules.
        {{404, "<h1>Not Found</h1>\n"}, "could not be found on 'Partner League"},
        {{401, "<title>401 Authorization Required</title>\n"}, "The server requires authentication"},
        {{200, ""}, "An empty response was received from Partner League"},
        {{200, "[Application]\r\nGRDID=0\r\n"}, "A valid ZANT Launcher file was received from Partner League"},
    };
    for (const auto& c : cases) {
        http_.Serve(kContentTarget, c.reply);
        ExpectMessage(c.message);
        LoadLeagueContent(state_, event_, true);
        EXPECT_TRUE(state_.leagueCars.empty()) << c.message;
        EXPECT_EQ(ReadTextFile(CopyPath()), kContentFile) << c.message;
        EXPECT_FALSE(FileExists(CopyPath() + ".new")) << c.message;
    }

    const size_t requests = http_.Requests().size();
    LoadLeagueContent(state_, event_, false);
    EXPECT_EQ(Names(state_.leagueCars), (std::vector<std::string>{"Ann Able", "Cy Cole"}));
    EXPECT_EQ(http_.Requests().size(), requests);

    // A good file that cannot take the copy's place is not dropped silently.
    http_.Serve(kContentTarget, kContentFile);
    DeleteFileA(CopyPath().c_str());
    CreateDirectoryA(CopyPath().c_str(), nullptr);  // in the way
    ExpectMessage("Unable to get file. Failed to create file (" + CopyPath() + ").  Error: ");
    LoadLeagueContent(state_, event_, true);
    EXPECT_FALSE(FileExists(CopyPath() + ".new"));
    RemoveDirectoryA(CopyPath().c_str());
}

TEST_F(LeagueContentTest, OnlyPartnerEventsOutsideDedicatedModeLoad)
{
    http_.Serve(kContentTarget, kContentFile);
    RaceEvent ownEvent;
    ownEvent.league = &state_.env.defaultLeague;
    LoadLeagueContent(state_, ownEvent, true);
    LoadLeagueContent(state_, state_.localEvent, true);
    state_.env.dedicated = true;
    LoadLeagueContent(state_, event_, true);
    EXPECT_TRUE(state_.leagueCars.empty());
    EXPECT_TRUE(http_.Requests().empty());

    // A selection that moves to an own event empties what a partner event loaded.
    state_.env.dedicated = false;
    LoadLeagueContent(state_, event_, true);
    EXPECT_FALSE(state_.leagueCars.empty());
    LoadLeagueContent(state_, ownEvent, true);
    EXPECT_TRUE(state_.leagueCars.empty());
    EXPECT_TRUE(state_.leagueSetups.empty());
}

TEST_F(LeagueContentTest, ButtonStatesFollowTheEvent)
{
    RaceEvent partnerNoServer, ownNoServer, withTeamSpeak;
    partnerNoServer.league = event_.league;
    ownNoServer.league = &state_.env.defaultLeague;
    withTeamSpeak.TeamSpeak = "ts3server://voice.example";
    RaceEvent lure;
    lure.TeamSpeak = "file:///C:/Windows/notepad.exe?ts3server://";
    const struct {
        const RaceEvent* event;
        bool launch;
        bool teamSpeak;
    } cases[] = {{&event_, true, false}, {&partnerNoServer, false, false}, {&ownNoServer, true, false},
                 {&state_.localEvent, true, true}, {&withTeamSpeak, false, true}, {&lure, false, false}};
    for (const auto& c : cases) {
        EXPECT_EQ(EventButtons(*c.event, state_).launch, c.launch) << &c - cases;
        EXPECT_EQ(EventButtons(*c.event, state_).teamSpeak, c.teamSpeak) << &c - cases;
    }
    state_.env.installation.programName.clear();
    EXPECT_FALSE(EventButtons(event_, state_).launch);
}

}  // namespace
