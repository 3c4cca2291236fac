#include "ui/SelectProfileDlg.h"

#include "launch/EventCommands.h"
#include "resources/resource.h"

CSelectProfileDlg::CSelectProfileDlg(int installation, int league, const std::vector<std::string>& profiles)
    : CDialog(IDD_SELECT_PROFILE), installation_(installation), league_(league), profiles_(profiles)
{
}

BOOL CSelectProfileDlg::OnInitDialog()
{
    const ProfileChoices choices = ProfileChoicesForLeague(installation_, league_, profiles_);
    HWND list = Item(IDC_PROFILE_CHOICE);
    for (const std::string& entry : choices.entries)
        SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    // The list is sorted, and its own search ignores case: find the entry by
    // its exact text.
    const int count = static_cast<int>(SendMessageA(list, CB_GETCOUNT, 0, 0));
    for (int index = 0; index < count; ++index) {
        SendMessageA(list, CB_SETCURSEL, index, 0);
        if (SelectedText() == choices.selected) break;
    }
    return TRUE;
}

std::string CSelectProfileDlg::SelectedText() const
{
    HWND list = Item(IDC_PROFILE_CHOICE);
    const LRESULT index = SendMessageA(list, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) return "";
    std::string text(static_cast<size_t>(SendMessageA(list, CB_GETLBTEXTLEN, index, 0)) + 1, '\0');
    SendMessageA(list, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(&text[0]));
    return text.c_str();
}

bool CSelectProfileDlg::OnCommand(int id, int code, HWND control)
{
    if (id == IDOK) AssignProfile(installation_, league_, SelectedText());
    return CDialog::OnCommand(id, code, control);
}
