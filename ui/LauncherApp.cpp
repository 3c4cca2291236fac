#include "ui/LauncherApp.h"

#include <commctrl.h>
#include <ole2.h>

#include "app/Handles.h"
#include "app/JoinLink.h"
#include "app/MessageBox.h"
#include "ui/LauncherDlg.h"

namespace {

// How long a second start looks for the first one's window, which may still
// be coming up.
constexpr DWORD kFindRunningLauncherMs = 10000;

}  // namespace

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

    // One launcher at a time: a second start hands its link to the first
    // and ends before it shows anything.
    const std::string link = JoinLinkArgument();
    UniqueHandle running(CreateMutexA(nullptr, FALSE, kSingleLauncherMutex));
    if (GetLastError() == ERROR_ALREADY_EXISTS && HandToRunningLauncher(link, kFindRunningLauncherMs)) return false;

    const std::string modulePath = ModuleFilePath();
    RegisterLinkScheme(modulePath);
    CLauncherDlg dialog(modulePath, DocumentsFolder());
    dialog.HandJoinLink(link);
    if (RunStartupChecks(modulePath, hooks, &dialog.Environment().dedicated) == StartupVerdict::Exit) return false;
    dialog.DoModal();
    SetMessageOwner(nullptr);
    return false;
}
