#include "ui/ServerOptionsDlg.h"

#include "app/MessageBox.h"
#include "simconfig/ServerOptions.h"
#include "ui/ComboBox.h"

namespace {

struct SwitchBox {
    int id;
    ServerSwitch setting;
};

constexpr SwitchBox kSwitchBoxes[] = {
    {IDC_SRV_PRIVATE_QUALIFYING, ServerSwitch::PrivateQualifying},
    {IDC_SRV_IMPOUND, ServerSwitch::Impound},
    {IDC_SRV_MUST_BE_STOPPED, ServerSwitch::MustBeStopped},
    {IDC_SRV_ALLOW_SPECTATORS, ServerSwitch::AllowSpectators},
    {IDC_SRV_SPECTATOR_CHAT, ServerSwitch::AllowSpectatorChat},
};

}  // namespace

CServerOptionsDlg::CServerOptionsDlg(const std::string& simFolder)
    : CDialog(IDD_SERVER_OPTIONS), simFolder_(simFolder)
{
}

BOOL CServerOptionsDlg::OnInitDialog()
{
    previousMessageOwner_ = GetMessageOwner();
    SetMessageOwner(hwnd());
    FillLists();
    const ServerOptions options = ReadServerOptions(simFolder_);
    SetDlgItemTextA(hwnd(), IDC_SRV_PORT, std::to_string(options.port).c_str());
    SendMessageA(Item(IDC_SRV_PRACTICE_START), CB_SETCURSEL, options.practiceStart, 0);
    SendMessageA(Item(IDC_SRV_DELAY_AFTER_RACE), CB_SETCURSEL, options.delayAfterRace, 0);
    Check(IDC_SRV_MUST_BE_STOPPED, options.mustBeStopped);
    Check(IDC_SRV_ALLOW_SPECTATORS, options.allowSpectators);
    Check(IDC_SRV_SPECTATOR_CHAT, options.allowSpectatorChat);
    Check(IDC_SRV_PRIVATE_QUALIFYING, options.privateQualifying);
    Check(IDC_SRV_IMPOUND, options.impound);
    Check(IDC_SRV_CAUTION_LAPS, options.cautionLapsCount);
    return TRUE;
}

void CServerOptionsDlg::OnDestroy()
{
    SetMessageOwner(previousMessageOwner_);
}

void CServerOptionsDlg::FillLists()
{
    for (int choice = 0; choice < kPracticeStartCount; ++choice)
        AddComboText(Item(IDC_SRV_PRACTICE_START), PracticeStartText(choice));
    for (int choice = 0; choice < kDelayChoiceCount; ++choice)
        AddComboText(Item(IDC_SRV_DELAY_AFTER_RACE), DelayText(choice));
}

void CServerOptionsDlg::OnOk()
{
    int port = 0;
    if (!ParseServerPort(WindowText(Item(IDC_SRV_PORT)), &port)) {
        ShowMessage(PortRangeMessage(), MB_OK | MB_ICONEXCLAMATION);
        // The dialog stays open with the field ready for a new port.
        SetFocus(Item(IDC_SRV_PORT));
        SendMessageA(Item(IDC_SRV_PORT), EM_SETSEL, 0, -1);
        return;
    }
    WriteServerPort(simFolder_, port);
    WriteCautionLapsRule(simFolder_, Checked(IDC_SRV_CAUTION_LAPS));
    EndDialog(IDOK);
}

bool CServerOptionsDlg::OnCommand(int id, int code, HWND control)
{
    if (id == IDOK) {
        OnOk();
        return true;
    }
    for (const SwitchBox& box : kSwitchBoxes) {
        if (id != box.id) continue;
        if (code == BN_CLICKED) WriteServerSwitch(simFolder_, box.setting, Checked(id));
        return true;
    }
    if (code == CBN_SELCHANGE && id == IDC_SRV_PRACTICE_START) {
        WritePracticeStart(simFolder_, Selection(id));
        return true;
    }
    if (code == CBN_SELCHANGE && id == IDC_SRV_DELAY_AFTER_RACE) {
        WriteDelayAfterRace(simFolder_, Selection(id));
        return true;
    }
    // Escape and the hidden "Done" close; what changed is already written.
    return CDialog::OnCommand(id, code, control);
}
