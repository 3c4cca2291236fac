#pragma once
#include <string>
#include <vector>

#include "ui/Dialog.h"

// "Select Profile": which of the sim's profiles the launcher uses for the
// events of one league.
class CSelectProfileDlg : public CDialog {
public:
    CSelectProfileDlg(int installation, int league, const std::vector<std::string>& profiles);

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    std::string SelectedText() const;

    int installation_;
    int league_;
    std::vector<std::string> profiles_;
};
