#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/IniFile.h"
#include "app/Settings.h"
#include "resources/resource.h"
#include "simconfig/Profiles.h"
#include "tests/support/DialogDriver.h"
#include "tests/support/GoldenFile.h"
#include "tests/support/TestEnv.h"
#include "ui/OptionsDlg.h"

namespace {

class OptionsDialogTest : public LauncherTest {
protected:
    void SetUp() override
    {
        LauncherTest::SetUp();
        sim_ = TempDir() + "Sim\\";
        MakeFolders(sim_ + "UserData");
    }

    void MakeProfile(const std::string& name, const std::string& plr, const std::string& multiplayer = "")
    {
        MakeFolders(sim_ + "UserData\\" + name);
        WriteTextFile(ProfileFilePath(sim_, name), plr);
        if (!multiplayer.empty()) WriteTextFile(MultiplayerFilePath(sim_, name), multiplayer);
    }

    HWND Open()
    {
        dialogs_.push_back(std::make_unique<COptionsDlg>(sim_, 1, EnumerateProfiles(sim_)));
        EXPECT_TRUE(dialogs_.back()->Create());
        return dialogs_.back()->hwnd();
    }

    // Whether the five profile controls are enabled; they always go together.
    static bool ProfileControlsEnabled(HWND dialog)
    {
        int enabled = 0;
        for (int id : {IDC_OPT_FRAME_RATE, IDC_OPT_RESET_DEFAULTS, IDC_OPT_TEMP_CARS, IDC_OPT_VIRTUAL_MIRRORS,
                       IDC_OPT_REAR_VIEW})
            enabled += IsWindowEnabled(GetDlgItem(dialog, id)) ? 1 : 0;
        EXPECT_TRUE(enabled == 0 || enabled == 5) << enabled;
        return enabled == 5;
    }

    std::string sim_;
    std::vector<std::unique_ptr<COptionsDlg>> dialogs_;
};

std::vector<std::string> Entries(HWND combo)
{
    std::vector<std::string> texts;
    for (int entry = 0; entry < SendMessageA(combo, CB_GETCOUNT, 0, 0); ++entry)
        texts.push_back(ComboEntryText(combo, entry));
    return texts;
}

TEST_F(OptionsDialogTest, WithoutProfilesOnlyTheEmptyEntryAndNothingToEdit)
{
    HWND dialog = Open();
    EXPECT_EQ(Entries(GetDlgItem(dialog, IDC_OPT_PROFILE)), std::vector<std::string>{""});
    EXPECT_FALSE(ProfileControlsEnabled(dialog));
    EXPECT_EQ(Entries(GetDlgItem(dialog, IDC_OPT_FRAME_RATE)).size(), 20u);
    EXPECT_EQ(Entries(GetDlgItem(dialog, IDC_OPT_REAR_VIEW)).size(), 8u);
    // The dialog itself is never shown here: its children's own style tells.
    EXPECT_FALSE(GetWindowLongPtrA(GetDlgItem(dialog, IDC_OPT_4GB_EXE), GWL_STYLE) & WS_VISIBLE);
    EXPECT_FALSE(GetWindowLongPtrA(GetDlgItem(dialog, IDCANCEL), GWL_STYLE) & WS_VISIBLE);
    EXPECT_TRUE(GetWindowLongPtrA(GetDlgItem(dialog, IDOK), GWL_STYLE) & WS_VISIBLE);
    for (int id : {IDC_OPT_DELETE_FILES, IDC_OPT_FULLPROC, IDC_OPT_HIGH_PRIORITY, IDC_OPT_BOOKMARK})
        EXPECT_TRUE(IsItemChecked(dialog, id)) << id;
    EXPECT_FALSE(IsItemChecked(dialog, IDC_OPT_4GB_EXE));
    EXPECT_FALSE(IsItemChecked(dialog, IDC_OPT_SPECTATOR));

    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof folder, folder);
    ExpectMessage("Unable to run VORA Config.exe.  Error: ");
    ClickItem(dialog, IDC_OPT_VIDEO_SETTINGS);
    SetCurrentDirectoryA(folder);  // the temp folder must not stay in use
    EXPECT_EQ(Messages().back().type, static_cast<UINT>(MB_OK | MB_ICONSTOP));
    EXPECT_NE(Messages().back().text.find("(2)"), std::string::npos) << Messages().back().text;
}

TEST_F(OptionsDialogTest, ProfileChoiceFillsOrDisablesTheProfileControls)
{
    MakeProfile("Sam", "[Graphic Options]\r\nMax Framerate=\"144\"\r\nSelf In Cockpit Rearview=\"15\"\r\n");
    MakeProfile("Alex",
                "[Graphic Options]\r\nMax Framerate=\"0\" // no limit\r\nSelf In Cockpit Rearview=\"8\"\r\n"
                "Virtual Rearview In Cockpit=\"1\"\r\n",
                "[Multiplayer General Options]\r\nDelay Vehicle Graphics=\"0\"\r\nSpectator Mode=\"1\"\r\n");
    MakeProfile("alex2", "");
    WriteSettingText("Profile1", "Sam", "Options");
    HWND dialog = Open();
    EXPECT_EQ(Entries(GetDlgItem(dialog, IDC_OPT_PROFILE)), (std::vector<std::string>{"", "Alex", "alex2", "Sam"}));
    EXPECT_EQ(ItemText(dialog, IDC_OPT_PROFILE), "Sam");
    EXPECT_TRUE(ProfileControlsEnabled(dialog));
    EXPECT_EQ(ItemText(dialog, IDC_OPT_FRAME_RATE), "144");
    EXPECT_EQ(ItemText(dialog, IDC_OPT_REAR_VIEW), "Everything");
    EXPECT_TRUE(IsItemChecked(dialog, IDC_OPT_TEMP_CARS)) << "a missing key reads as on";
    EXPECT_FALSE(IsItemChecked(dialog, IDC_OPT_VIRTUAL_MIRRORS));

    ChooseText(dialog, IDC_OPT_PROFILE, "Alex");
    EXPECT_EQ(ItemText(dialog, IDC_OPT_FRAME_RATE), "0") << "no entry 0: shown as text";
    EXPECT_EQ(ItemSelection(dialog, IDC_OPT_FRAME_RATE), CB_ERR);
    EXPECT_EQ(ItemText(dialog, IDC_OPT_REAR_VIEW), "Everything") << "8 leaves the choice";
    EXPECT_FALSE(IsItemChecked(dialog, IDC_OPT_TEMP_CARS));
    EXPECT_TRUE(IsItemChecked(dialog, IDC_OPT_VIRTUAL_MIRRORS));
    EXPECT_FALSE(IsItemChecked(dialog, IDC_OPT_SPECTATOR)) << "read at opening only";

    ChooseText(dialog, IDC_OPT_PROFILE, "");
    EXPECT_FALSE(ProfileControlsEnabled(dialog));
    EXPECT_TRUE(IsItemChecked(dialog, IDC_OPT_VIRTUAL_MIRRORS)) << "the controls keep what they showed";
    ExpectMessage("Please select a profile to reset.");
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_OPT_RESET_DEFAULTS, BN_CLICKED), 0);

    WriteSettingText("Profile1", "alex", "Options");  // no entry has this exact name
    EXPECT_EQ(ItemSelection(Open(), IDC_OPT_PROFILE), CB_ERR);
}

TEST_F(OptionsDialogTest, ChangesAreWrittenAtOnceAndKeptByEscape)
{
    MakeProfile("Alex", "[DRIVER]\r\nPlayer Name=\"Alex\"\r\n[Graphic Options]\r\nMax Framerate=\"60\" // fps\r\n");
    MakeProfile("Sam", "[DRIVER]\r\nPlayer Name=\"Sam\"\r\n");
    WriteSettingText("Profile1", "Alex", "Options");
    HWND dialog = Open();
    EXPECT_EQ(ItemSelection(dialog, IDC_OPT_FRAME_RATE), 1) << "the entry 60";

    ChooseText(dialog, IDC_OPT_REAR_VIEW, "Everything");
    // While a pick from the list is announced the edit part still shows the old text.
    HWND frameRate = GetDlgItem(dialog, IDC_OPT_FRAME_RATE);
    SendMessageA(frameRate, CB_SETCURSEL, FindComboTextExactly(frameRate, "144"), 0);
    SetWindowTextA(frameRate, "60");
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_OPT_FRAME_RATE, CBN_SELCHANGE), reinterpret_cast<LPARAM>(frameRate));
    for (int id : {IDC_OPT_TEMP_CARS, IDC_OPT_VIRTUAL_MIRRORS, IDC_OPT_SPECTATOR, IDC_OPT_FULLPROC})
        ClickItem(dialog, id);
    PressEscape(dialog);
    EXPECT_FALSE(IsWindow(dialog)) << "Escape closes the dialog";

    EXPECT_MATCHES_GOLDEN(ProfileFilePath(sim_, "Alex"), "options/changes_alex.plr");
    EXPECT_MATCHES_GOLDEN(MultiplayerFilePath(sim_, "Alex"), "options/changes_alex_multiplayer.ini");
    EXPECT_MATCHES_GOLDEN(MultiplayerFilePath(sim_, "Sam"), "options/changes_sam_multiplayer.ini");
    EXPECT_EQ(ReadTextFile(ProfileFilePath(sim_, "Sam")), "[DRIVER]\r\nPlayer Name=\"Sam\"\r\n");
    EXPECT_EQ(ReadSettingNumber("Fullproc", -1, "Options"), -1) << "Escape stores no option";
    EXPECT_FALSE(FileExists(sim_ + "VORAConfig.ini"));
}

TEST_F(OptionsDialogTest, OkStoresTheOptionsAndTheTypedFrameRate)
{
    const std::pair<const char*, const char*> typed[] = {{"144", "144"}, {"abc", "0"}, {"Unlimited", "0"}, {"", ""}};
    MakeProfile("Alex", "");
    MakeProfile("Sam", "");
    WriteTextFile(sim_ + "VORAConfig.ini", "[COMPONENTS]\r\nCPURating=3\r\nTexDetail=2\r\n[DISPLAY]\r\nWidth=1280\r\n");
    for (const auto& t : typed) {
        WriteSettingText("Profile1", "Alex", "Options");
        HWND dialog = Open();
        ChooseText(dialog, IDC_OPT_PROFILE, "Sam");
        SetDlgItemTextA(dialog, IDC_OPT_FRAME_RATE, t.first);
        for (int id : {IDC_OPT_FULLPROC, IDC_OPT_BOOKMARK})
            if (IsItemChecked(dialog, id)) ClickItem(dialog, id);
        CheckDlgButton(dialog, IDC_OPT_4GB_EXE, BST_CHECKED);  // hidden: no click reaches it
        ClickItem(dialog, IDOK);
        EXPECT_FALSE(IsWindow(dialog));
        EXPECT_EQ(ReadIniText(ProfileFilePath(sim_, "Sam"), "Graphic Options", "Max Framerate"),
                  "\"" + std::string(t.second) + "\" // Modified by ZANT Launcher (0)")
            << t.first;
    }
    const std::pair<const char*, int> settings[] = {
        {"Delete Files", 1}, {"Fullproc", 0}, {"HighPrio", 1}, {"Bookmark", 0}, {"4GBExe", 1}};
    for (const auto& s : settings) EXPECT_EQ(ReadSettingNumber(s.first, -1, "Options"), s.second) << s.first;
    EXPECT_EQ(ReadSettingText("Profile1", "?", "Options"), "Sam");
    EXPECT_FALSE(FileExists(MultiplayerFilePath(sim_, "Alex")));
    EXPECT_MATCHES_GOLDEN(sim_ + "VORAConfig.ini", "options/video_config.ini");

    HWND none = Open();
    ChooseText(none, IDC_OPT_PROFILE, "");
    ClickItem(none, IDOK);
    EXPECT_EQ(ReadSettingText("Profile1", "?", "Options"), "") << "the empty entry clears the default";

    // A limit the driver did not touch stays as the sim wrote it.
    WritePrivateProfileStringA("Graphic Options", "Max Framerate", "\"59.94\"", ProfileFilePath(sim_, "Sam").c_str());
    HWND untouched = Open();
    ChooseText(untouched, IDC_OPT_PROFILE, "Sam");
    ClickItem(untouched, IDOK);
    EXPECT_EQ(ReadIniText(ProfileFilePath(sim_, "Sam"), "Graphic Options", "Max Framerate"), "59.94");
}

}  // namespace
