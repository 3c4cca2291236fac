#pragma once
#include <string>
#include <vector>

#include "resources/resource.h"
#include "ui/Dialog.h"

// The player's Options dialog: one sim profile's settings, written as soon
// as a control changes, and the launcher's own options, stored at OK.
class COptionsDlg : public CDialog {
public:
    COptionsDlg(const std::string& simFolder, int installation, const std::vector<std::string>& profiles);

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    void OnDestroy() override;

private:
    void FillLists();
    void SelectDefaultProfile();
    void ShowLauncherOptions();
    void OnProfileChanged();
    void ShowFrameRate(const std::string& value);
    void OnRearViewChanged();
    void OnFrameRateChanged();
    void OnOk();

    // The selected profile's name; empty for the empty entry or none.
    std::string SelectedProfile() const;

    std::string simFolder_;
    int installation_;
    std::vector<std::string> profiles_;  // a copy: the window's list is rebuilt after the dialog
    std::string shownFrameRate_;         // the limit as the chosen profile's file gave it
    HWND previousMessageOwner_ = nullptr;
};
