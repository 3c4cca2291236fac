#include <string>

#include "app/Handles.h"
#include "app/JoinLink.h"
#include "app/Settings.h"
#include "resources/resource.h"
#include "tests/support/TestEnv.h"
#include "tests/support/TestHttpServer.h"
#include "ui/LauncherDlg.h"

namespace {

std::string WindowText(HWND window)
{
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

class LauncherWindowTest : public LauncherTest {
protected:
    void SetUp() override
    {
        LauncherTest::SetUp();
        simFolder_ = TempDir() + "Sim\\";
        MakeFolders(simFolder_);
        MakeFolders(TempDir() + "Documents");
        ASSERT_TRUE(http_.Start(80));
        const std::string events = "[Application]\r\nVersion=1.8.3.0\r\n[Schedule]\r\nEvents=0\r\n";
        http_.Serve("/schedule/launcher.php?server=N", events);
        http_.Serve("/schedule/launcher.php?server=Y", events);
    }
    std::string simFolder_;
    TestHttpServer http_;
};

TEST_F(LauncherWindowTest, TitleAndFolderLabel)
{
    CLauncherDlg dialog(simFolder_ + "ZANTLauncher.exe", TempDir() + "Documents");
    ASSERT_TRUE(dialog.Create());
    EXPECT_EQ(WindowText(dialog.hwnd()), "ZANT Launcher 1.8");
    EXPECT_EQ(WindowText(dialog.Item(IDC_SIM_FOLDER)), simFolder_);
    EXPECT_EQ(dialog.EventsAddress(), std::string(kDefaultWebBase) + "/schedule/launcher.php?server=N");
}

TEST_F(LauncherWindowTest, DedicatedModeNamesTheFolderInTheTitle)
{
    CLauncherDlg dialog(simFolder_ + "ZANTLauncher.exe", TempDir() + "Documents");
    dialog.Environment().dedicated = true;
    ASSERT_TRUE(dialog.Create());
    EXPECT_EQ(WindowText(dialog.hwnd()), simFolder_ + " - ZANT Launcher 1.8");
    EXPECT_EQ(dialog.EventsAddress(), std::string(kDefaultWebBase) + "/schedule/launcher.php?server=Y");
    ASSERT_FALSE(http_.Requests().empty());
    EXPECT_EQ(http_.Requests().back().target, "/schedule/launcher.php?server=Y");
    EXPECT_FALSE(IsWindowVisible(dialog.Item(IDC_TEAMSPEAK)));
}

struct FoundWindow {
    DWORD processId;
    HWND window;
};

BOOL CALLBACK FindProcessWindow(HWND window, LPARAM param)
{
    auto* found = reinterpret_cast<FoundWindow*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    // The status popup is a visible dialog of the process too: the main
    // window is the one holding the event list.
    if (owner == found->processId && IsWindowVisible(window) && std::string(className) == "#32770" &&
        GetDlgItem(window, IDC_EVENT_LIST)) {
        found->window = window;
        return FALSE;
    }
    return TRUE;
}

// The real program, copied into a sim folder and started there, opens its
// main window and numbers its installation.
TEST_F(LauncherWindowTest, ProgramStartedFromASimFolderOpensItsWindow)
{
    const std::string exe = simFolder_ + "ZANTLauncher.exe";
    ASSERT_TRUE(CopyFileA(ZANT_LAUNCHER_EXE, exe.c_str(), FALSE)) << ZANT_LAUNCHER_EXE;
    WriteSettingNumber("Count", 3, "Locations");

    STARTUPINFOA startup = {sizeof startup};
    PROCESS_INFORMATION process = {};
    std::string commandLine = "\"" + exe + "\"";
    ASSERT_TRUE(CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                               simFolder_.c_str(), &startup, &process));
    FoundWindow found = {process.dwProcessId, nullptr};
    for (int i = 0; i < 600 && !found.window; ++i) {
        if (WaitForSingleObject(process.hProcess, 50) == WAIT_OBJECT_0) break;
        EnumWindows(FindProcessWindow, reinterpret_cast<LPARAM>(&found));
    }
    if (!found.window) TerminateProcess(process.hProcess, 1);
    ASSERT_NE(found.window, nullptr) << "no main window appeared";
    EXPECT_EQ(WindowText(found.window), "ZANT Launcher 1.8");
    EXPECT_EQ(ReadSettingNumber(simFolder_, 0, "Locations"), 4);
    EXPECT_EQ(ReadSettingNumber("Count", 0, "Locations"), 4);
    // Every start makes sure join links come to this launcher.
    char command[512] = "";
    DWORD size = sizeof command;
    RegGetValueA(HKEY_CLASSES_ROOT, "zant\\shell\\open\\command", nullptr, RRF_RT_REG_SZ, nullptr, command, &size);
    EXPECT_EQ(std::string(command), "\"" + exe + "\" \"%1\"");

    PostMessageA(found.window, WM_CLOSE, 0, 0);
    const bool ended = WaitForSingleObject(process.hProcess, 10000) == WAIT_OBJECT_0;
    EXPECT_TRUE(ended);
    if (!ended) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    RegDeleteTreeA(HKEY_CLASSES_ROOT, "zant");
}

// This test's window is the running launcher: a second start hands it its
// link and ends at once, fetching nothing.
TEST_F(LauncherWindowTest, SecondStartHandsItsLinkToTheFirstAndEnds)
{
    UniqueHandle first(CreateMutexA(nullptr, FALSE, kSingleLauncherMutex));
    CLauncherDlg dialog(simFolder_ + "ZANTLauncher.exe", TempDir() + "Documents");
    ASSERT_TRUE(dialog.Create());
    std::string commandLine = "\"" ZANT_LAUNCHER_EXE "\" zant://event/77";
    STARTUPINFOA startup = {sizeof startup};
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, simFolder_.c_str(),
                               &startup, &process));
    UniqueHandle second(process.hProcess), thread(process.hThread);
    ExpectMessage("The event 77 of the link is not in the league's schedule.");
    for (int i = 0; i < 400 && Messages().empty(); ++i) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    }
    const bool ended = WaitForSingleObject(second.get(), 10000) == WAIT_OBJECT_0;
    EXPECT_TRUE(ended) << "the second start did not end";
    if (!ended) TerminateProcess(second.get(), 1);
    EXPECT_EQ(http_.Requests().size(), 1u);
}

}  // namespace
