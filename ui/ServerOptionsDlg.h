#pragma once
#include <string>

#include "resources/resource.h"
#include "ui/Dialog.h"

// The dedicated server's Options dialog: rules and times written as soon as
// they change, the port and the caution-lap rule at OK.
class CServerOptionsDlg : public CDialog {
public:
    explicit CServerOptionsDlg(const std::string& simFolder);

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    void OnDestroy() override;

private:
    void FillLists();
    void OnOk();

    std::string simFolder_;
    HWND previousMessageOwner_ = nullptr;
};
