// The event list's commands: in the core and through the main window.
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "app/Settings.h"
#include "launch/EventCommands.h"
#include "resources/resource.h"
#include "tests/support/TestEnv.h"
#include "tests/support/TestHttpServer.h"
#include "ui/LauncherDlg.h"
#include "ui/ListView.h"
#include "ui/SelectProfileDlg.h"

namespace {

using EventCommandsTest = LauncherTest;

TEST_F(EventCommandsTest, ShellFailuresAreReportedWithTheShellsResult)
{
    RaceEvent event;
    event.SeriesID = 3;
    event.TeamSpeak = "ts3server://127.0.0.1";
    const std::string web = kDefaultWebBase;
    const struct {
        std::function<void(const ShellOpener&)> command;
        std::string address;
        int show;
        std::string failure;
    } cases[] = {
        {[&](const ShellOpener& open) { OpenSeriesPage(open, event); }, web + "/schedule/info.php?Series=3",
         SW_SHOWMAXIMIZED, "An error occured while opening " + web + "/schedule/info.php?Series=3.  Error code: 32"},
        {[&](const ShellOpener& open) { OpenTeamSpeak(open, event); }, "ts3server://127.0.0.1", SW_SHOWNORMAL,
         "An error occured while running TeamSpeak.  Error code: 32\n"},
        {[&](const ShellOpener& open) { OpenWebsite(open); }, web + "/?launcher=1", SW_SHOWMAXIMIZED,
         "An error occured while opening " + web + "/?launcher=1.  Error code: 32"},
    };
    for (const auto& c : cases) {
        for (INT_PTR result : {INT_PTR{33}, INT_PTR{32}}) {
            std::string opened;
            int shown = -1;
            if (result == 32) ExpectMessage(c.failure);
            c.command([&](const std::string& address, int show) {
                opened = address;
                shown = show;
                return result;
            });
            EXPECT_EQ(opened, c.address);
            EXPECT_EQ(shown, c.show);
        }
        EXPECT_EQ(Messages().back().text, c.failure);
    }
    EXPECT_EQ(Messages().size(), 3u);

    // Only a TeamSpeak address reaches the shell.
    event.TeamSpeak = "file:///C:/Windows/notepad.exe?ts3server://";
    OpenTeamSpeak([](const std::string&, int) -> INT_PTR { ADD_FAILURE() << "opened"; return 33; }, event);
}

// The default profile comes first and is chosen unless the league's
// assignment names another profile exactly.
TEST_F(EventCommandsTest, SelectProfileDialogStoresTheChoiceOnOkOnly)
{
    const auto selectedText = [](HWND list) {
        char text[64] = "";
        SendMessageA(list, CB_GETLBTEXT, SendMessageA(list, CB_GETCURSEL, 0, 0), reinterpret_cast<LPARAM>(text));
        return std::string(text);
    };
    const struct {
        const char* fallback;
        const char* assigned;
        int entries;
        const char* selected;
        int button;
    } cases[] = {{"Beth", "", 3, "Beth", IDOK}, {"Beth", "cara", 3, "Beth", IDCANCEL}, {"", "Cara", 4, "Cara", IDOK}};
    for (const auto& c : cases) {
        WriteSettingText("Profile2", c.fallback, "Options");
        WriteSettingText("Profile2League4", c.assigned, "Options");
        CSelectProfileDlg dialog(2, 4, {"Alex", "Beth", "Cara"});
        ASSERT_TRUE(dialog.Create());
        HWND list = dialog.Item(IDC_PROFILE_CHOICE);
        EXPECT_EQ(SendMessageA(list, CB_GETCOUNT, 0, 0), c.entries);
        EXPECT_EQ(selectedText(list), c.selected);
        SendMessageA(list, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("Alex"));
        SendMessageA(dialog.hwnd(), WM_COMMAND, c.button, 0);
        EXPECT_EQ(ReadSettingText("Profile2League4", "", "Options"), c.button == IDOK ? "Alex" : c.assigned);
    }
}

// The main window against a league with one event.
class EventWindowTest : public LauncherTest {
protected:
    void SetUp() override
    {
        LauncherTest::SetUp();
        sim_ = MakeSimFolder();
        ASSERT_TRUE(http_.Start(80));
        http_.Serve("/schedule/launcher.php?server=N",
                    "[Application]\r\nVersion=1.8.3.0\r\n[Schedule]\r\nEvents=2\r\n"
                    "[Event 2]\r\nID=12\r\nName=Other Race\r\nTeamSpeak=http://voice.example/ts3server://\r\n"
                    "Server=127.0.0.1:10\r\nTrack=Dover\r\nVehicle=NW\r\nLeague=Partner\r\n"
                    "[Event 1]\r\nID=11\r\nName=Cup Race\r\nServer=127.0.0.1:9\r\nTeamSpeak=ts3server://127.0.0.1\r\n"
                    "Track=Oval1\r\nVehicle=CUP\r\nLeague=Cup\r\nDate=12/05/2016 8:00 PM\r\nImageIndex=4\r\n"
                    "SetupPath=http://127.0.0.1/setup.svm\r\n");
        http_.Serve("/setup.svm", "[GENERAL]\r\n");
        dialog_ = std::make_unique<CLauncherDlg>(sim_ + "ZANTLauncher.exe", TempDir() + "Documents");
        dialog_->SetShellOpener([this](const std::string& address, int) {
            opened_.push_back(address);
            return INT_PTR{42};
        });
        dialog_->SetProgramStarter([this](const std::string& commandLine, const std::string&) {
            started_.push_back(commandLine);
            return StartedProgram{UniqueHandle(), ERROR_FILE_NOT_FOUND};
        });
        ASSERT_TRUE(dialog_->Create());
    }
    void TearDown() override
    {
        dialog_.reset();
        LauncherTest::TearDown();
    }

    void SelectEvent(int id)
    {
        HWND events = dialog_->Item(IDC_EVENT_LIST);
        for (int row = 0; row < ListView_GetItemCount(events); ++row) {
            if (reinterpret_cast<RaceEvent*>(ItemData(events, row))->ID == id)
                ListView_SetItemState(events, row, LVIS_SELECTED, LVIS_SELECTED);
        }
        ASSERT_EQ(dialog_->GetSelectedEvent()->ID, id);
    }

    std::string sim_;
    TestHttpServer http_;
    std::unique_ptr<CLauncherDlg> dialog_;
    std::vector<std::string> opened_;
    std::vector<std::string> started_;
};

TEST_F(EventWindowTest, CommandsWorkOnTheSelectedEvent)
{
    EXPECT_NE(ReadTextFile(sim_ + "UserData\\Alex\\bookmarks.xml").find("<ip>127.0.0.1</ip>"), std::string::npos);
    // Without a program to start nothing launches; without a TeamSpeak address nothing opens.
    const std::string program = dialog_->Environment().installation.programName;
    dialog_->Environment().installation.programName.clear();
    SelectEvent(12);
    EXPECT_FALSE(IsWindowEnabled(dialog_->Item(IDC_LAUNCH)));
    EXPECT_FALSE(IsWindowEnabled(dialog_->Item(IDC_TEAMSPEAK)));
    dialog_->Environment().installation.programName = program;
    SelectEvent(11);
    EXPECT_TRUE(IsWindowEnabled(dialog_->Item(IDC_LAUNCH)));
    EXPECT_TRUE(IsWindowEnabled(dialog_->Item(IDC_TEAMSPEAK)));

    ExpectMessage("Server: 127.0.0.1:9\r\nTeamSpeak: ts3server://127.0.0.1");
    SendMessageA(dialog_->hwnd(), WM_COMMAND, ID_SERVER_INFO, 0);
    EXPECT_EQ(Messages().back().type, static_cast<UINT>(MB_ICONINFORMATION));
    SendMessageA(dialog_->hwnd(), WM_COMMAND, IDC_TEAMSPEAK, 0);
    EXPECT_EQ(opened_, std::vector<std::string>{"ts3server://127.0.0.1"});

    // A double-click launches: the setup lands in the profile, the start is tried.
    ExpectMessage("Unable to launch sim (");
    NMITEMACTIVATE click = {};
    click.hdr = {dialog_->Item(IDC_EVENT_LIST), IDC_EVENT_LIST, static_cast<UINT>(NM_DBLCLK)};
    SendMessageA(dialog_->hwnd(), WM_NOTIFY, IDC_EVENT_LIST, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ(ReadTextFile(sim_ + "UserData\\Alex\\Settings\\Oval1\\Cup 1205201.svm"), "[GENERAL]\r\n");
    ASSERT_EQ(started_.size(), 1u);
    EXPECT_NE(started_[0].find("+connect 127.0.0.1:9 +fullproc +highprio"), std::string::npos);
}

// A join link selects its event and launches it; one that comes during a
// command waits for it; an unknown event is said so.
TEST_F(EventWindowTest, JoinLinksLaunchTheirEventOnceNoCommandRuns)
{
    auto pump = [] {
        for (MSG message; PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE);) DispatchMessageA(&message);
    };
    bool handed = false;
    dialog_->SetStatusQuery([&](const std::string&, int, ServerStatus&) {
        if (!handed) dialog_->HandJoinLink("ZANT://Event/11/");
        handed = true;
        return false;
    });
    const size_t requests = http_.Requests().size();
    SendMessageA(dialog_->hwnd(), WM_COMMAND, IDC_REFRESH, 0);
    ASSERT_TRUE(handed);
    EXPECT_TRUE(started_.empty()) << "the link ran inside the refresh";
    ExpectMessage("Unable to launch sim (");
    pump();
    EXPECT_EQ(dialog_->GetSelectedEvent()->ID, 11);
    ASSERT_EQ(started_.size(), 1u);
    EXPECT_NE(started_[0].find("+connect 127.0.0.1:9"), std::string::npos);
    EXPECT_EQ(http_.Requests().size(), requests + 2) << "rows of a moment ago serve: no second refresh";

    ExpectMessage("The event 99 of the link is not in the league's schedule.");
    dialog_->HandJoinLink("zant://event/99");
    pump();
    EXPECT_EQ(Messages().back().type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
}

}  // namespace
