// The download lists' commands in the main window.
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/IniFile.h"
#include "net/LongWork.h"
#include "resources/resource.h"
#include "tests/support/TestEnv.h"
#include "tests/support/TestHttpServer.h"
#include "tests/support/TestZip.h"
#include "ui/LauncherDlg.h"
#include "ui/ListView.h"

namespace {

const char kEvents[] =
    "[Application]\r\nVersion=1.8.3.0\r\n[Schedule]\r\nEvents=0\r\n"
    "[Tracks]\r\nCount=2\r\n"
    "[Track 1]\r\nName=Bristol\r\nID=201\r\nFile=http://127.0.0.1/bristol.zip\r\nFile Type=1\r\n"
    "Prefix Path=GameData\\Locations\r\nToggle=202\r\nDate Year=2026\r\nDate Month=3\r\nDate Day=1\r\n"
    "[Track 2]\r\nName=Atlanta\r\nID=202\r\nFile=http://127.0.0.1/atlanta.zip\r\nFile Type=1\r\n"
    "Date Year=2026\r\nDate Month=5\r\nDate Day=2\r\n"
    "[Setups]\r\nCount=1\r\n"
    "[Setup 1]\r\nTrack=Bristol\r\nID=501\r\nVehicleID=2\r\nFile=http://127.0.0.1/setup.zip\r\nFile Type=1\r\n"
    "Date Year=2026\r\nDate Month=1\r\nDate Day=1\r\n";

class InstallWindowTest : public LauncherTest {
protected:
    void SetUp() override
    {
        LauncherTest::SetUp();
        simFolder_ = MakeSimFolder();
        ASSERT_TRUE(http_.Start(80));
        http_.Serve("/schedule/launcher.php?server=N", kEvents);
        ASSERT_TRUE(WriteTestZip(TempDir() + "bristol.zip", {{"bristol/bristol.gdb", "bristol"}}));
        http_.Serve("/bristol.zip", ReadTextFile(TempDir() + "bristol.zip"));
        dialog_ = std::make_unique<CLauncherDlg>(simFolder_ + "ZANTLauncher.exe", TempDir() + "Documents");
        ASSERT_TRUE(dialog_->Create());
    }
    void TearDown() override
    {
        dialog_.reset();
        LauncherTest::TearDown();
    }

    std::string Cache(const std::string& section)
    {
        return ReadIniText(TempDir() + "Documents\\ZANT Launcher\\Gridline Leagues\\simcache.ini", section,
                           "Installed", "-");
    }

    void ShowTab(int tab)
    {
        HWND tabs = dialog_->Item(IDC_DOWNLOAD_TABS);
        TabCtrl_SetCurSel(tabs, tab);
        NMHDR change = {tabs, IDC_DOWNLOAD_TABS, static_cast<UINT>(TCN_SELCHANGE)};
        SendMessageA(dialog_->hwnd(), WM_NOTIFY, IDC_DOWNLOAD_TABS, reinterpret_cast<LPARAM>(&change));
    }

    int RowNamed(int listId, const std::string& name)
    {
        HWND list = dialog_->Item(listId);
        for (int row = 0; row < ListView_GetItemCount(list); ++row)
            if (CellText(list, row, 0) == name) return row;
        return -1;
    }

    void Select(int listId, const std::string& name)
    {
        ListView_SetItemState(dialog_->Item(listId), -1, 0, LVIS_SELECTED);
        ListView_SetItemState(dialog_->Item(listId), RowNamed(listId, name), LVIS_SELECTED, LVIS_SELECTED);
    }

    void Command(int id) { SendMessageA(dialog_->hwnd(), WM_COMMAND, id, 0); }

    const ContentItem* RowItem(int listId, const std::string& name)
    {
        return reinterpret_cast<const ContentItem*>(ItemData(dialog_->Item(listId), RowNamed(listId, name)));
    }

    std::string simFolder_;
    TestHttpServer http_;
    std::unique_ptr<CLauncherDlg> dialog_;
};

TEST_F(InstallWindowTest, EmptySelectionsSayWhatIsMissing)
{
    const struct {
        int tab, command;
        const char* message;
    } cases[] = {
        {1, IDC_DOWNLOAD_TRACKS, "No tracks selected to download!"}, {0, ID_LIST_REMOVE, "No sims selected to delete!"},
        {2, ID_LIST_REMOVE, "No cars selected to remove!"},
        {0, ID_MARK_CURRENT, "No items selected to mark as current!"},
        {3, ID_LIST_DOWNLOAD, "No mods selected to download!"},
    };
    for (const auto& test : cases) {
        ShowTab(test.tab);
        ExpectMessage(test.message);
        Command(test.command);
        EXPECT_EQ(Messages().back().text, test.message);
    }
    // A double-click on an empty list is its Download button.
    NMITEMACTIVATE click = {};
    click.hdr = {dialog_->Item(IDC_SETUPS_LIST), IDC_SETUPS_LIST, static_cast<UINT>(NM_DBLCLK)};
    click.iItem = -1;
    ExpectMessage("No setups selected to download!");
    SendMessageA(dialog_->hwnd(), WM_NOTIFY, IDC_SETUPS_LIST, reinterpret_cast<LPARAM>(&click));

    // Enter downloads on the setups list, and does nothing on the sims list.
    ShowTab(4);
    SetFocus(dialog_->Item(IDC_SETUPS_LIST));
    ExpectMessage("No setups selected to download!");
    Command(IDOK);
    ShowTab(0);
    SetFocus(dialog_->Item(IDC_SIMS_LIST));
    Command(IDOK);
    EXPECT_EQ(Messages().size(), 7u);
}

TEST_F(InstallWindowTest, DownloadRemoveMarkAndCopyOnTheSelection)
{
    ShowTab(1);
    Select(IDC_TRACKS_LIST, "Bristol");
    Command(IDC_DOWNLOAD_TRACKS);
    EXPECT_EQ(ReadTextFile(simFolder_ + "GameData\\Locations\\bristol\\bristol.gdb"), "bristol");
    EXPECT_EQ(Cache("1 Track 201") + Cache("1 Track 202"), "10");
    EXPECT_FALSE(RowItem(IDC_TRACKS_LIST, "Bristol")->notInstalled) << "the refresh reread the cache";

    Select(IDC_TRACKS_LIST, "Bristol");
    Command(ID_LIST_REMOVE);
    EXPECT_EQ(Cache("1 Track 201"), "0");
    EXPECT_TRUE(RowItem(IDC_TRACKS_LIST, "Bristol")->notInstalled);

    Select(IDC_TRACKS_LIST, "Atlanta");
    Command(ID_MARK_CURRENT);
    EXPECT_EQ(Cache("1 Track 202"), "1");
    EXPECT_FALSE(RowItem(IDC_TRACKS_LIST, "Atlanta")->notInstalled);
    EXPECT_EQ(http_.Requests().size(), 4u) << "events file, archive, events file, events file";

    auto clipboardText = [] {
        std::string text = "<none>";
        if (!OpenClipboard(nullptr)) return text;
        if (HANDLE data = GetClipboardData(CF_TEXT)) {
            if (const char* bytes = static_cast<const char*>(GlobalLock(data))) text = bytes;
            GlobalUnlock(data);
        }
        CloseClipboard();
        return text;
    };
    Select(IDC_TRACKS_LIST, "Atlanta");
    Command(ID_COPY_SHORTCUT);
    EXPECT_EQ(clipboardText(), "http://127.0.0.1/atlanta.zip");
    ListView_SetItemState(dialog_->Item(IDC_TRACKS_LIST), -1, 0, LVIS_SELECTED);
    Command(ID_COPY_SHORTCUT);
    EXPECT_EQ(clipboardText(), "");
}

// A right-click selects the row under the mouse and opens the menu there
// (closed here at once by a waiting Escape key).
TEST_F(InstallWindowTest, RightClickSelectsTheRowAndOpensTheMenu)
{
    ShowTab(1);
    HWND tracks = dialog_->Item(IDC_TRACKS_LIST);
    NMITEMACTIVATE click = {};
    click.hdr = {tracks, IDC_TRACKS_LIST, static_cast<UINT>(NM_RCLICK)};
    click.iItem = RowNamed(IDC_TRACKS_LIST, "Atlanta");
    PostMessageA(dialog_->hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
    SendMessageA(dialog_->hwnd(), WM_NOTIFY, IDC_TRACKS_LIST, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ(ListView_GetNextItem(tracks, -1, LVNI_SELECTED | LVNI_FOCUSED), click.iItem);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(InstallWindowTest, CtrlAAndCtrlISelectAndClearTheVisibleList)
{
    ShowTab(1);
    HWND tracks = dialog_->Item(IDC_TRACKS_LIST);
    auto typeInto = [](HWND target, WPARAM character) {
        PostMessageA(target, WM_CHAR, character, 0);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    };
    SetFocus(dialog_->Item(IDC_REFRESH));
    typeInto(tracks, 1);
    EXPECT_EQ(ListView_GetSelectedCount(tracks), 2u);
    EXPECT_EQ(IsDlgButtonChecked(dialog_->hwnd(), IDC_SELECT_ALL), static_cast<UINT>(BST_CHECKED));
    EXPECT_EQ(GetFocus(), tracks);
    typeInto(dialog_->Item(IDC_REFRESH), 9);
    EXPECT_EQ(ListView_GetSelectedCount(tracks), 0u);
}

// A track's archive arrives slowly; while it does, a thread acts on the
// window and the popup, then the test looks at what the install left.
class SlowInstallTest : public InstallWindowTest {
protected:
    void ServeSlowly(const std::string& target)
    {
        TestHttpServer::Response slow;
        slow.body = ReadTextFile(TempDir() + "bristol.zip");
        slow.bytesPerSecond = slow.body.size() / 2;
        http_.Serve(target, slow);
    }
    // Waits, from another thread, until the archive is being fetched.
    void WaitForRequest(const std::string& target)
    {
        for (int i = 0; i < 500 && !Requested(target); ++i) Sleep(10);
    }
    size_t Requested(const std::string& target) const
    {
        size_t count = 0;
        for (const auto& request : http_.Requests()) count += request.target == target;
        return count;
    }
};

TEST_F(SlowInstallTest, InputDuringTheInstallIsDroppedAndTheWindowAnswers)
{
    ServeSlowly("/bristol.zip");
    ShowTab(1);
    Select(IDC_TRACKS_LIST, "Bristol");
    HWND window = dialog_->hwnd();
    bool disabled = false, answered = false;
    std::thread user([&] {
        WaitForRequest("/bristol.zip");
        for (int i = 0; i < 100 && IsWindowEnabled(window); ++i) Sleep(10);
        disabled = !IsWindowEnabled(window);
        DWORD_PTR result = 0;
        answered = SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_BLOCK, 5000, &result) != 0;
        // Clicks on Refresh and Download, and a command queued directly.
        for (int id : {IDC_REFRESH, IDC_DOWNLOAD_TRACKS}) {
            PostMessageA(dialog_->Item(id), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
            PostMessageA(dialog_->Item(id), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        }
        PostMessageA(window, WM_COMMAND, IDC_REFRESH, 0);
    });
    Command(IDC_DOWNLOAD_TRACKS);
    user.join();
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);

    EXPECT_TRUE(disabled) << "the window took input during the install";
    EXPECT_TRUE(answered) << "the window did not answer during the install";
    EXPECT_TRUE(IsWindowEnabled(window));
    EXPECT_EQ(ReadTextFile(simFolder_ + "GameData\\Locations\\bristol\\bristol.gdb"), "bristol");
    EXPECT_EQ(Cache("1 Track 201"), "1");
    EXPECT_EQ(Requested("/bristol.zip"), 1u);
    EXPECT_EQ(Requested("/schedule/launcher.php?server=N"), 2u) << "the start and the refresh after the install";
}

TEST_F(SlowInstallTest, CancelEndsTheCommandAndRecordsNothing)
{
    // Atlanta comes first in the list, Bristol after it.
    ServeSlowly("/atlanta.zip");
    ShowTab(1);
    ListView_SetItemState(dialog_->Item(IDC_TRACKS_LIST), -1, LVIS_SELECTED, LVIS_SELECTED);
    ASSERT_EQ(RowNamed(IDC_TRACKS_LIST, "Atlanta"), 0);
    std::thread user([] { ClickPopupCancel("Downloading Atlanta"); });
    Command(IDC_DOWNLOAD_TRACKS);
    user.join();

    EXPECT_TRUE(Messages().empty());
    EXPECT_FALSE(FileExists(simFolder_ + "bristol"));
    EXPECT_EQ(Cache("1 Track 201") + Cache("1 Track 202"), "--");
    EXPECT_EQ(Requested("/bristol.zip"), 0u) << "the items after the cancelled one are skipped";
    EXPECT_EQ(Requested("/schedule/launcher.php?server=N"), 1u) << "the lists are rebuilt without fetching";
    EXPECT_EQ(ListView_GetItemCount(dialog_->Item(IDC_TRACKS_LIST)), 2);
}

}  // namespace
