#include "ui/LauncherApp.h"

#include <commctrl.h>
#include <ole2.h>

#include "app/MessageBox.h"
#include "ui/LauncherDlg.h"

bool CLauncherApp::InitInstance(const StartupHooks& hooks)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES | ICC_BAR_CLASSES |
                                                          ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    // A launcher busy with a long download must not be turned into a ghost window.
    using DisableGhosting = void(WINAPI*)();
    if (HMODULE user32 = GetModuleHandleA("user32.dll")) {
        if (auto disable = reinterpret_cast<DisableGhosting>(GetProcAddress(user32, "DisableProcessWindowsGhosting")))
            disable();
    }
    OleInitialize(nullptr);

    const std::string modulePath = ModuleFilePath();
    CLauncherDlg dialog(modulePath, DocumentsFolder());
    if (RunStartupChecks(modulePath, hooks, &dialog.Environment().dedicated) == StartupVerdict::Exit) return false;
    dialog.DoModal();
    SetMessageOwner(nullptr);
    return false;
}
