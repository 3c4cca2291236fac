#include "ui/LauncherDlg.h"

#include <commctrl.h>
#include <shellapi.h>
#include <algorithm>
#include <utility>

#include "app/JoinLink.h"
#include "app/MessageBox.h"
#include "app/Startup.h"
#include "app/Settings.h"
#include "catalog/LeagueContent.h"
#include "net/LongWork.h"
#include "net/StatusPopup.h"
#include "install/InstallPipeline.h"
#include "launch/Bookmarks.h"
#include "launch/EventContent.h"
#include "resources/resource.h"
#include "simconfig/Profiles.h"
#include "ui/AboutDlg.h"
#include "ui/ListView.h"
#include "ui/OptionsDlg.h"
#include "ui/SelectProfileDlg.h"
#include "ui/ServerOptionsDlg.h"

namespace {

constexpr int kTabHeight = 36;
constexpr int kTabImageWidth = 48;
constexpr int kBannerWidth = 150;
constexpr int kBannerHeight = 36;
constexpr COLORREF kBannerTransparent = RGB(255, 0, 255);
constexpr char kEventListWidthsKey[] = "Lists\\1004";

constexpr int kTabControls[] = {IDC_DOWNLOAD_TABS, IDC_SEPARATOR, IDC_LEGEND_RED, IDC_LEGEND_GRAY, IDC_LEGEND_BOLD,
                                IDC_SELECT_ALL};

const char* const kTabTitles[] = {"Sim", "Tracks", "Cars", "Add-ons && Tools", "Setups"};

// List views sort through a callback that sees the rows' item data.
struct ItemSortContext {
    const DownloadListSpec* list;
    int sortValue;
};

int CALLBACK CompareItemRows(LPARAM a, LPARAM b, LPARAM context)
{
    const auto* sort = reinterpret_cast<const ItemSortContext*>(context);
    return CompareItems(*reinterpret_cast<const ContentItem*>(a), *reinterpret_cast<const ContentItem*>(b),
                        *sort->list, sort->sortValue);
}

// The body of the tab control is painted in the active caption's colour.
LRESULT CALLBACK TabBodyProc(HWND tabs, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR)
{
    if (message == WM_ERASEBKGND) {
        const LRESULT result = DefSubclassProc(tabs, message, wParam, lParam);
        RECT body;
        GetClientRect(tabs, &body);
        TabCtrl_AdjustRect(tabs, FALSE, &body);
        FillRect(reinterpret_cast<HDC>(wParam), &body, GetSysColorBrush(COLOR_ACTIVECAPTION));
        return result;
    }
    if (message == WM_NCDESTROY) RemoveWindowSubclass(tabs, TabBodyProc, 1);
    return DefSubclassProc(tabs, message, wParam, lParam);
}

// What an empty selection says, per tab.
struct ListCommandTexts {
    const char* download;
    const char* remove;
    const char* mark;
};
constexpr ListCommandTexts kNothingSelected[kDownloadListCount] = {
    {"No sims selected to download!", "No sims selected to delete!", "No items selected to mark as current!"},
    {"No tracks selected to download!", "No tracks selected to delete!", "No tracks selected to mark as current!"},
    {"No cars selected to download!", "No cars selected to remove!", "No cars selected to mark as current!"},
    {"No mods selected to download!", "No mods selected to remove!", "No mods selected to mark as current!"},
    {"No setups selected to download!", "No setups selected to remove!", "No setups selected to mark as current!"},
};

// Ctrl+A and Ctrl+I arrive as characters at whichever control has the
// focus; a hook on the thread's queue sees them for the whole window and
// hands them to it as a command of its own.
CLauncherDlg* g_keyWindow = nullptr;
HHOOK g_charHook = nullptr;
constexpr WPARAM kCtrlA = 1, kCtrlI = 9;
constexpr UINT kSelectAllKeyMessage = WM_APP + 1;
// Runs the join link that waits, once no other command runs.
constexpr UINT kRunJoinLinkMessage = WM_APP + 2;
// Rows younger than this serve a join link without a new refresh.
constexpr ULONGLONG kFreshRowsMs = 60 * 1000;

LRESULT CALLBACK SelectAllKeyHook(int code, WPARAM removed, LPARAM lParam)
{
    const MSG* message = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && removed == PM_REMOVE && message->message == WM_CHAR &&
        (message->wParam == kCtrlA || message->wParam == kCtrlI) && g_keyWindow && g_keyWindow->hwnd() &&
        (message->hwnd == g_keyWindow->hwnd() || IsChild(g_keyWindow->hwnd(), message->hwnd)))
        SendMessageA(g_keyWindow->hwnd(), kSelectAllKeyMessage, message->wParam == kCtrlA, 0);
    return CallNextHookEx(g_charHook, code, removed, lParam);
}

// Lists whose Enter key downloads (not the sims list).
bool EnterDownloads(int listId)
{
    return listId == IDC_TRACKS_LIST || listId == IDC_MODS_LIST || listId == IDC_CARS_LIST ||
           listId == IDC_SETUPS_LIST;
}

// The list view and Download button of each download list, by tab.
struct DownloadListControls {
    int listId;
    int buttonId;
};
constexpr DownloadListControls kDownloadListControls[kDownloadListCount] = {
    {IDC_SIMS_LIST, IDC_DOWNLOAD_SIMS}, {IDC_TRACKS_LIST, IDC_DOWNLOAD_TRACKS}, {IDC_CARS_LIST, IDC_DOWNLOAD_CARS},
    {IDC_MODS_LIST, IDC_DOWNLOAD_MODS}, {IDC_SETUPS_LIST, IDC_DOWNLOAD_SETUPS}};

int ListControl(const DownloadListSpec& list) { return kDownloadListControls[list.tab].listId; }
int ButtonControl(const DownloadListSpec& list) { return kDownloadListControls[list.tab].buttonId; }

const DownloadListSpec* FindDownloadList(int listId)
{
    for (const DownloadListSpec& list : DownloadLists())
        if (ListControl(list) == listId) return &list;
    return nullptr;
}

const DownloadListSpec* ListOfButton(int buttonId)
{
    for (const DownloadListSpec& list : DownloadLists())
        if (ButtonControl(list) == buttonId) return &list;
    return nullptr;
}

// What the user can start: clicks, keys, menu picks and the selection of an
// event, which loads its league's content.
bool IsCommandMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
    case kSelectAllKeyMessage:
    case kRunJoinLinkMessage:
        return true;
    case WM_SYSCOMMAND:
        return (wParam & 0xFFF0) == IDM_ABOUTBOX;
    case WM_NOTIFY: {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        switch (header->code) {
        case NM_DBLCLK:
        case NM_RCLICK:
        case NM_RETURN:
        case LVN_COLUMNCLICK:
        case TCN_SELCHANGE:
            return true;
        case LVN_ITEMCHANGED:
            return header->idFrom == IDC_EVENT_LIST;
        default:
            return false;
        }
    }
    default:
        return false;
    }
}

// Puts text on the clipboard as CF_TEXT.
void PutTextOnClipboard(const std::string& text)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (!block) return;
    if (void* bytes = GlobalLock(block)) {
        memcpy(bytes, text.c_str(), text.size() + 1);
        GlobalUnlock(block);
    }
    bool handedOver = false;
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        handedOver = SetClipboardData(CF_TEXT, block) != nullptr;
        CloseClipboard();
    }
    // The clipboard owns the block only once it took it.
    if (!handedOver) GlobalFree(block);
}

// The width a column's title needs in the header's own font, with the
// header's margins.
int HeaderTextWidth(HWND list, int column)
{
    constexpr int kHeaderMargins = 16;
    HWND header = ListView_GetHeader(list);
    char title[128] = "";
    HDITEMA item = {};
    item.mask = HDI_TEXT;
    item.pszText = title;
    item.cchTextMax = sizeof title;
    if (!header || !Header_GetItem(header, column, &item)) return 0;
    HDC dc = GetDC(header);
    const HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(header, WM_GETFONT, 0, 0)));
    SIZE size = {};
    GetTextExtentPoint32A(dc, title, lstrlenA(title), &size);
    SelectObject(dc, previous);
    ReleaseDC(header, dc);
    return size.cx + kHeaderMargins;
}

int FindRowByEventId(HWND events, int id)
{
    for (int row = 0; row < ListView_GetItemCount(events); ++row) {
        const auto* event = reinterpret_cast<const RaceEvent*>(ItemData(events, row));
        if (event && event->ID == id) return row;
    }
    return -1;
}

int CALLBACK CompareEventRows(LPARAM a, LPARAM b, LPARAM sortValue)
{
    return CompareEvents(*reinterpret_cast<const RaceEvent*>(a), *reinterpret_cast<const RaceEvent*>(b),
                         static_cast<int>(sortValue));
}

}  // namespace

CLauncherDlg::CLauncherDlg(const std::string& modulePath, const std::string& documentsFolder)
    : CDialog(IDD_LAUNCHER_DIALOG)
{
    state_.env = SettleEnvironment(modulePath, documentsFolder);
    InitLocalEvent(state_);
    state_.profiles = EnumerateProfiles(state_.env.simFolder);

    hooks_.loadLeagueContent = [this](bool fetch) {
        ShowEventRows();
        LoadLeagueContent(fetch);
    };
    hooks_.endProgram = [this] { EndDialog(IDCANCEL); };
    hooks_.describeContent = [this] { DescribeEventContent(state_); };
}

CLauncherDlg::~CLauncherDlg()
{
    // A modeless window (the tests') must see its own OnDestroy, not the base's.
    if (hwnd()) DestroyWindow(hwnd());
    if (tabImages_) ImageList_Destroy(tabImages_);
    // The event list owns its image list (it has no LVS_SHAREIMAGELISTS).
}

BOOL CLauncherDlg::OnInitDialog()
{
    SetMessageOwner(hwnd());
    HMENU systemMenu = GetSystemMenu(hwnd(), FALSE);
    if (systemMenu) {
        AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(systemMenu, MF_STRING, IDM_ABOUTBOX, "&About ZANT Launcher...");
    }
    HINSTANCE instance = GetModuleHandleA(nullptr);
    SendMessageA(hwnd(), WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_APP), IMAGE_ICON, 32, 32, 0)));
    SendMessageA(hwnd(), WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_APP), IMAGE_ICON, 16, 16, 0)));

    const LauncherEnvironment& env = state_.env;
    const std::string title = env.dedicated ? env.simFolder + " - ZANT Launcher " ZANT_VERSION_TEXT
                                            : std::string("ZANT Launcher " ZANT_VERSION_TEXT);
    SetWindowTextA(hwnd(), title.c_str());

    CreateFonts();
    SetUpTabs();
    SetUpEventList();
    SetUpColumns();
    InitLocalEvent(state_);  // the dedicated-server flag is known now
    DressButtons();
    SetDlgItemTextA(hwnd(), IDC_SIM_FOLDER, env.simFolder.c_str());
    ReadSpectatorState();
    RestoreColumnWidths();

    if (!g_keyWindow) {
        g_keyWindow = this;
        g_charHook = SetWindowsHookExA(WH_GETMESSAGE, SelectAllKeyHook, nullptr, GetCurrentThreadId());
    }

    {
        CommandScope startUp(hwnd());
        RefreshCommand();
    }
    TabCtrl_SetCurSel(Item(IDC_DOWNLOAD_TABS), 0);
    OnTabChanged();
    // The toggle inverts the flag: start from the opposite of the stored state.
    state_.env.downloadsHidden = !state_.env.downloadsHidden;
    OnDownloadsToggle();
    initialised_ = true;
    SetPropA(hwnd(), kMainWindowProperty, reinterpret_cast<HANDLE>(1));
    if (pendingLinkId_) PostMessageA(hwnd(), kRunJoinLinkMessage, 0, 0);
    return TRUE;
}

void CLauncherDlg::CreateFonts()
{
    LOGFONTA base = {};
    HFONT dialogFont = reinterpret_cast<HFONT>(SendMessageA(hwnd(), WM_GETFONT, 0, 0));
    GetObjectA(dialogFont ? dialogFont : GetStockObject(DEFAULT_GUI_FONT), sizeof base, &base);

    LOGFONTA font = base;
    font.lfWeight = FW_BOLD;
    boldFont_.reset(CreateFontIndirectA(&font));
    font = base;
    font.lfWeight = FW_NORMAL;
    font.lfItalic = TRUE;
    italicFont_.reset(CreateFontIndirectA(&font));
    font.lfWeight = FW_BOLD;
    boldItalicFont_.reset(CreateFontIndirectA(&font));
    font = base;
    HDC screen = GetDC(hwnd());
    font.lfHeight = -MulDiv(9, GetDeviceCaps(screen, LOGPIXELSY), 72);
    ReleaseDC(hwnd(), screen);
    font.lfWeight = FW_MEDIUM;
    smallFont_.reset(CreateFontIndirectA(&font));
}

void CLauncherDlg::SetUpTabs()
{
    HWND tabs = Item(IDC_DOWNLOAD_TABS);
    tabImages_ = ImageList_LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_TABS), kTabImageWidth, 1,
                                      RGB(255, 255, 255), IMAGE_BITMAP, LR_CREATEDIBSECTION);
    TabCtrl_SetImageList(tabs, tabImages_);
    SendMessageA(tabs, WM_SETFONT, reinterpret_cast<WPARAM>(boldFont_.get()), FALSE);
    for (int i = 0; i < kDownloadListCount; ++i) {
        TCITEMA tab = {};
        tab.mask = TCIF_TEXT | TCIF_IMAGE;
        tab.pszText = const_cast<char*>(kTabTitles[i]);
        tab.iImage = i;
        SendMessageA(tabs, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&tab));
    }
    RECT client;
    GetClientRect(tabs, &client);
    const int border = std::max(1, GetSystemMetrics(SM_CXBORDER));
    TabCtrl_SetItemSize(tabs, (client.right - client.left) / kDownloadListCount - 2 * border, kTabHeight);
    SetWindowSubclass(tabs, TabBodyProc, 1, 0);
}

void CLauncherDlg::SetUpEventList()
{
    HWND events = List(IDC_EVENT_LIST);
    ListView_SetExtendedListViewStyle(
        events, LVS_EX_GRIDLINES | LVS_EX_SUBITEMIMAGES | LVS_EX_FULLROWSELECT | LVS_EX_ONECLICKACTIVATE);
    SendMessageA(events, WM_SETFONT, reinterpret_cast<WPARAM>(boldFont_.get()), FALSE);
    for (const DownloadListSpec& list : DownloadLists())
        ListView_SetExtendedListViewStyle(List(ListControl(list)), LVS_EX_FULLROWSELECT);

    LoadBanners();
}

void CLauncherDlg::LoadBanners()
{
    HIMAGELIST banners = ImageList_Create(kBannerWidth, kBannerHeight, ILC_COLOR24 | ILC_MASK, 4, 1);
    const std::string bannerFile = state_.env.LeagueFolder() + "series.bmp";
    GdiObject banner(
        LoadImageA(nullptr, bannerFile.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    if (!banner)
        banner.reset(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_DEFAULT_BANNER), IMAGE_BITMAP, 0, 0,
                                LR_CREATEDIBSECTION));
    if (banner) ImageList_AddMasked(banners, static_cast<HBITMAP>(banner.get()), kBannerTransparent);
    // The list view frees its image list only when it is destroyed itself:
    // the one replaced here is ours to free.
    HIMAGELIST previous = ListView_SetImageList(List(IDC_EVENT_LIST), banners, LVSIL_SMALL);
    if (previous) ImageList_Destroy(previous);
}

void CLauncherDlg::SetUpColumns()
{
    InsertColumns(List(IDC_EVENT_LIST), EventListColumns());
    for (const DownloadListSpec& list : DownloadLists()) InsertColumns(List(ListControl(list)), list.columns);
}

void CLauncherDlg::DressButtons()
{
    constexpr COLORREF kWhite = 0xFFFFFF, kHover = 0x00EEEE, kDownloadsBackground = 0xEBEBEB;
    constexpr COLORREF kSelectAllBackground = 0xFF0000;
    auto dress = [this](int id, int icon, const std::string& tip, COLORREF normal, COLORREF hover) {
        auto button = std::make_unique<CFlatButton>();
        if (!button->Attach(Item(id))) return;
        button->SetIcon(icon);
        button->SetColors(normal, hover, normal);
        button->SetTooltip(tip);
        buttons_.push_back(std::move(button));
    };
    dress(IDC_REFRESH, IDI_REFRESH, "Refresh list of races and downloads", kWhite, kHover);
    dress(IDC_LAUNCH, IDI_LAUNCH, "Launch the sim and connect to the selected server", kWhite, kHover);
    dress(IDC_OPTIONS, IDI_OPTIONS, "Change program options", kWhite, kHover);
    dress(IDC_WEBSITE, IDI_WEBSITE, "Go to ZANT web site", kWhite, kHover);
    dress(IDC_TEAMSPEAK, IDI_TEAMSPEAK, "Connect to TeamSpeak", kWhite, kHover);
    dress(IDC_DOWNLOADS_TOGGLE, IDI_DOWNLOADS, "Display downloads", kDownloadsBackground, kDownloadsBackground);
    buttons_.back()->SetTwoState(true);
    const std::string tip = "Download all selected %s. Use CTRL+click to select multiple items. Double-click also works!";
    const std::pair<int, const char*> downloads[] = {{IDC_DOWNLOAD_SIMS, "items"},
                                                     {IDC_DOWNLOAD_TRACKS, "tracks"},
                                                     {IDC_DOWNLOAD_CARS, "cars"},
                                                     {IDC_DOWNLOAD_SETUPS, "setups"},
                                                     {IDC_DOWNLOAD_MODS, "mods"}};
    for (const auto& [id, word] : downloads) {
        std::string text = tip;
        text.replace(text.find("%s"), 2, word);
        dress(id, IDI_DOWNLOAD, text, kWhite, kHover);
    }
    // Select All: a two-state button in blue with a white text.
    auto selectAll = std::make_unique<CFlatButton>();
    if (selectAll->Attach(Item(IDC_SELECT_ALL))) {
        selectAll->SetTwoState(true);
        selectAll->SetColors(kSelectAllBackground, kSelectAllBackground, kSelectAllBackground);
        selectAll->SetTextColor(kWhite);
        buttons_.push_back(std::move(selectAll));
    }
    auto spectator = std::make_unique<CFlatButton>();
    if (spectator->Attach(Item(IDC_SPECTATOR))) {
        spectator->SetIcons(IDI_SPECTATE, IDI_DRIVE);
        spectator->SetColors(kWhite, kHover, kWhite);
        spectator->SetTooltip("Drive or spectate");
        buttons_.push_back(std::move(spectator));
    }
    folderLabel_.Attach(Item(IDC_SIM_FOLDER));

    if (state_.env.dedicated) {
        ShowWindow(Item(IDC_TEAMSPEAK), SW_HIDE);
        ShowWindow(Item(IDC_SPECTATOR), SW_HIDE);
    }
}

void CLauncherDlg::ReadSpectatorState()
{
    const std::string profile =
        ReadSettingText("Profile" + std::to_string(state_.env.installation.number), "", "Options");
    const bool spectating = ReadSpectatorMode(state_.env.simFolder, profile);
    Check(IDC_SPECTATOR, spectating);
}

void CLauncherDlg::RestoreColumnWidths()
{
    HWND events = List(IDC_EVENT_LIST);
    const size_t count = EventListColumns().size();
    describedWidths_.assign(count, 0);
    fittedWidths_.assign(count, 0);
    for (size_t column = 0; column < count; ++column) {
        describedWidths_[column] = ListView_GetColumnWidth(events, static_cast<int>(column));
        const int width = ReadSettingNumber(std::to_string(column), 0, kEventListWidthsKey);
        // 0 and 1 are what a collapsed column leaves behind, the described
        // width what earlier versions stored for every column: such a column
        // was not sized by the driver and follows its texts.
        if (width == 0 || width == 1 || width == describedWidths_[column])
            fittedWidths_[column] = describedWidths_[column];
        else
            ListView_SetColumnWidth(events, static_cast<int>(column), LOWORD(width));
    }
}

void CLauncherDlg::FitColumnsToRows()
{
    HWND events = List(IDC_EVENT_LIST);
    for (size_t column = 0; column < fittedWidths_.size(); ++column) {
        const int index = static_cast<int>(column);
        if (!fittedWidths_[column] || ListView_GetColumnWidth(events, index) != fittedWidths_[column]) {
            fittedWidths_[column] = 0;  // the driver sized it: it stays so
            continue;
        }
        ListView_SetColumnWidth(events, index, LVSCW_AUTOSIZE);
        fittedWidths_[column] = std::max({ListView_GetColumnWidth(events, index), HeaderTextWidth(events, index),
                                          describedWidths_[column]});
        ListView_SetColumnWidth(events, index, fittedWidths_[column]);
    }
}

void CLauncherDlg::SaveColumnWidths()
{
    HWND events = List(IDC_EVENT_LIST);
    for (size_t column = 0; column < fittedWidths_.size(); ++column) {
        const int width = ListView_GetColumnWidth(events, static_cast<int>(column));
        const bool fitted = fittedWidths_[column] && width == fittedWidths_[column];
        WriteSettingNumber(std::to_string(column), fitted ? 0 : width, kEventListWidthsKey);
    }
}

RaceEvent* CLauncherDlg::GetSelectedEvent()
{
    const int row = ListView_GetNextItem(List(IDC_EVENT_LIST), -1, LVNI_SELECTED);
    if (row < 0) return &state_.localEvent;
    auto* event = reinterpret_cast<RaceEvent*>(ItemData(List(IDC_EVENT_LIST), row));
    return event ? event : &state_.localEvent;
}

void CLauncherDlg::RefreshCommand()
{
    state_.profiles = EnumerateProfiles(state_.env.simFolder);
    RunRefresh(true);
    std::vector<const RaceEvent*> events;
    for (const EventRow& row : state_.schedule.rows) events.push_back(row.event);
    WriteSimBookmarks(state_.env.simFolder, state_.profiles, events);
}

void CLauncherDlg::RunRefresh(bool fetch)
{
    // Asked before the rows go: an emptied list has no selection left.
    const int selectedId = GetSelectedEvent()->ID;
    hooks_.selectedEventId = [selectedId] { return selectedId; };
    // The records the rows point to are about to go: no row may outlive them.
    ListView_DeleteAllItems(List(IDC_EVENT_LIST));
    for (const DownloadListSpec& list : DownloadLists()) ListView_DeleteAllItems(List(ListControl(list)));

    SendMessageA(List(IDC_EVENT_LIST), WM_SETREDRAW, FALSE, 0);
    const int bannerVersion = ReadSettingNumber("SeriesImageVersion", 22);
    const RefreshResult result = Refresh(state_, fetch, hooks_);
    lastRefreshTick_ = GetTickCount64();
    if (result == RefreshResult::UpdateStarted) return;
    // A banner fetched by this refresh is shown now, not only after a restart.
    if (ReadSettingNumber("SeriesImageVersion", 22) != bannerVersion) LoadBanners();
    if (result == RefreshResult::UpdateNotStarted) ShowEventRows();
    FitColumnsToRows();
    SendMessageA(List(IDC_EVENT_LIST), WM_SETREDRAW, TRUE, 0);
    InvalidateRect(List(IDC_EVENT_LIST), nullptr, TRUE);
    InvalidateRect(List(IDC_TRACKS_LIST), nullptr, TRUE);
}

void CLauncherDlg::ShowEventRows()
{
    HWND events = List(IDC_EVENT_LIST);
    ListView_DeleteAllItems(events);
    int index = 0;
    for (const EventRow& row : state_.schedule.rows) {
        InsertRow(events, index, row.texts[0], row.image, reinterpret_cast<LPARAM>(row.event));
        for (int column = 1; column < EventRow::kColumnCount; ++column)
            SetCell(events, index, column, row.texts[column], column == kNoteColumn ? row.noteImage : -1);
        ++index;
    }
    if (!state_.schedule.rows.empty()) {
        ListView_SetItemState(events, state_.selectedEventRow, LVIS_SELECTED | LVIS_FOCUSED,
                              LVIS_SELECTED | LVIS_FOCUSED);
        ListView_EnsureVisible(events, state_.selectedEventRow, FALSE);
    }
}

void CLauncherDlg::FillDownloadLists()
{
    for (const DownloadListSpec& list : DownloadLists()) FillDownloadList(list);
}

void CLauncherDlg::FillDownloadList(const DownloadListSpec& list)
{
    HWND view = List(ListControl(list));
    const std::vector<LPARAM> selected = SelectedItemData(view);
    ListView_DeleteAllItems(view);

    const ContentList* league = list.category == CategoryId::Cars     ? &state_.leagueCars
                                : list.category == CategoryId::Setups ? &state_.leagueSetups
                                                                      : nullptr;
    std::vector<ContentItem*> items =
        FilterItems(list.category, state_.Catalog(list.category), league, GetSelectedEvent());
    const int sortValue = ReadSettingNumber(list.sortSetting, list.defaultSort);
    SortItems(items, list, sortValue);

    int index = 0;
    for (ContentItem* item : items) {
        const std::vector<std::string> cells = CellTexts(*item, list.category);
        InsertRow(view, index, cells[0], -1, reinterpret_cast<LPARAM>(item));
        for (size_t column = 1; column < cells.size(); ++column)
            SetCell(view, index, static_cast<int>(column), cells[column], -1);
        if (std::find(selected.begin(), selected.end(), reinterpret_cast<LPARAM>(item)) != selected.end())
            ListView_SetItemState(view, index, LVIS_SELECTED, LVIS_SELECTED);
        ++index;
    }
}

HFONT CLauncherDlg::FontFor(RowFont font) const
{
    switch (font) {
    case RowFont::Bold: return static_cast<HFONT>(boldFont_.get());
    case RowFont::Italic: return static_cast<HFONT>(italicFont_.get());
    case RowFont::BoldItalic: return static_cast<HFONT>(boldItalicFont_.get());
    default: return nullptr;
    }
}

LRESULT CLauncherDlg::OnListCustomDraw(NMLVCUSTOMDRAW* draw)
{
    const DownloadListSpec* list = FindDownloadList(static_cast<int>(draw->nmcd.hdr.idFrom));
    if (state_.busy || !list) return CDRF_DODEFAULT;
    if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    if (draw->nmcd.dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;

    // Only records the list really holds are judged.
    const LPARAM data = draw->nmcd.lItemlParam;
    if (FindRowByData(draw->nmcd.hdr.hwndFrom, data) < 0) return CDRF_DODEFAULT;
    const RowStyle style =
        ItemRowStyle(*reinterpret_cast<const ContentItem*>(data), list->category, &state_.env.defaultLeague);
    if (style.customColor) draw->clrText = style.text;
    if (HFONT font = FontFor(style.font)) {
        SelectObject(draw->nmcd.hdc, font);
        return CDRF_NEWFONT;
    }
    return CDRF_DODEFAULT;
}

void CLauncherDlg::OnListColumnClick(int listId, int column)
{
    HWND view = List(listId);
    if (listId == IDC_EVENT_LIST) {
        const int sortValue = HeaderClickSort(state_.lastClickedColumn[kEventsList], column);
        WriteSettingNumber("Sort Series", column);
        ListView_SortItems(view, CompareEventRows, static_cast<LPARAM>(sortValue));
    } else if (const DownloadListSpec* list = FindDownloadList(listId)) {
        static constexpr LauncherList kMemory[] = {kSimsList, kTracksList, kCarsList, kModsList, kSetupsList};
        ItemSortContext sort = {list, HeaderClickSort(state_.lastClickedColumn[kMemory[list->tab]], column)};
        WriteSettingNumber(list->sortSetting, column);
        ListView_SortItems(view, CompareItemRows, reinterpret_cast<LPARAM>(&sort));
    }
    const int first = ListView_GetNextItem(view, -1, LVNI_SELECTED);
    if (first >= 0) ListView_EnsureVisible(view, first, FALSE);
}

void CLauncherDlg::OnEventSelectionChanged()
{
    LoadLeagueContent(true);
}

void CLauncherDlg::LoadLeagueContent(bool fetch)
{
    RaceEvent* event = GetSelectedEvent();
    const EventButtonStates buttons = EventButtons(*event, state_);
    EnableWindow(Item(IDC_LAUNCH), buttons.launch);
    EnableWindow(Item(IDC_TEAMSPEAK), buttons.teamSpeak);

    state_.busy = true;
    // The rows point to the league items about to be freed.
    ListView_DeleteAllItems(List(IDC_CARS_LIST));
    ListView_DeleteAllItems(List(IDC_SETUPS_LIST));
    ::LoadLeagueContent(state_, *event, fetch);
    FillDownloadLists();
    ShowStatus(false);
    state_.busy = false;
}

int CLauncherDlg::CurrentTab() const
{
    return std::max(0, TabCtrl_GetCurSel(Item(IDC_DOWNLOAD_TABS)));
}

void CLauncherDlg::OnTabChanged()
{
    const int tab = CurrentTab();
    const bool areaShown = !state_.env.downloadsHidden;
    for (const DownloadListSpec& list : DownloadLists()) {
        const int show = list.tab == tab && areaShown ? SW_SHOW : SW_HIDE;
        ShowWindow(List(ListControl(list)), show);
        ShowWindow(Item(ButtonControl(list)), show);
    }
    Check(IDC_SELECT_ALL, false);
    ApplySelectAll();
}

void CLauncherDlg::ApplySelectAll()
{
    const DownloadListSpec& list = DownloadLists()[CurrentTab()];
    const bool all = Checked(IDC_SELECT_ALL);
    // The list takes the keyboard focus, so that Enter then acts on it.
    SetFocus(List(ListControl(list)));
    ListView_SetItemState(List(ListControl(list)), -1, all ? LVIS_SELECTED : 0, LVIS_SELECTED);
}

void CLauncherDlg::OnSelectAllKey(bool select)
{
    Check(IDC_SELECT_ALL, select);
    ApplySelectAll();
}

std::vector<ContentItem*> CLauncherDlg::SelectedItems(const DownloadListSpec& list) const
{
    std::vector<ContentItem*> items;
    for (LPARAM data : SelectedItemData(List(ListControl(list)))) items.push_back(reinterpret_cast<ContentItem*>(data));
    return items;
}

void CLauncherDlg::InstallItems(const std::vector<ContentItem*>& items, const std::string& categoryWord, bool remove)
{
    InstallContext context{&state_.env, &state_.profiles, [this] { ShowAndRepaint(); }};
    ::InstallItems(context, items, categoryWord, remove);
}

void CLauncherDlg::ShowAndRepaint()
{
    ShowWindow(hwnd(), SW_SHOWNORMAL);
    InvalidateRect(hwnd(), nullptr, TRUE);
    UpdateWindow(hwnd());
}

void CLauncherDlg::DownloadSelected(const DownloadListSpec& list, bool remove)
{
    const std::vector<ContentItem*> items = SelectedItems(list);
    if (items.empty()) {
        const ListCommandTexts& texts = kNothingSelected[list.tab];
        ShowMessage(remove ? texts.remove : texts.download, MB_OK);
        return;
    }
    InstallItems(items, GetCategory(list.category).word, remove);
    if (list.category != CategoryId::Setups) ShowAndRepaint();
    // After Cancel the lists show what is on disk; nothing more is fetched.
    RunRefresh(!CancelRequested());
}

void CLauncherDlg::MarkSelectedAsCurrent(const DownloadListSpec& list)
{
    const std::vector<ContentItem*> items = SelectedItems(list);
    if (items.empty()) {
        ShowMessage(kNothingSelected[list.tab].mark, MB_OK);
        return;
    }
    MarkItemsAsCurrent(state_.env, items, GetCategory(list.category).word);
    RunRefresh(false);
}

void CLauncherDlg::VerifySelected(const DownloadListSpec& list)
{
    std::vector<ContentItem*> chosen = SelectedItems(list);
    HWND view = List(ListControl(list));
    if (chosen.empty()) {
        for (int row = 0; row < ListView_GetItemCount(view); ++row) {
            auto* item = reinterpret_cast<ContentItem*>(ItemData(view, row));
            if (item && !item->notInstalled) chosen.push_back(item);
        }
    }
    std::vector<ItemToVerify> items;
    for (ContentItem* item : chosen) items.push_back({item, GetCategory(list.category).word});
    VerifyItems(state_.env, items);
    // Items found changed now read as out of date.
    RunRefresh(false);
}

void CLauncherDlg::VerifyEventItems()
{
    VerifyItems(state_.env, ItemsToVerify(ItemsForEvent(*GetSelectedEvent(), state_, state_.leagueCars)));
    RunRefresh(false);
}

void CLauncherDlg::CopyShortcut(const DownloadListSpec& list)
{
    const std::vector<ContentItem*> items = SelectedItems(list);
    PutTextOnClipboard(items.empty() ? std::string() : items.front()->File);
}


void CLauncherDlg::OnListRightClick(const DownloadListSpec& list, int row)
{
    if (row < 0) return;
    HWND view = List(ListControl(list));
    ListView_SetItemState(view, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    const auto* item = reinterpret_cast<const ContentItem*>(ItemData(view, row));

    HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_LIST_MENU));
    if (!menu) return;
    HMENU popup = GetSubMenu(menu, 0);
    const bool current = item && !item->notInstalled && !item->outOfDate;
    CheckMenuItem(popup, ID_MARK_CURRENT, MF_BYCOMMAND | (current ? MF_CHECKED : MF_UNCHECKED));
    POINT at;
    GetCursorPos(&at);
    TrackPopupMenu(popup, TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd(), nullptr);
    DestroyMenu(menu);
}

void CLauncherDlg::PrepareAndLaunch(bool ask, bool start)
{
    LaunchHooks hooks;
    hooks.selectedEvent = [this] { return GetSelectedEvent(); };
    hooks.install = [this](const std::vector<ContentItem*>& items, const std::string& word) {
        InstallItems(items, word, false);
    };
    hooks.refreshWithoutFetch = [this] { RunRefresh(false); };
    hooks.showMainWindow = [this](int show) {
        if (show == SW_MINIMIZE)
            ShowWindow(hwnd(), SW_MINIMIZE);
        else
            ShowAndRepaint();
    };
    hooks.start = startProgram_;
    ::PrepareAndLaunch(state_, ask, start, hooks);
}

void CLauncherDlg::OnEventRightClick(int row)
{
    if (row < 0) return;
    // Selecting the row loads its league content before the menu opens; the
    // selection's own notice is not taken while this command runs.
    HWND events = List(IDC_EVENT_LIST);
    const bool selected = ListView_GetItemState(events, row, LVIS_SELECTED) != 0;
    ListView_SetItemState(events, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    if (!selected) OnEventSelectionChanged();
    HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_EVENT_MENU));
    if (!menu) return;
    // The local entry has no link.
    if (GetSelectedEvent() == &state_.localEvent)
        EnableMenuItem(menu, ID_COPY_JOIN_LINK, MF_BYCOMMAND | MF_GRAYED);
    POINT at;
    GetCursorPos(&at);
    TrackPopupMenu(GetSubMenu(menu, 0), TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd(), nullptr);
    DestroyMenu(menu);
}

void CLauncherDlg::AssignProfileToEvent()
{
    CSelectProfileDlg dialog(state_.env.installation.number, GetSelectedEvent()->ImageIndex, state_.profiles);
    dialog.DoModal(hwnd());
}

void CLauncherDlg::OnDownloadsToggle()
{
    HWND events = List(IDC_EVENT_LIST);
    RECT rect;
    GetWindowRect(events, &rect);
    MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&rect), 2);
    if (eventListFullHeight_ == 0) eventListFullHeight_ = rect.bottom - rect.top;

    state_.env.downloadsHidden = !state_.env.downloadsHidden;
    WriteSettingNumber("Show Downloads", state_.env.downloadsHidden ? 0 : 1, "Options");
    const bool shown = !state_.env.downloadsHidden;
    for (int id : kTabControls) ShowWindow(Item(id), shown ? SW_SHOW : SW_HIDE);
    Check(IDC_DOWNLOADS_TOGGLE, shown);
    const int height = shown ? eventListFullHeight_ / 2 : eventListFullHeight_;
    SetWindowPos(events, nullptr, 0, 0, rect.right - rect.left, height, SWP_NOMOVE | SWP_NOZORDER);
    if (shown) {
        OnTabChanged();
        const int first = ListView_GetNextItem(events, -1, LVNI_SELECTED);
        if (first >= 0) ListView_EnsureVisible(events, first, FALSE);
    } else {
        for (const DownloadListSpec& list : DownloadLists()) {
            ShowWindow(List(ListControl(list)), SW_HIDE);
            ShowWindow(Item(ButtonControl(list)), SW_HIDE);
        }
    }
}

void CLauncherDlg::OnSpectatorToggle()
{
    WriteSpectatorMode(state_.env.simFolder, state_.profiles,
                       Checked(IDC_SPECTATOR));
}

void CLauncherDlg::OnOptions()
{
    if (state_.env.dedicated) {
        CServerOptionsDlg(state_.env.simFolder).DoModal(hwnd());
        return;
    }
    state_.profiles = EnumerateProfiles(state_.env.simFolder);
    COptionsDlg(state_.env.simFolder, state_.env.installation.number, state_.profiles).DoModal(hwnd());
    // The dialog may have changed profiles, the program to start, whether
    // downloads are kept and the default profile whose spectator mode the
    // button shows.
    state_.profiles = EnumerateProfiles(state_.env.simFolder);
    state_.env.installation.programName = SimProgramName();
    state_.env.defaultLeague.deleteFiles = ReadDeleteFilesSetting();
    ReadSpectatorState();
}

void CLauncherDlg::OnFolderLabelClick()
{
    ShellExecuteA(hwnd(), "open", state_.env.simFolder.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

bool CLauncherDlg::OnCommand(int id, int code, HWND control)
{
    switch (id) {
    case IDC_REFRESH:
        RefreshCommand();
        return true;
    case IDOK: {
        // Enter on the Refresh button refreshes; on a download list (but the
        // sims list) it downloads the current tab's selection.
        HWND focus = GetFocus();
        if (focus == Item(IDC_REFRESH))
            RefreshCommand();
        else if (focus && GetParent(focus) == hwnd() && EnterDownloads(GetDlgCtrlID(focus)))
            DownloadSelected(DownloadLists()[CurrentTab()], false);
        return true;
    }
    case IDC_DOWNLOAD_SIMS:
    case IDC_DOWNLOAD_TRACKS:
    case IDC_DOWNLOAD_CARS:
    case IDC_DOWNLOAD_MODS:
    case IDC_DOWNLOAD_SETUPS:
        DownloadSelected(*ListOfButton(id), false);
        return true;
    case ID_LIST_DOWNLOAD:
        DownloadSelected(DownloadLists()[CurrentTab()], false);
        return true;
    case ID_LIST_REMOVE:
        DownloadSelected(DownloadLists()[CurrentTab()], true);
        return true;
    case ID_MARK_CURRENT:
        MarkSelectedAsCurrent(DownloadLists()[CurrentTab()]);
        return true;
    case ID_VERIFY_FILES:
        VerifySelected(DownloadLists()[CurrentTab()]);
        return true;
    case ID_VERIFY_ITEMS:
        VerifyEventItems();
        return true;
    case ID_COPY_SHORTCUT:
        CopyShortcut(DownloadLists()[CurrentTab()]);
        return true;
    case IDC_LAUNCH:
        PrepareAndLaunch(true, true);
        return true;
    case ID_DOWNLOAD_ITEMS:
        PrepareAndLaunch(false, false);
        return true;
    case ID_DOWNLOAD_AND_LAUNCH:
        PrepareAndLaunch(false, true);
        return true;
    case ID_SERVER_INFO:
        ShowMessage(ServerInfoText(*GetSelectedEvent()), MB_ICONINFORMATION);
        return true;
    case ID_SERIES_PAGE:
        OpenSeriesPage(openAddress_, *GetSelectedEvent());
        return true;
    case ID_ASSIGN_PROFILE:
        AssignProfileToEvent();
        return true;
    case ID_COPY_JOIN_LINK:
        if (GetSelectedEvent() != &state_.localEvent) PutTextOnClipboard(JoinLinkFor(GetSelectedEvent()->ID));
        return true;
    case IDC_TEAMSPEAK:
        OpenTeamSpeak(openAddress_, *GetSelectedEvent());
        return true;
    case IDC_WEBSITE:
        OpenWebsite(openAddress_);
        return true;
    case IDC_DOWNLOADS_TOGGLE:
        OnDownloadsToggle();
        return true;
    case IDC_SPECTATOR:
        OnSpectatorToggle();
        return true;
    case IDC_OPTIONS:
        OnOptions();
        return true;
    case IDC_SELECT_ALL:
        ApplySelectAll();
        return true;
    case IDC_SIM_FOLDER:
        if (code == STN_CLICKED) OnFolderLabelClick();
        return true;
    default:
        return CDialog::OnCommand(id, code, control);
    }
}

bool CLauncherDlg::OnNotify(NMHDR* header, LRESULT* result)
{
    const int id = static_cast<int>(header->idFrom);
    switch (header->code) {
    case NM_CUSTOMDRAW:
        if (!FindDownloadList(id)) return false;
        *result = OnListCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW*>(header));
        return true;
    case LVN_COLUMNCLICK:
        OnListColumnClick(id, reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
        return true;
    case LVN_ITEMCHANGED: {
        const auto* change = reinterpret_cast<NMLISTVIEW*>(header);
        if (id != IDC_EVENT_LIST || !(change->uChanged & LVIF_STATE)) return false;
        const bool gained = (change->uNewState & LVIS_SELECTED) && !(change->uOldState & LVIS_SELECTED);
        const bool lost = !(change->uNewState & LVIS_SELECTED) && (change->uOldState & LVIS_SELECTED);
        // A selection cleared leaves the local entry selected, as it were.
        if (gained || (lost && ListView_GetSelectedCount(List(IDC_EVENT_LIST)) == 0)) OnEventSelectionChanged();
        return false;
    }
    case NM_DBLCLK:
        if (id == IDC_EVENT_LIST) {
            PrepareAndLaunch(true, true);
            return true;
        }
        if (const DownloadListSpec* list = FindDownloadList(id)) {
            DownloadSelected(*list, false);
            return true;
        }
        return false;
    case NM_RCLICK:
        if (id == IDC_EVENT_LIST) {
            OnEventRightClick(reinterpret_cast<NMITEMACTIVATE*>(header)->iItem);
            return true;
        }
        if (const DownloadListSpec* list = FindDownloadList(id)) {
            OnListRightClick(*list, reinterpret_cast<NMITEMACTIVATE*>(header)->iItem);
            return true;
        }
        return false;
    case TCN_SELCHANGE:
        if (id != IDC_DOWNLOAD_TABS) return false;
        OnTabChanged();
        return true;
    default:
        return false;
    }
}

INT_PTR CLauncherDlg::Route(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!IsCommandMessage(message, wParam, lParam)) return CDialog::Route(message, wParam, lParam);
    // One command at a time: whatever arrives while one runs (a click
    // dispatched by its message pump or by a message box's loop) is dropped.
    if (CommandScope::Running()) return FALSE;
    INT_PTR result = FALSE;
    {
        CommandScope command(hwnd());
        result = CDialog::Route(message, wParam, lParam);
    }
    // A join link that came meanwhile runs now.
    if (pendingLinkId_ && hwnd()) PostMessageA(hwnd(), kRunJoinLinkMessage, 0, 0);
    return result;
}

INT_PTR CLauncherDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool* handled)
{
    switch (message) {
    case kSelectAllKeyMessage:
        OnSelectAllKey(wParam != 0);
        *handled = true;
        return TRUE;
    case kRunJoinLinkMessage:
        RunJoinLink();
        *handled = true;
        return TRUE;
    case WM_COPYDATA: {
        // A launcher started meanwhile hands over its link.
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (!data || data->dwData != kJoinLinkCopyTag) return 0;
        HandJoinLink(std::string(static_cast<const char*>(data->lpData), data->cbData));
        *handled = true;
        return TRUE;
    }
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) != IDM_ABOUTBOX) return 0;
        CAboutDlg().DoModal(hwnd());
        *handled = true;
        return TRUE;
    case WM_CTLCOLORSTATIC: {
        // The texts lie straight on the window's background picture.
        const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
        if (id != IDC_TIME_ZONE && id != IDC_SIM_FOLDER && (id < IDC_LEGEND_RED || id > IDC_LEGEND_BOLD)) return 0;
        *handled = true;
        return reinterpret_cast<INT_PTR>(TransparentStaticBrush(reinterpret_cast<HDC>(wParam)));
    }
    case WM_CTLCOLORDLG:
        if (!backgroundBrush_) {
            const GdiObject pattern(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_BACKGROUND),
                                               IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
            backgroundBrush_.reset(CreatePatternBrush(static_cast<HBITMAP>(pattern.get())));
        }
        *handled = true;
        return reinterpret_cast<INT_PTR>(backgroundBrush_.get());
    default:
        return 0;
    }
}

void CLauncherDlg::OnDestroy()
{
    if (g_keyWindow == this) {
        if (g_charHook) UnhookWindowsHookEx(g_charHook);
        g_charHook = nullptr;
        g_keyWindow = nullptr;
    }
    SaveColumnWidths();
    RemovePropA(hwnd(), kMainWindowProperty);
    SetMessageOwner(nullptr);
}

void CLauncherDlg::HandJoinLink(const std::string& link)
{
    const int id = ParseJoinLink(link);
    if (!id) return;
    pendingLinkId_ = id;
    if (hwnd()) PostMessageA(hwnd(), kRunJoinLinkMessage, 0, 0);
}

void CLauncherDlg::RunJoinLink()
{
    const int id = std::exchange(pendingLinkId_, 0);
    if (!id) return;
    if (GetTickCount64() - lastRefreshTick_ >= kFreshRowsMs) RefreshCommand();
    HWND events = List(IDC_EVENT_LIST);
    const int row = FindRowByEventId(events, id);
    if (row < 0) {
        ShowMessage("The event " + std::to_string(id) + " of the link is not in the league's schedule.",
                    MB_OK | MB_ICONWARNING);
        return;
    }
    ListView_SetItemState(events, -1, 0, LVIS_SELECTED);
    ListView_SetItemState(events, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(events, row, FALSE);
    OnEventSelectionChanged();
    PrepareAndLaunch(true, true);
}
