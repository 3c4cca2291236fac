// Shows one of the launcher's option dialogs over a sim folder, near the
// screen's top left corner, for the README's screenshots
// (scripts/screenshots.sh). Prints the dialog's screen rectangle as
// "WIDTHxHEIGHT+LEFT+TOP" and closes it after the given number of seconds.
// Usage: zant_dialogshot.exe options|server SIMFOLDER\ SECONDS
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/Settings.h"
#include "simconfig/Profiles.h"
#include "ui/OptionsDlg.h"
#include "ui/ServerOptionsDlg.h"

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: zant_dialogshot options|server SIMFOLDER\\ SECONDS\n");
        return 2;
    }
    const std::string which = argv[1];
    const std::string simFolder = argv[2];
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    std::unique_ptr<CDialog> dialog;
    if (which == "server") {
        dialog = std::make_unique<CServerOptionsDlg>(simFolder);
    } else {
        const std::vector<std::string> profiles = EnumerateProfiles(simFolder);
        // Shown with a profile chosen, as a player sees it.
        if (!profiles.empty()) WriteSettingText("Profile1", profiles.front(), "Options");
        dialog = std::make_unique<COptionsDlg>(simFolder, 1, profiles);
    }
    if (!dialog->Create()) {
        std::fprintf(stderr, "the dialog could not be created\n");
        return 1;
    }
    SetWindowPos(dialog->hwnd(), HWND_TOP, 20, 20, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    RECT rect;
    GetWindowRect(dialog->hwnd(), &rect);
    std::printf("%ldx%ld+%ld+%ld\n", rect.right - rect.left, rect.bottom - rect.top, rect.left, rect.top);
    std::fflush(stdout);

    SetTimer(nullptr, 0, static_cast<UINT>(std::atoi(argv[3])) * 1000, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER && !message.hwnd) break;
        if (!IsDialogMessageA(dialog->hwnd(), &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return 0;
}
