#include "ui/LauncherDlg.h"

#include "resources/resource.h"
#include "ui/AboutDlg.h"

CLauncherDlg::CLauncherDlg(const std::string& modulePath, const std::string& documentsFolder)
    : CDialog(IDD_LAUNCHER_DIALOG), env_(SettleEnvironment(modulePath, documentsFolder))
{
    eventsAddress_ = env_.defaultLeague.webBase + "/schedule/launcher.php?server=N";
}

BOOL CLauncherDlg::OnInitDialog()
{
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

    const std::string title = env_.dedicated
                                  ? env_.simFolder + " - ZANT Launcher " ZANT_VERSION_TEXT
                                  : std::string("ZANT Launcher " ZANT_VERSION_TEXT);
    SetWindowTextA(hwnd(), title.c_str());
    if (env_.dedicated) eventsAddress_.back() = 'Y';
    SetDlgItemTextA(hwnd(), IDC_SIM_FOLDER, env_.simFolder.c_str());
    return TRUE;
}

bool CLauncherDlg::OnCommand(int id, int code, HWND control)
{
    return CDialog::OnCommand(id, code, control);
}

INT_PTR CLauncherDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool* handled)
{
    if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg().DoModal(hwnd());
        *handled = true;
        return TRUE;
    }
    return 0;
}
