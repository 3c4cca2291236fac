#include <windows.h>
#include <commctrl.h>

#include <string>
#include <utility>
#include <vector>

#include "resources/resource.h"
#include "tests/support/TestEnv.h"
#include "tests/support/TestPixels.h"
#include "ui/FlatButton.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kHover = 0x00EEEE;
constexpr COLORREF kDownloadsGrey = 0xEBEBEB;

struct DialogLog {
    std::vector<std::pair<int, int>> commands;  // control id, notification code
    bool transparentStatics = false;
};

INT_PTR CALLBACK RecordingDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        return FALSE;
    }
    auto* log = reinterpret_cast<DialogLog*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (!log) return FALSE;
    if (message == WM_COMMAND) {
        log->commands.emplace_back(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    }
    if (message == WM_CTLCOLORSTATIC && log->transparentStatics)
        return reinterpret_cast<INT_PTR>(TransparentStaticBrush(reinterpret_cast<HDC>(wParam), RGB(0, 0, 0)));
    return FALSE;
}

// The client area of a window as WM_PRINTCLIENT paints it over a background
// of prefill.
class Picture {
public:
    Picture(HWND window, COLORREF prefill)
    {
        RECT client;
        GetClientRect(window, &client);
        width_ = client.right;
        height_ = client.bottom;
        pixels_ = PaintedPixels(width_, height_, [&](HDC dc) {
            HBRUSH fill = CreateSolidBrush(prefill);
            FillRect(dc, &client, fill);
            DeleteObject(fill);
            SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
        });
    }

    int Width() const { return width_; }
    int Height() const { return height_; }
    COLORREF At(int x, int y) const { return pixels_[y * width_ + x]; }
    // The pixel just inside the border at the top left, outside the focus frame.
    COLORREF Corner() const { return At(1, 1); }
    std::vector<COLORREF> Region(int left, int top, int right, int bottom) const
    {
        std::vector<COLORREF> region;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x) region.push_back(At(x, y));
        return region;
    }
    int Count(COLORREF color) const
    {
        int count = 0;
        for (COLORREF pixel : pixels_) count += pixel == color;
        return count;
    }
    int LongestRow(COLORREF color) const
    {
        int longest = 0;
        for (int y = 0; y < height_; ++y) {
            int run = 0;
            for (int x = 0; x < width_; ++x) {
                run = At(x, y) == color ? run + 1 : 0;
                if (run > longest) longest = run;
            }
        }
        return longest;
    }

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<COLORREF> pixels_;
};

std::string TooltipText(HWND tooltip, HWND button)
{
    char text[256] = {};
    TOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.hwnd = GetParent(button);
    tool.uId = reinterpret_cast<UINT_PTR>(button);
    tool.lpszText = text;
    SendMessageA(tooltip, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
    return text;
}

class FlatButtonTest : public LauncherTest {
protected:
    void SetUp() override
    {
        LauncherTest::SetUp();
        dialog_ = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_LAUNCHER_DIALOG), nullptr,
                                     RecordingDialogProc, reinterpret_cast<LPARAM>(&log_));
        ASSERT_NE(dialog_, nullptr) << GetLastError();
        // Start with the focus away from every button.
        SetFocus(Item(IDC_EVENT_LIST));
    }
    void TearDown() override
    {
        if (dialog_) DestroyWindow(dialog_);
        LauncherTest::TearDown();
    }
    HWND Item(int id) const { return GetDlgItem(dialog_, id); }
    int Notifications(int id, int code) const
    {
        int count = 0;
        for (const auto& command : log_.commands) count += command.first == id && command.second == code;
        return count;
    }
    void Click(HWND window) { SendMessageA(window, BM_CLICK, 0, 0); }

    HWND dialog_ = nullptr;
    DialogLog log_;
};

TEST_F(FlatButtonTest, ClicksStillReachTheDialog)
{
    const struct {
        int id;
        int icon;
        bool twoState;
    } buttons[] = {
        {IDC_REFRESH, IDI_REFRESH, false},
        {IDC_DOWNLOAD_TRACKS, IDI_DOWNLOAD, false},
        {IDC_DOWNLOADS_TOGGLE, IDI_DOWNLOADS, true},
        {IDC_SPECTATOR, IDI_DRIVE, true},
    };
    for (const auto& entry : buttons) {
        CFlatButton button;
        ASSERT_TRUE(button.Attach(Item(entry.id))) << entry.id;
        button.SetIcon(entry.icon);
        button.SetTwoState(entry.twoState);
        Click(Item(entry.id));
        Click(Item(entry.id));
        EXPECT_EQ(Notifications(entry.id, BN_CLICKED), 2) << entry.id;
    }
}

TEST_F(FlatButtonTest, TwoStateButtonsToggleOnClick)
{
    // The Downloads toggle is a check button already; Refresh is a push
    // button, which must learn to keep a state.
    for (int id : {IDC_DOWNLOADS_TOGGLE, IDC_REFRESH}) {
        CFlatButton button;
        ASSERT_TRUE(button.Attach(Item(id)));
        button.SetTwoState(true);
        EXPECT_FALSE(button.Checked()) << id;
        Click(Item(id));
        EXPECT_TRUE(button.Checked()) << id;
        EXPECT_EQ(SendMessageA(Item(id), BM_GETCHECK, 0, 0), BST_CHECKED) << id;
        Click(Item(id));
        EXPECT_FALSE(button.Checked()) << id;

        button.SetChecked(true);
        EXPECT_EQ(SendMessageA(Item(id), BM_GETCHECK, 0, 0), BST_CHECKED) << id;
        SendMessageA(Item(id), BM_SETCHECK, BST_UNCHECKED, 0);
        EXPECT_FALSE(button.Checked()) << id;
        EXPECT_EQ(Notifications(id, BN_CLICKED), 2) << id;
    }
}

TEST_F(FlatButtonTest, HoverColourFollowsThePointer)
{
    CFlatButton button;
    ASSERT_TRUE(button.Attach(Item(IDC_LAUNCH)));
    button.SetIcon(IDI_LAUNCH);
    button.SetColors(kWhite, kHover, kWhite);
    EXPECT_FALSE(button.Hovering());
    EXPECT_EQ(button.CurrentBackground(), kWhite);
    EXPECT_EQ(Picture(Item(IDC_LAUNCH), 0).Corner(), kWhite);

    SendMessageA(Item(IDC_LAUNCH), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(button.Hovering());
    EXPECT_EQ(button.CurrentBackground(), kHover);
    EXPECT_EQ(Picture(Item(IDC_LAUNCH), 0).Corner(), kHover);

    SendMessageA(Item(IDC_LAUNCH), WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(button.Hovering());
    EXPECT_EQ(button.CurrentBackground(), kWhite);
    EXPECT_EQ(Picture(Item(IDC_LAUNCH), 0).Corner(), kWhite);
}

TEST_F(FlatButtonTest, FocusColourGivesWayToHover)
{
    constexpr COLORREF kFocused = RGB(0x12, 0x34, 0x56);
    CFlatButton button;
    ASSERT_TRUE(button.Attach(Item(IDC_OPTIONS)));
    button.SetColors(kWhite, kHover, kFocused);

    SetFocus(Item(IDC_OPTIONS));
    ASSERT_EQ(GetFocus(), Item(IDC_OPTIONS));
    EXPECT_EQ(button.CurrentBackground(), kFocused);
    EXPECT_EQ(Picture(Item(IDC_OPTIONS), 0).Corner(), kFocused);
    SendMessageA(Item(IDC_OPTIONS), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(button.CurrentBackground(), kHover);
    SendMessageA(Item(IDC_OPTIONS), WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(button.CurrentBackground(), kFocused);
    SetFocus(Item(IDC_EVENT_LIST));
    EXPECT_EQ(button.CurrentBackground(), kWhite);
    EXPECT_EQ(Picture(Item(IDC_OPTIONS), 0).Corner(), kWhite);
}

TEST_F(FlatButtonTest, DownloadsColoursHoldInEveryState)
{
    HWND window = Item(IDC_DOWNLOADS_TOGGLE);
    CFlatButton button;
    ASSERT_TRUE(button.Attach(window));
    button.SetIcon(IDI_DOWNLOADS);
    button.SetTwoState(true);
    button.SetColors(kDownloadsGrey, kDownloadsGrey, kDownloadsGrey);

    EXPECT_EQ(Picture(window, 0).Corner(), kDownloadsGrey) << "normal";
    SetFocus(window);
    EXPECT_EQ(Picture(window, 0).Corner(), kDownloadsGrey) << "focused";
    SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(Picture(window, 0).Corner(), kDownloadsGrey) << "hover";
    button.SetChecked(true);
    EXPECT_EQ(Picture(window, 0).Corner(), kDownloadsGrey) << "checked";
    EXPECT_EQ(button.CurrentBackground(), kDownloadsGrey);
}

TEST_F(FlatButtonTest, CheckedTwoStateButtonLooksPressed)
{
    HWND window = Item(IDC_DOWNLOADS_TOGGLE);
    CFlatButton button;
    ASSERT_TRUE(button.Attach(window));
    button.SetTwoState(true);
    const Picture up(window, 0);
    button.SetChecked(true);
    const Picture down(window, 0);
    EXPECT_NE(up.At(0, 0), down.At(0, 0)) << "border";
    EXPECT_EQ(up.Corner(), down.Corner()) << "background";

    // Without the two-state look a checked button is drawn like an unchecked one.
    button.SetTwoState(false);
    EXPECT_EQ(Picture(window, 0).At(0, 0), up.At(0, 0));
}

TEST_F(FlatButtonTest, SpectatorToggleShowsTheIconOfItsState)
{
    HWND window = Item(IDC_SPECTATOR);
    CFlatButton button;
    ASSERT_TRUE(button.Attach(window));
    const Picture blank(window, 0);
    auto iconArea = [](const Picture& picture) {
        return picture.Region(4, 4, picture.Width() - 4, picture.Height() - 4);
    };

    button.SetIcons(IDI_SPECTATE, IDI_DRIVE);
    button.SetChecked(true);
    const Picture checkedBoth(window, 0);
    EXPECT_NE(iconArea(checkedBoth), iconArea(blank)) << "an icon is drawn";
    button.SetIcons(IDI_SPECTATE, IDI_SPECTATE);
    EXPECT_EQ(iconArea(Picture(window, 0)), iconArea(checkedBoth)) << "checked shows the first icon";

    button.SetChecked(false);
    const Picture uncheckedSpectate(window, 0);
    button.SetIcons(IDI_SPECTATE, IDI_DRIVE);
    const Picture uncheckedDrive(window, 0);
    EXPECT_NE(iconArea(uncheckedDrive), iconArea(uncheckedSpectate)) << "unchecked shows the second icon";
    button.SetIcons(IDI_DRIVE, IDI_DRIVE);
    EXPECT_EQ(iconArea(Picture(window, 0)), iconArea(uncheckedDrive));
}

TEST_F(FlatButtonTest, TooltipHoldsItsText)
{
    const std::string texts[] = {
        "Refresh list of races and downloads",
        "Download all selected tracks. Use CTRL+click to select multiple items. Double-click also works!",
        "Drive or spectate",
    };
    HWND window = Item(IDC_DOWNLOAD_TRACKS);
    CFlatButton button;
    ASSERT_TRUE(button.Attach(window));
    for (const std::string& text : texts) {
        button.SetTooltip(text);
        ASSERT_NE(button.Tooltip(), nullptr);
        EXPECT_EQ(SendMessageA(button.Tooltip(), TTM_GETTOOLCOUNT, 0, 0), 1);
        // TTM_GETTEXTA hands back only about 80 bytes, however long the tip.
        EXPECT_EQ(TooltipText(button.Tooltip(), window).substr(0, 79), text.substr(0, 79));
    }
    HWND tooltip = button.Tooltip();
    button.SetTooltip("");
    EXPECT_EQ(button.Tooltip(), nullptr);
    EXPECT_FALSE(IsWindow(tooltip));
}

TEST_F(FlatButtonTest, HiddenButtonsStayHiddenAndShownOnesShown)
{
    ShowWindow(Item(IDC_TEAMSPEAK), SW_HIDE);
    for (int id : {IDC_TEAMSPEAK, IDC_DOWNLOADS_TOGGLE}) {
        HWND window = Item(id);
        const bool visible = IsWindowVisible(window) != FALSE;
        CFlatButton button;
        ASSERT_TRUE(button.Attach(window));
        button.SetIcon(IDI_TEAMSPEAK);
        button.SetTooltip("Connect to TeamSpeak");
        button.SetTwoState(true);
        button.SetChecked(true);
        Click(window);
        SetFocus(window);
        SetFocus(Item(IDC_EVENT_LIST));
        EnableWindow(window, FALSE);
        EnableWindow(window, TRUE);
        SetWindowTextA(window, "Other");
        EXPECT_EQ(IsWindowVisible(window) != FALSE, visible) << id;
    }
    EXPECT_FALSE(IsWindowVisible(Item(IDC_TEAMSPEAK)));
}

TEST_F(FlatButtonTest, ButtonDestroyedBeforeItsDresser)
{
    CFlatButton button;
    ASSERT_TRUE(button.Attach(Item(IDC_WEBSITE)));
    button.SetTooltip("Go to ZANT web site");
    HWND tooltip = button.Tooltip();
    ASSERT_TRUE(IsWindow(tooltip));

    CFlatButton second;
    EXPECT_FALSE(second.Attach(Item(IDC_WEBSITE))) << "one dresser per button";

    DestroyWindow(dialog_);
    dialog_ = nullptr;
    EXPECT_EQ(button.hwnd(), nullptr);
    EXPECT_EQ(button.Tooltip(), nullptr);
    EXPECT_FALSE(IsWindow(tooltip));
    EXPECT_FALSE(button.Checked());
}

TEST_F(FlatButtonTest, DetachedButtonCanBeDressedAgain)
{
    HWND window = Item(IDC_WEBSITE);
    {
        CFlatButton first;
        ASSERT_TRUE(first.Attach(window));
    }
    CFlatButton second;
    ASSERT_TRUE(second.Attach(window));
    second.SetColors(kHover, kHover, kHover);
    EXPECT_EQ(Picture(window, 0).Corner(), kHover);
}

TEST_F(FlatButtonTest, FolderLabelActsAsALink)
{
    HWND label = Item(IDC_SIM_FOLDER);
    // Attaching must make the label notify even when its template forgot to.
    SetWindowLongPtrA(label, GWL_STYLE, GetWindowLongPtrA(label, GWL_STYLE) & ~static_cast<LONG_PTR>(SS_NOTIFY));
    CLinkStatic link;
    ASSERT_TRUE(link.Attach(label));
    SetWindowTextA(label, "C:\\Games\\Sim\\");

    SendMessageA(label, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageA(label, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(Notifications(IDC_SIM_FOLDER, STN_CLICKED), 1);

    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    SendMessageA(label, WM_SETCURSOR, reinterpret_cast<WPARAM>(label), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_HAND));

    // Underlined: a long unbroken row of link colour, which letters alone never give.
    const Picture picture(label, kWhite);
    EXPECT_GE(picture.LongestRow(CLinkStatic::kLinkColor), 30);
}

TEST_F(FlatButtonTest, TransparentStaticsKeepTheDialogBackground)
{
    constexpr COLORREF kBehind = RGB(0, 200, 0);
    log_.transparentStatics = true;
    const Picture legend(Item(IDC_LEGEND_RED), kBehind);
    EXPECT_EQ(legend.At(0, 0), kBehind);
    EXPECT_GT(legend.Count(RGB(0, 0, 0)), 0) << "the text is drawn";

    CLinkStatic link;
    ASSERT_TRUE(link.Attach(Item(IDC_SIM_FOLDER)));
    SetWindowTextA(Item(IDC_SIM_FOLDER), "C:\\Games\\Sim\\");
    const Picture label(Item(IDC_SIM_FOLDER), kBehind);
    EXPECT_EQ(label.At(label.Width() - 1, 0), kBehind);
    EXPECT_GT(label.Count(CLinkStatic::kLinkColor), 0);
}

}  // namespace
