#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>

#include "app/IniFile.h"
#include "app/Settings.h"
#include "resources/resource.h"
#include "simconfig/Profiles.h"
#include "tests/support/DialogDriver.h"
#include "tests/support/TestEnv.h"
#include "tests/support/TestHttpServer.h"
#include "ui/LauncherDlg.h"

namespace {

// The modal dialog the Options button opens, found from a timer that its
// modal loop runs; the test's action then closes it.
struct OpenedDialog {
    HWND window = nullptr;
    std::function<void(HWND)> act;
    int ticksSinceAct = 0;
};
constexpr int kTicksToClose = 100;
OpenedDialog g_opened;

BOOL CALLBACK FindOptionsDialog(HWND window, LPARAM)
{
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    if (std::string(className) != "#32770" || !IsWindowVisible(window)) return TRUE;
    if (!GetDlgItem(window, IDC_OPT_PROFILE) && !GetDlgItem(window, IDC_SRV_PORT)) return TRUE;
    g_opened.window = window;
    return FALSE;
}

void CALLBACK ActOnOpenedDialog(HWND, UINT, UINT_PTR, DWORD)
{
    if (g_opened.window) {
        // A dialog the action failed to close must not hang the test.
        if (++g_opened.ticksSinceAct == kTicksToClose && IsWindow(g_opened.window)) {
            ADD_FAILURE() << "the dialog stayed open";
            EndDialog(g_opened.window, IDCANCEL);
        }
        return;
    }
    EnumThreadWindows(GetCurrentThreadId(), FindOptionsDialog, 0);
    if (g_opened.window) g_opened.act(g_opened.window);
}

class OptionsButtonTest : public LauncherTest {
protected:
    void SetUp() override
    {
        LauncherTest::SetUp();
        simFolder_ = TempDir() + "Sim\\";
        MakeProfile("Alex");
        MakeFolders(TempDir() + "Documents");
        ASSERT_TRUE(http_.Start(80));
        const std::string events = "[Application]\r\nVersion=1.8.3.0\r\n[Schedule]\r\nEvents=0\r\n";
        http_.Serve("/schedule/launcher.php?server=N", events);
        http_.Serve("/schedule/launcher.php?server=Y", events);
        g_opened = {};
    }

    void MakeProfile(const std::string& name)
    {
        MakeFolders(simFolder_ + "UserData\\" + name);
        WriteTextFile(ProfileFilePath(simFolder_, name), "[DRIVER]\r\n");
    }

    // Clicks Options; `act` runs inside the dialog's modal loop and must close it.
    HWND ClickOptions(CLauncherDlg& window, std::function<void(HWND)> act)
    {
        g_opened.act = std::move(act);
        const UINT_PTR timer = SetTimer(nullptr, 0, 20, ActOnOpenedDialog);
        SendMessageA(window.Item(IDC_OPTIONS), BM_CLICK, 0, 0);
        KillTimer(nullptr, timer);
        return g_opened.window;
    }

    std::string simFolder_;
    TestHttpServer http_;
};

// Through the modal loop's own dialog-message handling, as a key press goes.
void PostEscape(HWND dialog)
{
    PostMessageA(GetNextDlgTabItem(dialog, nullptr, FALSE), WM_KEYDOWN, VK_ESCAPE, 0);
}

TEST_F(OptionsButtonTest, DedicatedServerGetsTheServerDialog)
{
    CLauncherDlg window(simFolder_ + "ZANTLauncher.exe", TempDir() + "Documents");
    window.Environment().dedicated = true;
    ASSERT_TRUE(window.Create());
    HWND opened = ClickOptions(window, [](HWND dialog) {
        EXPECT_NE(GetDlgItem(dialog, IDC_SRV_PORT), nullptr) << "the server dialog";
        EXPECT_EQ(GetDlgItem(dialog, IDC_OPT_PROFILE), nullptr) << "never the player dialog";
        PostEscape(dialog);
    });
    EXPECT_NE(opened, nullptr);
    EXPECT_FALSE(IsWindow(opened)) << "Escape closed it";
    EXPECT_TRUE(IsWindowEnabled(window.hwnd()));
}

TEST_F(OptionsButtonTest, PlayerDialogThenProfilesProgramAndSpectatorAreReread)
{
    WriteSettingText("Profile1", "Alex", "Options");
    CLauncherDlg window(simFolder_ + "ZANTLauncher.exe", TempDir() + "Documents");
    ASSERT_TRUE(window.Create());
    EXPECT_EQ(window.State().env.installation.programName, "VORA.exe");
    EXPECT_EQ(IsDlgButtonChecked(window.hwnd(), IDC_SPECTATOR), BST_UNCHECKED);

    HWND opened = ClickOptions(window, [this](HWND dialog) {
        EXPECT_NE(GetDlgItem(dialog, IDC_OPT_PROFILE), nullptr) << "the player dialog";
        EXPECT_EQ(GetDlgItem(dialog, IDC_SRV_PORT), nullptr);
        MakeProfile("Sam");  // a profile the sim made meanwhile
        ClickItem(dialog, IDC_OPT_SPECTATOR);
        CheckDlgButton(dialog, IDC_OPT_4GB_EXE, BST_CHECKED);
        ClickItem(dialog, IDOK);
    });
    EXPECT_NE(opened, nullptr);
    EXPECT_FALSE(IsWindow(opened));
    std::vector<std::string> profiles = window.State().profiles;
    std::sort(profiles.begin(), profiles.end());
    EXPECT_EQ(profiles, (std::vector<std::string>{"Alex", "Sam"}));
    EXPECT_EQ(window.State().env.installation.programName, "VORA4GB.exe");
    EXPECT_EQ(IsDlgButtonChecked(window.hwnd(), IDC_SPECTATOR), BST_CHECKED);
    EXPECT_EQ(ReadIniText(MultiplayerFilePath(simFolder_, "Alex"), "Multiplayer General Options", "Spectator Mode"),
              "\"1\" // Join games in spectator mode (rather than with a separate vehicle)");
}

}  // namespace
