#include "ui/OptionsDlg.h"

#include "app/MessageBox.h"
#include "simconfig/PlayerOptions.h"
#include "simconfig/Profiles.h"
#include "ui/ComboBox.h"

namespace {

const char* const kRearViewTexts[kRearViewChoiceCount] = {
    "No",
    "Rear wing and wheels",
    "Body and suspension",
    "Rear wing, wheels, body and suspension",
    "Cockpit (default)",
    "Cockpit, rear wing, and wheels",
    "Cockpit, body, and suspension",
    "Everything",
};

const char* const kFrameRates[] = {"Unlimited", "60",  "75",  "90",  "100", "110", "120",
                                   "130",       "140", "144", "150", "160", "170", "180",
                                   "190",       "200", "210", "220", "230", "240"};

// Disabled while no profile is chosen.
constexpr int kProfileControls[] = {IDC_OPT_FRAME_RATE, IDC_OPT_RESET_DEFAULTS, IDC_OPT_TEMP_CARS,
                                    IDC_OPT_VIRTUAL_MIRRORS, IDC_OPT_REAR_VIEW};

}  // namespace

COptionsDlg::COptionsDlg(const std::string& simFolder, int installation, const std::vector<std::string>& profiles)
    : CDialog(IDD_OPTIONS), simFolder_(simFolder), installation_(installation), profiles_(profiles)
{
}

BOOL COptionsDlg::OnInitDialog()
{
    // Questions asked from here belong to this dialog, not to the disabled window behind it.
    previousMessageOwner_ = GetMessageOwner();
    SetMessageOwner(hwnd());
    FillLists();
    SelectDefaultProfile();
    ShowLauncherOptions();
    Check(IDC_OPT_SPECTATOR, ReadSpectatorMode(simFolder_, SelectedProfile()));
    OnProfileChanged();
    return TRUE;
}

void COptionsDlg::OnDestroy()
{
    SetMessageOwner(previousMessageOwner_);
}

void COptionsDlg::FillLists()
{
    HWND profiles = Item(IDC_OPT_PROFILE);
    // The list sorts itself, so the empty entry stays first.
    AddComboText(profiles, "");
    for (const std::string& name : profiles_) AddComboText(profiles, name);
    for (const char* text : kRearViewTexts) AddComboText(Item(IDC_OPT_REAR_VIEW), text);
    for (const char* text : kFrameRates) AddComboText(Item(IDC_OPT_FRAME_RATE), text);
}

void COptionsDlg::SelectDefaultProfile()
{
    const std::string profile = ReadDefaultProfile(installation_);
    // Profile names are told apart by case here, unlike the list's own search.
    SendMessageA(Item(IDC_OPT_PROFILE), CB_SETCURSEL, FindComboTextExactly(Item(IDC_OPT_PROFILE), profile), 0);
}

void COptionsDlg::ShowLauncherOptions()
{
    const LauncherOptions options = ReadLauncherOptions();
    Check(IDC_OPT_DELETE_FILES, options.deleteFiles);
    Check(IDC_OPT_FULLPROC, options.fullproc);
    Check(IDC_OPT_HIGH_PRIORITY, options.highPriority);
    Check(IDC_OPT_BOOKMARK, options.bookmark);
    Check(IDC_OPT_4GB_EXE, options.use4GBExe);
}

void COptionsDlg::OnProfileChanged()
{
    const std::string profile = SelectedProfile();
    const bool chosen = !profile.empty();
    for (int id : kProfileControls) EnableWindow(Item(id), chosen);
    // Without a profile the controls keep what they showed.
    if (!chosen) return;

    ShowFrameRate(ReadFrameRateLimit(simFolder_, profile));
    HWND rearView = Item(IDC_OPT_REAR_VIEW);
    const int shown = static_cast<int>(SendMessageA(rearView, CB_GETCURSEL, 0, 0));
    SendMessageA(rearView, CB_SETCURSEL, ReadRearViewChoice(simFolder_, profile, shown), 0);
    Check(IDC_OPT_TEMP_CARS, ReadTemporaryCars(simFolder_, profile));
    Check(IDC_OPT_VIRTUAL_MIRRORS, ReadVirtualMirrors(simFolder_, profile));
}

void COptionsDlg::ShowFrameRate(const std::string& value)
{
    HWND frameRate = Item(IDC_OPT_FRAME_RATE);
    const int entry = FindComboTextExactly(frameRate, value);
    SendMessageA(frameRate, CB_SETCURSEL, entry, 0);
    // A value the list lacks (0 among them) is shown as typed text.
    if (entry < 0) SetWindowTextA(frameRate, value.c_str());
    shownFrameRate_ = WindowText(frameRate);
}

void COptionsDlg::OnRearViewChanged()
{
    const int choice = Selection(IDC_OPT_REAR_VIEW);
    if (choice >= 0) WriteRearView(simFolder_, SelectedProfile(), choice);
}

void COptionsDlg::OnFrameRateChanged()
{
    HWND frameRate = Item(IDC_OPT_FRAME_RATE);
    // While the selection changes the edit part still shows the old text.
    const int entry = static_cast<int>(SendMessageA(frameRate, CB_GETCURSEL, 0, 0));
    WriteFrameRateLimit(simFolder_, SelectedProfile(), entry >= 0 ? ComboEntryText(frameRate, entry) : WindowText(frameRate));
}

void COptionsDlg::OnOk()
{
    const std::string profile = SelectedProfile();
    // Only a limit the driver changed: a value the sim wrote ("59.94") would
    // otherwise become no limit at all.
    const std::string frameRate = WindowText(Item(IDC_OPT_FRAME_RATE));
    if (frameRate != shownFrameRate_) WriteFrameRateLimit(simFolder_, profile, frameRate);
    LauncherOptions options;
    options.deleteFiles = Checked(IDC_OPT_DELETE_FILES);
    options.fullproc = Checked(IDC_OPT_FULLPROC);
    options.highPriority = Checked(IDC_OPT_HIGH_PRIORITY);
    options.bookmark = Checked(IDC_OPT_BOOKMARK);
    options.use4GBExe = Checked(IDC_OPT_4GB_EXE);
    WriteLauncherOptions(options);
    WriteDefaultProfile(installation_, profile);
    WriteVideoConfiguration(simFolder_);
    EndDialog(IDOK);
}

bool COptionsDlg::OnCommand(int id, int code, HWND control)
{
    switch (id) {
    case IDOK:
        OnOk();
        return true;
    case IDC_OPT_PROFILE:
        if (code == CBN_SELCHANGE) OnProfileChanged();
        return true;
    case IDC_OPT_REAR_VIEW:
        if (code == CBN_SELCHANGE) OnRearViewChanged();
        return true;
    case IDC_OPT_FRAME_RATE:
        if (code == CBN_SELCHANGE) OnFrameRateChanged();
        return true;
    case IDC_OPT_TEMP_CARS:
        if (code == BN_CLICKED) WriteTemporaryCars(simFolder_, SelectedProfile(), Checked(id));
        return true;
    case IDC_OPT_VIRTUAL_MIRRORS:
        if (code == BN_CLICKED) WriteVirtualMirrors(simFolder_, SelectedProfile(), Checked(id));
        return true;
    case IDC_OPT_SPECTATOR:
        if (code == BN_CLICKED) WriteSpectatorMode(simFolder_, profiles_, Checked(id));
        return true;
    case IDC_OPT_RESET_DEFAULTS:
        if (code == BN_CLICKED) ResetProfileToRecommended(simFolder_, SelectedProfile());
        return true;
    case IDC_OPT_VIDEO_SETTINGS:
        if (code == BN_CLICKED) StartVideoConfigurationProgram(simFolder_);
        return true;
    default:
        // Escape and the hidden "Done" close without the OK steps.
        return CDialog::OnCommand(id, code, control);
    }
}

std::string COptionsDlg::SelectedProfile() const
{
    HWND profiles = Item(IDC_OPT_PROFILE);
    const int entry = static_cast<int>(SendMessageA(profiles, CB_GETCURSEL, 0, 0));
    return entry >= 0 ? ComboEntryText(profiles, entry) : "";
}
