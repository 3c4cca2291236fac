#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <memory>

#include <string>
#include <vector>

#include "app/IniFile.h"
#include "app/Settings.h"
#include "resources/resource.h"
#include "tests/support/TestEnv.h"
#include "tests/support/TestPixels.h"
#include "tests/support/TestHttpServer.h"
#include "tests/support/TestUdpResponder.h"
#include "ui/LauncherDlg.h"
#include "ui/ListView.h"

namespace {

// A league with two events and content in every list; the Bristol event's
// server answers, the Dover one is off line.
std::string LeagueFile(unsigned short livePort)
{
    const std::string live = "127.0.0.1:" + std::to_string(livePort);
    return "[Application]\r\nVersion=1.8.3.0\r\n"
           "[Schedule]\r\nEvents=2\r\n"
           "[Event 1]\r\nID=21\r\nName=Bristol Night\r\nServer=" + live +
           "\r\nTrack=Bristol\r\nVehicle=NW\r\nLeague=Gridline\r\nVehicleIDs=2\r\nDate=12/9/2026 8:30 PM\r\n"
           "[Event 2]\r\nID=22\r\nName=Dover\r\nServer=127.0.0.1:9\r\nTrack=Dover\r\nVehicle=CUP\r\n"
           "League=Gridline\r\nVehicleIDs=1\r\nDate=12/16/2026 9:00 PM\r\n"
           "[Tracks]\r\nCount=3\r\n"
           "[Track 1]\r\nName=Bristol\r\nID=201\r\nVehicleIDs=2\r\nFile=a.zip\r\nFile Size=12.5\r\n"
           "Date Year=2026\r\nDate Month=3\r\nDate Day=1\r\n"
           "[Track 2]\r\nName=Atlanta\r\nID=202\r\nVehicleIDs=1,2\r\nFile=b.zip\r\nFile Size=3\r\n"
           "Date Year=2026\r\nDate Month=5\r\nDate Day=2\r\n"
           "[Track 3]\r\nName=Dover\r\nID=203\r\nVehicleIDs=1\r\nFile=c.zip\r\nFile Size=100\r\n"
           "Date Year=2025\r\nDate Month=1\r\nDate Day=9\r\n"
           "[Cars]\r\nCount=1\r\n[Car 1]\r\nDriver=Jo Racer\r\nNumber=7\r\nVehicleID=2\r\nID=401\r\n"
           "File=car.zip\r\nDate Year=2026\r\nDate Month=1\r\nDate Day=1\r\n";
}

// A 24-bit bitmap file of width x height pixels in one colour.
std::string BitmapFile(int width, int height)
{
    const int stride = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + stride * height;
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
    bytes.append(static_cast<size_t>(stride) * height, '\x40');
    return bytes;
}

// What the screen shows of area (client coordinates of window) after the
// windows painted themselves for real.
std::vector<COLORREF> ScreenPixels(HWND window, const RECT& area)
{
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    HDC screen = GetDC(window);
    std::vector<COLORREF> pixels = PaintedPixels(width, height, [&](HDC dc) {
        BitBlt(dc, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    });
    ReleaseDC(window, screen);
    return pixels;
}

// Shows the window and has it and its children paint themselves at once.
void PaintNow(HWND window)
{
    ShowWindow(window, SW_SHOWNA);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

// The rectangle of a child in its parent's client coordinates.
RECT ChildRect(HWND child)
{
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

class MainWindowTest : public LauncherTest {
protected:
    void SetUp() override
    {
        LauncherTest::SetUp();
        simFolder_ = MakeSimFolder();
        ASSERT_TRUE(http_.Start(80));
        ASSERT_TRUE(raceServer_.Start());
        raceServer_.ReplyWith(
            StatusReplyBuilder().Text(25, "NW").Text(73, "Bristol Motor Speedway").Byte(207, 17).Bytes());
        http_.Serve("/schedule/launcher.php?server=N", LeagueFile(raceServer_.Port()));
    }

    // Marks track 201 installed and current, 202 installed but out of date.
    void WriteInstallCache()
    {
        const std::string cache = TempDir() + "Documents\\ZANT Launcher\\Gridline Leagues\\simcache.ini";
        MakeFolders(TempDir() + "Documents\\ZANT Launcher\\Gridline Leagues\\");
        WriteIniText(cache, "1 Track 201", "Installed", "1");
        WriteIniText(cache, "1 Track 201", "Date Year", "2026");
        WriteIniText(cache, "1 Track 201", "Date Month", "3");
        WriteIniText(cache, "1 Track 201", "Date Day", "1");
        WriteIniText(cache, "1 Track 202", "Installed", "1");
        WriteIniText(cache, "1 Track 202", "Date Year", "2025");
        WriteIniText(cache, "1 Track 202", "Date Month", "1");
        WriteIniText(cache, "1 Track 202", "Date Day", "1");
    }

    std::unique_ptr<CLauncherDlg> Open()
    {
        auto dialog = std::make_unique<CLauncherDlg>(simFolder_ + "ZANTLauncher.exe", TempDir() + "Documents");
        EXPECT_TRUE(dialog->Create());
        return dialog;
    }

    static std::vector<std::string> Column(HWND list, int column)
    {
        std::vector<std::string> texts;
        const int count = ListView_GetItemCount(list);
        for (int row = 0; row < count; ++row) texts.push_back(CellText(list, row, column));
        return texts;
    }

    static void SelectRow(HWND list, int row)
    {
        ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }

    static void ClickHeader(CLauncherDlg& dialog, int listId, int column)
    {
        NMLISTVIEW click = {};
        click.hdr.hwndFrom = dialog.Item(listId);
        click.hdr.idFrom = listId;
        click.hdr.code = LVN_COLUMNCLICK;
        click.iItem = -1;
        click.iSubItem = column;
        SendMessageA(dialog.hwnd(), WM_NOTIFY, listId, reinterpret_cast<LPARAM>(&click));
    }

    // What the window's custom drawing does to one row of a list.
    struct Painted {
        LRESULT result;
        COLORREF text;
        bool bold;
        bool italic;
    };
    static Painted Paint(CLauncherDlg& dialog, int listId, int row)
    {
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ original = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
        NMLVCUSTOMDRAW draw = {};
        draw.nmcd.hdr.hwndFrom = dialog.Item(listId);
        draw.nmcd.hdr.idFrom = listId;
        draw.nmcd.hdr.code = NM_CUSTOMDRAW;
        draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
        draw.nmcd.hdc = dc;
        draw.nmcd.dwItemSpec = row;
        draw.nmcd.lItemlParam = ItemData(dialog.Item(listId), row);
        draw.clrText = 0x123456;
        Painted painted;
        painted.result = SendMessageA(dialog.hwnd(), WM_NOTIFY, listId, reinterpret_cast<LPARAM>(&draw));
        painted.text = draw.clrText;
        LOGFONTA font = {};
        GetObjectA(GetCurrentObject(dc, OBJ_FONT), sizeof font, &font);
        painted.bold = font.lfWeight >= FW_BOLD;
        painted.italic = font.lfItalic != 0;
        SelectObject(dc, original);
        DeleteDC(dc);
        return painted;
    }

    std::string simFolder_;
    TestHttpServer http_;
    TestUdpResponder raceServer_;
};

TEST_F(MainWindowTest, RefreshedScheduleIsShown)
{
    auto dialog = Open();
    HWND events = dialog->Item(IDC_EVENT_LIST);
    ASSERT_EQ(ListView_GetItemCount(events), 3);
    EXPECT_EQ(Column(events, 0), (std::vector<std::string>{"Local", "8:30 PM 12/9/2026", "9:00 PM 12/16/202"}));
    EXPECT_EQ(Column(events, 1), (std::vector<std::string>{"", "17", ""}));
    EXPECT_EQ(Column(events, 3), (std::vector<std::string>{"Offline", "GNS Practice 0min", ""}));
    EXPECT_EQ(Column(events, 5), (std::vector<std::string>{"", "", "Scheduled:Dover Cup"}));
    EXPECT_EQ(Column(events, 6), (std::vector<std::string>{"4 to get (115 MB)", "2 to get (12 MB)", "1 to get (100 MB)"}));
    EXPECT_EQ(ListView_GetNextItem(events, -1, LVNI_SELECTED), 0) << "the local entry is selected";
    EXPECT_EQ(dialog->GetSelectedEvent()->Name, "[Local]");
    EXPECT_EQ(ReadSettingText("Profile1", "", "Options"), "Alex") << "the only profile became the default";
}

TEST_F(MainWindowTest, FirstStartHidesTheDownloadArea)
{
    auto dialog = Open();
    EXPECT_FALSE(IsWindowVisible(dialog->Item(IDC_DOWNLOAD_TABS)));
    EXPECT_FALSE(IsWindowVisible(dialog->Item(IDC_SIMS_LIST)));
    EXPECT_FALSE(IsWindowVisible(dialog->Item(IDC_SELECT_ALL)));
    EXPECT_EQ(IsDlgButtonChecked(dialog->hwnd(), IDC_DOWNLOADS_TOGGLE), BST_UNCHECKED);
    EXPECT_EQ(ReadSettingNumber("Show Downloads", -1, "Options"), 0);
    RECT hidden;
    GetWindowRect(dialog->Item(IDC_EVENT_LIST), &hidden);

    SendMessageA(dialog->Item(IDC_DOWNLOADS_TOGGLE), BM_CLICK, 0, 0);
    EXPECT_TRUE(IsWindowVisible(dialog->Item(IDC_DOWNLOAD_TABS)));
    EXPECT_TRUE(IsWindowVisible(dialog->Item(IDC_SIMS_LIST))) << "tab 0 is applied";
    EXPECT_FALSE(IsWindowVisible(dialog->Item(IDC_TRACKS_LIST)));
    EXPECT_EQ(IsDlgButtonChecked(dialog->hwnd(), IDC_DOWNLOADS_TOGGLE), BST_CHECKED);
    EXPECT_EQ(ReadSettingNumber("Show Downloads", -1, "Options"), 1);
    RECT shown;
    GetWindowRect(dialog->Item(IDC_EVENT_LIST), &shown);
    EXPECT_EQ(shown.bottom - shown.top, (hidden.bottom - hidden.top) / 2);

    dialog.reset();
    auto again = Open();
    EXPECT_TRUE(IsWindowVisible(again->Item(IDC_DOWNLOAD_TABS))) << "the area stays shown after a restart";
}

TEST_F(MainWindowTest, ListsFollowTheSelectedEvent)
{
    auto dialog = Open();
    HWND tracks = dialog->Item(IDC_TRACKS_LIST);
    EXPECT_EQ(ListView_GetItemCount(tracks), 3) << "the local entry lists everything";

    SelectRow(dialog->Item(IDC_EVENT_LIST), 2);  // Dover, vehicle 1
    EXPECT_EQ(dialog->GetSelectedEvent()->ID, 22);
    std::vector<std::string> names = Column(tracks, 0);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Atlanta", "Dover"}));
    EXPECT_EQ(ListView_GetItemCount(dialog->Item(IDC_CARS_LIST)), 0);

    SelectRow(dialog->Item(IDC_EVENT_LIST), 1);  // Bristol, vehicle 2
    EXPECT_EQ(ListView_GetItemCount(dialog->Item(IDC_CARS_LIST)), 1);
    EXPECT_EQ(Column(dialog->Item(IDC_CARS_LIST), 1), std::vector<std::string>{"Jo Racer"});

    // No row selected: the lists and buttons are the local entry's again.
    ListView_SetItemState(dialog->Item(IDC_EVENT_LIST), -1, 0, LVIS_SELECTED);
    EXPECT_EQ(ListView_GetItemCount(tracks), 3);
    EXPECT_TRUE(IsWindowEnabled(dialog->Item(IDC_TEAMSPEAK)));
}

TEST_F(MainWindowTest, VerifyCommandsCheckInstalledRowsOrTheEventsItems)
{
    WriteInstallCache();
    auto dialog = Open();
    TabCtrl_SetCurSel(dialog->Item(IDC_DOWNLOAD_TABS), 1);
    char entry[32] = {};
    GetMenuStringA(GetSubMenu(LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_LIST_MENU)), 0), 3, entry,
                   sizeof entry, MF_BYPOSITION);
    EXPECT_STREQ(entry, "Verify Files");
    // Nothing selected: every installed row; none has a record yet.
    ExpectMessage("Checked 0 items (0 files, 0.0 MB) in 0.0 s. Every file is as installed.\r\n\r\nNot checked "
                  "(installed before file records were kept): Atlanta, Bristol");
    SendMessageA(dialog->hwnd(), WM_COMMAND, ID_VERIFY_FILES, 0);
    SelectRow(dialog->Item(IDC_EVENT_LIST), 1);  // Bristol: its track is installed, its car is not
    ExpectMessage("Not checked (installed before file records were kept): Bristol");
    SendMessageA(dialog->hwnd(), WM_COMMAND, ID_VERIFY_ITEMS, 0);
}

TEST_F(MainWindowTest, StatusGroupsComeFirstAndHeadersCycle)
{
    WriteInstallCache();
    auto dialog = Open();
    HWND tracks = dialog->Item(IDC_TRACKS_LIST);
    // "Sort Tracks" defaults to the date, newest first, inside each group:
    // out of date, then not installed, then installed.
    EXPECT_EQ(Column(tracks, 0), (std::vector<std::string>{"Atlanta", "Dover", "Bristol"}));
    EXPECT_EQ(Column(tracks, 1), (std::vector<std::string>{"05/02/2026", "01/09/2025", "03/01/2026"}));

    // Right after a refresh every list remembers column 0: its first click sorts descending.
    ClickHeader(*dialog, IDC_TRACKS_LIST, 0);
    EXPECT_EQ(Column(tracks, 0), (std::vector<std::string>{"Atlanta", "Dover", "Bristol"}));
    ClickHeader(*dialog, IDC_TRACKS_LIST, 2);  // size, ascending
    EXPECT_EQ(Column(tracks, 2), (std::vector<std::string>{"3", "100", "12.5"}));
    EXPECT_EQ(ReadSettingNumber("Sort Tracks", -1), 2);
    ClickHeader(*dialog, IDC_TRACKS_LIST, 2);  // descending: the out-of-date row stays on top
    EXPECT_EQ(Column(tracks, 0), (std::vector<std::string>{"Atlanta", "Dover", "Bristol"}));
    ClickHeader(*dialog, IDC_TRACKS_LIST, 0);  // ascending again after the memory was reset
    ClickHeader(*dialog, IDC_TRACKS_LIST, 0);
    ClickHeader(*dialog, IDC_TRACKS_LIST, 0);
    EXPECT_EQ(ReadSettingNumber("Sort Tracks", -1), 0);
}

TEST_F(MainWindowTest, StatusColoursAndFonts)
{
    WriteInstallCache();
    auto dialog = Open();
    const Painted outOfDate = Paint(*dialog, IDC_TRACKS_LIST, 0);
    EXPECT_EQ(outOfDate.text, static_cast<COLORREF>(0x3C46FF));
    EXPECT_FALSE(outOfDate.bold);
    const Painted notInstalled = Paint(*dialog, IDC_TRACKS_LIST, 1);
    EXPECT_EQ(notInstalled.text, static_cast<COLORREF>(0x808080));
    const Painted current = Paint(*dialog, IDC_TRACKS_LIST, 2);
    EXPECT_EQ(current.text, static_cast<COLORREF>(0x123456)) << "installed rows keep the list's colour";
    EXPECT_TRUE(current.bold);
    EXPECT_EQ(current.result, CDRF_NEWFONT);
    const Painted catalogCar = Paint(*dialog, IDC_CARS_LIST, 0);
    EXPECT_EQ(catalogCar.text, static_cast<COLORREF>(0x808080));
    EXPECT_TRUE(catalogCar.italic) << "catalog cars belong to the default league";
}

TEST_F(MainWindowTest, BannerFetchedByARefreshIsShownAtOnce)
{
    auto dialog = Open();
    HWND events = dialog->Item(IDC_EVENT_LIST);
    EXPECT_EQ(ImageList_GetImageCount(ListView_GetImageList(events, LVSIL_SMALL)), 1) << "the built-in banner";

    http_.Serve("/schedule/launcher.php?server=N",
                LeagueFile(raceServer_.Port()) + "[SeriesImage]\r\nVersion=23\r\nFile=http://127.0.0.1/series.bmp\r\n");
    http_.Serve("/series.bmp", BitmapFile(3 * 150, 36));
    SendMessageA(dialog->Item(IDC_REFRESH), BM_CLICK, 0, 0);
    EXPECT_EQ(ReadSettingNumber("SeriesImageVersion", 0), 23);
    EXPECT_EQ(ImageList_GetImageCount(ListView_GetImageList(events, LVSIL_SMALL)), 3);
}

TEST_F(MainWindowTest, EventColumnWidthsAreKept)
{
    WriteSettingNumber("1", 1, "Lists\\1004");  // a collapsed width is not restored
    WriteSettingNumber("3", 222, "Lists\\1004");
    auto dialog = Open();
    HWND events = dialog->Item(IDC_EVENT_LIST);
    EXPECT_GT(ListView_GetColumnWidth(events, 1), 1);
    EXPECT_EQ(ListView_GetColumnWidth(events, 3), 222);
    ListView_SetColumnWidth(events, 5, 99);
    // A column the driver has not sized shows its longest text whole: the
    // event column its banner and date. It is not stored.
    int longest = 0;
    for (int row = 0; row < ListView_GetItemCount(events); ++row)
        longest = std::max(longest, ListView_GetStringWidth(events, CellText(events, row, 0).c_str()));
    EXPECT_GE(ListView_GetColumnWidth(events, 0), 150 + longest);
    dialog.reset();
    EXPECT_EQ(ReadSettingNumber("5", 0, "Lists\\1004"), 99);
    EXPECT_EQ(ReadSettingNumber("0", -1, "Lists\\1004"), 0);
}

TEST_F(MainWindowTest, SpectatorToggleWritesEveryProfile)
{
    MakeFolders(simFolder_ + "UserData\\Sam\\");
    WriteTextFile(simFolder_ + "UserData\\Sam\\Sam.PLR", "[DRIVER]\r\n");
    auto dialog = Open();
    EXPECT_EQ(IsDlgButtonChecked(dialog->hwnd(), IDC_SPECTATOR), BST_UNCHECKED);
    SendMessageA(dialog->Item(IDC_SPECTATOR), BM_CLICK, 0, 0);
    for (const char* profile : {"Alex", "Sam"})
        EXPECT_EQ(ReadIniText(simFolder_ + "UserData\\" + profile + "\\Multiplayer.ini",
                              "Multiplayer General Options", "Spectator Mode"),
                  "\"1\" // Join games in spectator mode (rather than with a separate vehicle)");
}

TEST_F(MainWindowTest, RefreshKeepsTheSelectedEvent)
{
    auto dialog = Open();
    HWND events = dialog->Item(IDC_EVENT_LIST);
    SelectRow(events, 2);  // Dover
    ASSERT_EQ(dialog->GetSelectedEvent()->ID, 22);

    SendMessageA(dialog->Item(IDC_REFRESH), BM_CLICK, 0, 0);
    EXPECT_EQ(ListView_GetNextItem(events, -1, LVNI_SELECTED), 2);
    EXPECT_EQ(dialog->GetSelectedEvent()->ID, 22);
    std::vector<std::string> names = Column(dialog->Item(IDC_TRACKS_LIST), 0);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Atlanta", "Dover"})) << "the lists follow Dover's vehicles";
}

TEST_F(MainWindowTest, RefreshClickedDuringARefreshIsIgnored)
{
    CLauncherDlg dialog(simFolder_ + "ZANTLauncher.exe", TempDir() + "Documents");
    bool clickDuringQuery = false;
    // The download's message pump hands a waiting click to the window in
    // the middle of a refresh; here it comes while a race server is asked.
    dialog.SetStatusQuery([&](const std::string&, int, ServerStatus&) {
        if (clickDuringQuery) {
            clickDuringQuery = false;
            SendMessageA(dialog.Item(IDC_REFRESH), BM_CLICK, 0, 0);
        }
        return false;
    });
    ASSERT_TRUE(dialog.Create());
    const size_t requests = http_.Requests().size();

    clickDuringQuery = true;
    SendMessageA(dialog.Item(IDC_REFRESH), BM_CLICK, 0, 0);
    EXPECT_FALSE(clickDuringQuery) << "the click did not arrive during the refresh";
    EXPECT_EQ(http_.Requests().size(), requests + 1) << "one refresh, not two";
    EXPECT_EQ(ListView_GetItemCount(dialog.Item(IDC_EVENT_LIST)), 3);
    EXPECT_EQ(dialog.State().schedule.rows.size(), 3u);
    EXPECT_FALSE(dialog.State().busy);
}

// The folder label is drawn through a buffer; what it leaves unpainted
// must show the window's background, not the black of a fresh bitmap.
TEST_F(MainWindowTest, FolderLabelShowsTheWindowBackground)
{
    auto dialog = Open();
    HWND label = dialog->Item(IDC_SIM_FOLDER);
    const RECT area = ChildRect(label);
    PaintNow(dialog->hwnd());
    const std::vector<COLORREF> shown = ScreenPixels(dialog->hwnd(), area);
    ShowWindow(label, SW_HIDE);
    PaintNow(dialog->hwnd());
    const std::vector<COLORREF> background = ScreenPixels(dialog->hwnd(), area);

    ASSERT_EQ(shown.size(), background.size());
    size_t same = 0;
    for (size_t i = 0; i < shown.size(); ++i) same += shown[i] == background[i];
    EXPECT_GT(same, shown.size() * 8 / 10) << "of " << shown.size() << " pixels";
    EXPECT_GT(std::count(shown.begin(), shown.end(), CLinkStatic::kLinkColor), 0) << "the path is drawn";
}

TEST_F(MainWindowTest, SelectAllIsABlueTwoStateButton)
{
    WriteSettingNumber("Show Downloads", 1, "Options");
    auto dialog = Open();
    HWND selectAll = dialog->Item(IDC_SELECT_ALL);
    RECT client;
    GetClientRect(selectAll, &client);
    PaintNow(dialog->hwnd());
    const std::vector<COLORREF> up = ScreenPixels(selectAll, client);
    HWND tabs = dialog->Item(IDC_DOWNLOAD_TABS);
    TabCtrl_SetCurSel(tabs, 1);
    NMHDR change = {tabs, IDC_DOWNLOAD_TABS, static_cast<UINT>(TCN_SELCHANGE)};
    SendMessageA(dialog->hwnd(), WM_NOTIFY, IDC_DOWNLOAD_TABS, reinterpret_cast<LPARAM>(&change));
    const int width = client.right;
    EXPECT_EQ(up[1 * width + 1], static_cast<COLORREF>(0xFF0000));
    EXPECT_EQ(up[(client.bottom - 2) * width + width - 2], static_cast<COLORREF>(0xFF0000));

    SendMessageA(selectAll, BM_CLICK, 0, 0);
    EXPECT_EQ(IsDlgButtonChecked(dialog->hwnd(), IDC_SELECT_ALL), BST_CHECKED);
    HWND tracks = dialog->Item(IDC_TRACKS_LIST);
    EXPECT_EQ(ListView_GetSelectedCount(tracks), 3u) << "every track is selected";
    PaintNow(dialog->hwnd());
    const std::vector<COLORREF> down = ScreenPixels(selectAll, client);
    EXPECT_NE(down[0], up[0]) << "a checked box looks pressed";
    EXPECT_EQ(down[(client.bottom - 2) * width + width - 2], static_cast<COLORREF>(0xFF0000));
}

}  // namespace
