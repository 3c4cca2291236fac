// What a driver sees after start-up against the demo league. These run only
// from tests/demo_e2e.sh, which starts the league first.
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/support/TestEnv.h"
#include "ui/LauncherDlg.h"
#include "ui/ListView.h"

namespace {

class DemoLeagueTest : public LauncherTest {
protected:
    void SetUp() override
    {
        if (!std::getenv("ZANT_DEMO_LEAGUE")) GTEST_SKIP() << "needs the demo league (tests/demo_e2e.sh)";
        LauncherTest::SetUp();
        simFolder_ = MakeSimFolder({"Alex Demo", "Sam Sample"});
        dialog_ = std::make_unique<CLauncherDlg>(simFolder_ + "ZANTLauncher.exe", TempDir() + "Documents");
        ASSERT_TRUE(dialog_->Create());
    }

    std::vector<std::string> Row(int list, int row) const
    {
        std::vector<std::string> cells;
        for (int column = 0; column < 6; ++column) cells.push_back(CellText(dialog_->Item(list), row, column));
        return cells;
    }

    std::string simFolder_;
    std::unique_ptr<CLauncherDlg> dialog_;
};

TEST_F(DemoLeagueTest, ScheduleShowsLiveAndScheduledEvents)
{
    HWND events = dialog_->Item(IDC_EVENT_LIST);
    ASSERT_EQ(ListView_GetItemCount(events), 6);
    using Cells = std::vector<std::string>;
    EXPECT_EQ(Row(IDC_EVENT_LIST, 0), (Cells{"Local", "", "", "Offline", "", ""}));
    EXPECT_EQ(Row(IDC_EVENT_LIST, 1), (Cells{"8:00 PM Sat 06/14", "24", "Kestrel Speedway", "Cup Race 42 to go",
                                             "Open setups 200 laps 4 tyre sets", "Round 7 of 12"}));
    EXPECT_EQ(Row(IDC_EVENT_LIST, 2), (Cells{"7:30 PM Sun 06/15", "12", "Marlow Raceway", "GNS Qualifying 25min",
                                             "Fixed setup 150 laps Full tank", "Qualifying open"}));
    EXPECT_EQ(Row(IDC_EVENT_LIST, 3), (Cells{"9:00 PM Mon 06/16", "5", "Eastfield", "TRUCK Practice 45min",
                                             "Open setups 80 laps 2 tyre sets", "Track change. Scheduled:Bramble Hill"}));
    EXPECT_EQ(Row(IDC_EVENT_LIST, 4), (Cells{"8:30 PM Tue 06/17", "", "", "", "Open setups 100 laps 3 tyre sets",
                                             "Scheduled:Kestrel Speedway Cup"}));
    EXPECT_EQ(Row(IDC_EVENT_LIST, 5), (Cells{"7:45 PM Wed 06/18", "8", "Marlow Raceway", "GNS Warmup 12min",
                                             "League setup 120 laps Full tank", "Partner league"}));
    EXPECT_EQ(dialog_->GetSelectedEvent()->Name, "[Local]");
}

TEST_F(DemoLeagueTest, CatalogListsStartNotInstalled)
{
    const struct {
        int list;
        int rows;
    } expected[] = {{IDC_SIMS_LIST, 3}, {IDC_TRACKS_LIST, 4}, {IDC_MODS_LIST, 4}, {IDC_CARS_LIST, 4},
                    {IDC_SETUPS_LIST, 2}};
    for (const auto& list : expected) {
        HWND view = dialog_->Item(list.list);
        ASSERT_EQ(ListView_GetItemCount(view), list.rows) << list.list;
        for (int row = 0; row < list.rows; ++row)
            EXPECT_TRUE(reinterpret_cast<const ContentItem*>(ItemData(view, row))->notInstalled);
    }

    // Selecting the GNS event (vehicle 2) narrows the lists to its content.
    ListView_SetItemState(dialog_->Item(IDC_EVENT_LIST), 2, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(dialog_->GetSelectedEvent()->ID, 102);
    EXPECT_LT(ListView_GetItemCount(dialog_->Item(IDC_TRACKS_LIST)), 4);
}

// A driver launches the Cup event without installing: the setup lands in both
// profiles, the mod file and garage images change, the stand-in sim is
// started connected to the event's server.
TEST_F(DemoLeagueTest, LaunchPlacesTheSetupAndStartsTheSim)
{
    ASSERT_TRUE(CopyFileA(ZANT_STANDIN_EXE, (simFolder_ + "VORA.exe").c_str(), FALSE));
    MakeFolders(simFolder_ + "rfm");
    WriteTextFile(simFolder_ + "rfm\\CUP.rfm", "CountCautionLaps = 1\r\n");
    MakeFolders(simFolder_ + "GameData\\Vehicles");
    for (const char* profile : {"Alex Demo", "Sam Sample"})
        EXPECT_NE(ReadTextFile(simFolder_ + "UserData\\" + profile + "\\bookmarks.xml").find("<port>54297</port>"),
                  std::string::npos);

    // Launched from its join link, as a click on the league's site does.
    ExpectMessage("Download now?", IDNO);
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    dialog_->HandJoinLink("zant://event/101");
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    SetCurrentDirectoryA(previous);
    ASSERT_EQ(dialog_->GetSelectedEvent()->ID, 101);

    for (const char* profile : {"Alex Demo", "Sam Sample"}) {
        const std::string folder = simFolder_ + "UserData\\" + profile + "\\";
        EXPECT_TRUE(FileExists(folder + "Settings\\Kestrel Speedway\\Gridline Sat 0614.svm")) << profile;
        EXPECT_NE(ReadTextFile(folder + "FavoriteAndFixedSetups.gal").find("Gridline Sat 0614.svm"), std::string::npos);
    }
    EXPECT_EQ(ReadTextFile(simFolder_ + "rfm\\CUP.rfm"), "CountCautionLaps = 0\r\n");
    EXPECT_TRUE(FileExists(simFolder_ + "UIData\\BK_GARAGE1.bmp"));
    EXPECT_TRUE(FileExists(simFolder_ + "GameData\\Vehicles\\race_notes.dds"));
    const std::string log = simFolder_ + "VORA.log";
    for (int wait = 0; wait < 100 && ReadTextFile(log).empty(); ++wait) Sleep(100);
    EXPECT_EQ(ReadTextFile(log),
              "\"" + simFolder_ + "\\VORA.exe\" +connect 127.0.0.1:54297 +password pitlane +fullproc +highprio\r\n");
}

TEST_F(DemoLeagueTest, PartnerEventShowsItsLeagueCars)
{
    ListView_SetItemState(dialog_->Item(IDC_EVENT_LIST), 5, LVIS_SELECTED, LVIS_SELECTED);
    ASSERT_EQ(dialog_->GetSelectedEvent()->ID, 105);
    EXPECT_EQ(dialog_->State().leagueCars.size(), 3u);
    EXPECT_EQ(dialog_->State().leagueSetups.size(), 1u);
    EXPECT_TRUE(IsWindowEnabled(dialog_->Item(IDC_TEAMSPEAK)));
    EXPECT_TRUE(IsWindowEnabled(dialog_->Item(IDC_LAUNCH)));
}

// A driver downloads a track, sees it turn current, and removes it again.
TEST_F(DemoLeagueTest, TrackInstallsTurnsCurrentAndIsRemoved)
{
    HWND tracks = dialog_->Item(IDC_TRACKS_LIST);
    auto rowOf = [tracks](const std::string& name) {
        for (int row = 0; row < ListView_GetItemCount(tracks); ++row)
            if (CellText(tracks, row, 0) == name) return row;
        return -1;
    };
    auto item = [&] { return reinterpret_cast<const ContentItem*>(ItemData(tracks, rowOf("Kestrel Speedway"))); };
    const std::string folder = simFolder_ + "GameData\\Locations\\Kestrel Speedway\\";

    ASSERT_GE(rowOf("Kestrel Speedway"), 0);
    ListView_SetItemState(tracks, rowOf("Kestrel Speedway"), LVIS_SELECTED, LVIS_SELECTED);
    SendMessageA(dialog_->hwnd(), WM_COMMAND, IDC_DOWNLOAD_TRACKS, 0);
    EXPECT_TRUE(FileExists(folder + "Kestrel Speedway.gdb"));
    ASSERT_GE(rowOf("Kestrel Speedway"), 0);
    EXPECT_FALSE(item()->notInstalled);
    EXPECT_FALSE(item()->outOfDate);

    TabCtrl_SetCurSel(dialog_->Item(IDC_DOWNLOAD_TABS), 1);
    ListView_SetItemState(tracks, -1, 0, LVIS_SELECTED);
    ListView_SetItemState(tracks, rowOf("Kestrel Speedway"), LVIS_SELECTED, LVIS_SELECTED);
    SendMessageA(dialog_->hwnd(), WM_COMMAND, ID_LIST_REMOVE, 0);
    EXPECT_FALSE(FileExists(folder));
    EXPECT_TRUE(item()->notInstalled);
}

}  // namespace
