#include "tests/support/TestEnv.h"

#include "net/LongWork.h"
#include "net/StatusPopup.h"
#include "resources/resource.h"

namespace {

// The popup thread updates its window twice a second; wait generously for a
// state instead of assuming how long it takes.
template <typename Condition>
bool WaitFor(Condition condition)
{
    for (int i = 0; i < 500; ++i) {
        if (condition()) return true;
        Sleep(10);
    }
    return condition();
}

std::string EditText(HWND popup)
{
    char text[kStatusTextSize * 2] = "";
    GetDlgItemTextA(popup, IDC_STATUS_TEXT, text, sizeof(text));
    return text;
}

class StatusPopupTest : public LauncherTest {
protected:
    void TearDown() override
    {
        ShowStatus(false);
        LauncherTest::TearDown();
    }
};

TEST_F(StatusPopupTest, CloseWithoutPopupDoesNothing)
{
    ShowStatus(false);
    ShowStatus(false, "ignored");
    EXPECT_FALSE(StatusPopupActive());
    EXPECT_EQ(StatusPopupWindow(), nullptr);
}

TEST_F(StatusPopupTest, SecondTextReplacesTheFirstInTheSameWindow)
{
    ShowStatus(true, "Retrieving ZANT events\r\nConnecting to server...");
    ASSERT_TRUE(WaitFor([] { return StatusPopupWindow() != nullptr; })) << "the popup window was not created";
    HWND popup = StatusPopupWindow();

    ShowStatus(true, "Retrieving ZANT events\r\nConnected to server\r\nRequesting file...");
    // The leading line break leaves the first line empty.
    const std::string expected = "\r\nRetrieving ZANT events\r\nConnected to server\r\nRequesting file...";
    EXPECT_TRUE(WaitFor([&] { return EditText(popup) == expected; })) << EditText(popup);
    EXPECT_EQ(StatusPopupWindow(), popup);
    EXPECT_TRUE(IsWindowVisible(popup));

    // A caption-less tool window of its own, not owned by any other window.
    EXPECT_EQ(GetWindow(popup, GW_OWNER), nullptr);
    EXPECT_TRUE(GetWindowLongPtrA(popup, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(GetWindowLongPtrA(popup, GWL_STYLE) & WS_CAPTION & ~WS_BORDER);
    EXPECT_NE(GetWindowThreadProcessId(popup, nullptr), GetCurrentThreadId());

    ShowStatus(false);
    EXPECT_FALSE(StatusPopupActive());
    EXPECT_FALSE(IsWindow(popup));
    EXPECT_EQ(StatusPopupWindow(), nullptr);
}

TEST_F(StatusPopupTest, CloseRightAfterShowEndsThePopup)
{
    for (int i = 0; i < 3; ++i) {
        ShowStatus(true, "Installing\r\nStep " + std::to_string(i));
        ShowStatus(false);
        EXPECT_FALSE(StatusPopupActive());
        EXPECT_EQ(StatusPopupWindow(), nullptr);
    }
}

TEST_F(StatusPopupTest, PaintsWhiteTextOnTheBackgroundBrush)
{
    ShowStatus(true, "Unpacking\r\n");
    ASSERT_TRUE(WaitFor([] { return StatusPopupWindow() != nullptr; }));
    HWND popup = StatusPopupWindow();

    HDC dc = CreateCompatibleDC(nullptr);
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, OPAQUE);
    LRESULT brush = SendMessageA(popup, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                 reinterpret_cast<LPARAM>(GetDlgItem(popup, IDC_STATUS_TEXT)));
    EXPECT_NE(brush, 0) << "no brush from the background bitmap";
    EXPECT_EQ(GetTextColor(dc), RGB(255, 255, 255));
    EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
    EXPECT_EQ(SendMessageA(popup, WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(popup)),
              brush);
    DeleteDC(dc);
}

TEST_F(StatusPopupTest, LongTextsAreCutToFit)
{
    struct Case {
        std::string text;
        std::string stored;
    };
    const std::string a637(637, 'a');
    const Case cases[] = {
        {a637, "\r\n" + a637},
        {a637 + "b", "\r\n" + a637},
        {std::string(2000, 'x'), "\r\n" + std::string(637, 'x')},
        // A cut between "\r" and "\n" drops the whole line break.
        {std::string(636, 'c') + "\r\nnext", "\r\n" + std::string(636, 'c')},
        {"", "\r\n"},
    };
    for (const Case& c : cases) {
        ShowStatus(true, c.text);
        EXPECT_EQ(CurrentStatusText(), c.stored) << c.text.size();
    }
    HWND popup = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (popup = StatusPopupWindow()) != nullptr; }));
    EXPECT_TRUE(WaitFor([&] { return EditText(popup) == "\r\n"; }));
}

// The Cancel button shows while long work offers it; it, Escape and the
// window's close ask the work to stop, and only then.
TEST_F(StatusPopupTest, CancelIsOfferedOnlyWhileWorkCanStop)
{
    ShowStatus(true, "Downloading\r\n");
    HWND popup = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (popup = StatusPopupWindow()) != nullptr; }));
    HWND button = GetDlgItem(popup, IDCANCEL);
    RECT small;
    GetWindowRect(popup, &small);
    EXPECT_FALSE(IsWindowVisible(button));
    SendMessageA(popup, WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(CancelRequested());
    {
        CancelOffer offer;
        ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(button) != FALSE; }));
        RECT grown;
        GetWindowRect(popup, &grown);
        EXPECT_GT(grown.bottom - grown.top, small.bottom - small.top) << "the button sits below the text";
        PostMessageA(button, WM_KEYDOWN, VK_ESCAPE, 0);
        EXPECT_TRUE(WaitFor([] { return CancelRequested(); }));
    }
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(button); }));
}

} // namespace
