#pragma once
#include <string>

#include "app/Startup.h"
#include "ui/Dialog.h"

// The main window: owns the launcher's state for the life of the program and
// maps the user's clicks to the operations of the subsystems.
class CLauncherDlg : public CDialog {
public:
    // Settles folders, league, installation number and profiles.
    // modulePath and documentsFolder are the launcher's path and the user's
    // documents folder (empty when unknown).
    CLauncherDlg(const std::string& modulePath, const std::string& documentsFolder);

    LauncherEnvironment& Environment() { return env_; }
    const LauncherEnvironment& Environment() const { return env_; }
    // The address the events file is fetched from.
    const std::string& EventsAddress() const { return eventsAddress_; }

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool* handled) override;

private:
    LauncherEnvironment env_;
    std::string eventsAddress_;
};
