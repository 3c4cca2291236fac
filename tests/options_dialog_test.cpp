#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/IniFile.h"
#include "app/Settings.h"
#include "resources/resource.h"
#include "simconfig/Profiles.h"
#include "tests/support/GoldenFile.h"
#include "tests/support/TestEnv.h"
#include "ui/ComboBox.h"
#include "ui/OptionsDlg.h"

namespace {

constexpr int kProfileControls[] = {IDC_OPT_FRAME_RATE, IDC_OPT_RESET_DEFAULTS, IDC_OPT_TEMP_CARS,
                                    IDC_OPT_VIRTUAL_MIRRORS, IDC_OPT_REAR_VIEW};

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

    std::unique_ptr<COptionsDlg> Open()
    {
        auto dialog = std::make_unique<COptionsDlg>(sim_, 1, EnumerateProfiles(sim_));
        EXPECT_TRUE(dialog->Create());
        return dialog;
    }

    static std::vector<std::string> Entries(HWND combo)
    {
        std::vector<std::string> texts;
        const int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
        for (int entry = 0; entry < count; ++entry) texts.push_back(ComboEntryText(combo, entry));
        return texts;
    }
    static void Choose(COptionsDlg& dialog, int id, const std::string& text)
    {
        const int entry = FindComboTextExactly(dialog.Item(id), text);
        ASSERT_GE(entry, 0) << text;
        SendMessageA(dialog.Item(id), CB_SETCURSEL, entry, 0);
        SendMessageA(dialog.hwnd(), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(dialog.Item(id)));
    }
    static void Click(COptionsDlg& dialog, int id) { SendMessageA(dialog.Item(id), BM_CLICK, 0, 0); }
    static bool Checked(COptionsDlg& dialog, int id)
    {
        return IsDlgButtonChecked(dialog.hwnd(), id) == BST_CHECKED;
    }
    static bool ProfileControlsEnabled(COptionsDlg& dialog)
    {
        int enabled = 0;
        for (int id : kProfileControls) enabled += IsWindowEnabled(dialog.Item(id)) ? 1 : 0;
        EXPECT_TRUE(enabled == 0 || enabled == 5) << "the profile controls go together";
        return enabled == 5;
    }
    static void PressEscape(COptionsDlg& dialog)
    {
        MSG key = {dialog.Item(IDC_OPT_SPECTATOR), WM_KEYDOWN, VK_ESCAPE, 0};
        IsDialogMessageA(dialog.hwnd(), &key);
    }

    std::string sim_;
};

TEST_F(OptionsDialogTest, WithoutProfilesOnlyTheEmptyEntryAndNothingToEdit)
{
    auto dialog = Open();
    EXPECT_EQ(Entries(dialog->Item(IDC_OPT_PROFILE)), std::vector<std::string>{""});
    EXPECT_FALSE(ProfileControlsEnabled(*dialog));
    EXPECT_EQ(Entries(dialog->Item(IDC_OPT_FRAME_RATE)).size(), 20u);
    EXPECT_EQ(Entries(dialog->Item(IDC_OPT_REAR_VIEW)).size(), 8u);
    EXPECT_FALSE(IsWindowVisible(dialog->Item(IDC_OPT_4GB_EXE)));
    EXPECT_FALSE(IsWindowVisible(dialog->Item(IDCANCEL)));
    // The launcher's defaults: all on but the 4 GB program.
    for (int id : {IDC_OPT_DELETE_FILES, IDC_OPT_FULLPROC, IDC_OPT_HIGH_PRIORITY, IDC_OPT_BOOKMARK})
        EXPECT_TRUE(Checked(*dialog, id)) << id;
    EXPECT_FALSE(Checked(*dialog, IDC_OPT_4GB_EXE));
    EXPECT_FALSE(Checked(*dialog, IDC_OPT_SPECTATOR));

    ExpectMessage("Unable to run VORA Config.exe.  Error: ");
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof folder, folder);
    Click(*dialog, IDC_OPT_VIDEO_SETTINGS);
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
    auto dialog = Open();
    EXPECT_EQ(Entries(dialog->Item(IDC_OPT_PROFILE)), (std::vector<std::string>{"", "Alex", "alex2", "Sam"}));
    EXPECT_EQ(WindowText(dialog->Item(IDC_OPT_PROFILE)), "Sam");
    EXPECT_TRUE(ProfileControlsEnabled(*dialog));
    EXPECT_EQ(WindowText(dialog->Item(IDC_OPT_FRAME_RATE)), "144");
    EXPECT_EQ(WindowText(dialog->Item(IDC_OPT_REAR_VIEW)), "Everything");
    EXPECT_TRUE(Checked(*dialog, IDC_OPT_TEMP_CARS)) << "a missing key reads as on";
    EXPECT_FALSE(Checked(*dialog, IDC_OPT_VIRTUAL_MIRRORS));
    EXPECT_FALSE(Checked(*dialog, IDC_OPT_SPECTATOR));

    Choose(*dialog, IDC_OPT_PROFILE, "Alex");
    EXPECT_EQ(WindowText(dialog->Item(IDC_OPT_FRAME_RATE)), "0") << "no entry 0: shown as text";
    EXPECT_EQ(SendMessageA(dialog->Item(IDC_OPT_FRAME_RATE), CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(WindowText(dialog->Item(IDC_OPT_REAR_VIEW)), "Everything") << "8 leaves the choice";
    EXPECT_FALSE(Checked(*dialog, IDC_OPT_TEMP_CARS));
    EXPECT_TRUE(Checked(*dialog, IDC_OPT_VIRTUAL_MIRRORS));
    EXPECT_FALSE(Checked(*dialog, IDC_OPT_SPECTATOR)) << "the spectator box is read at opening only";

    Choose(*dialog, IDC_OPT_PROFILE, "");
    EXPECT_FALSE(ProfileControlsEnabled(*dialog));
    EXPECT_TRUE(Checked(*dialog, IDC_OPT_VIRTUAL_MIRRORS)) << "the controls keep what they showed";
    EXPECT_EQ(WindowText(dialog->Item(IDC_OPT_FRAME_RATE)), "0");

    WriteSettingText("Profile1", "alex", "Options");  // no entry has this exact name
    auto second = Open();
    EXPECT_EQ(SendMessageA(second->Item(IDC_OPT_PROFILE), CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_FALSE(ProfileControlsEnabled(*second));
}

TEST_F(OptionsDialogTest, ChangesAreWrittenAtOnceAndKeptByEscape)
{
    MakeProfile("Alex", "[DRIVER]\r\nPlayer Name=\"Alex\"\r\n[Graphic Options]\r\nMax Framerate=\"60\" // fps\r\n");
    MakeProfile("Sam", "[DRIVER]\r\nPlayer Name=\"Sam\"\r\n");
    WriteSettingText("Profile1", "Alex", "Options");
    auto dialog = Open();
    EXPECT_EQ(SendMessageA(dialog->Item(IDC_OPT_FRAME_RATE), CB_GETCURSEL, 0, 0), 1) << "the entry 60";

    Choose(*dialog, IDC_OPT_REAR_VIEW, "Everything");
    // While a pick from the list is announced the edit part still shows the old text.
    HWND frameRate = dialog->Item(IDC_OPT_FRAME_RATE);
    SendMessageA(frameRate, CB_SETCURSEL, FindComboTextExactly(frameRate, "144"), 0);
    SetWindowTextA(frameRate, "60");
    SendMessageA(dialog->hwnd(), WM_COMMAND, MAKEWPARAM(IDC_OPT_FRAME_RATE, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(frameRate));
    Click(*dialog, IDC_OPT_TEMP_CARS);        // off
    Click(*dialog, IDC_OPT_VIRTUAL_MIRRORS);  // on
    Click(*dialog, IDC_OPT_SPECTATOR);        // on, for every profile
    Click(*dialog, IDC_OPT_FULLPROC);         // stored only at OK
    PressEscape(*dialog);
    EXPECT_EQ(dialog->hwnd(), nullptr) << "Escape closes the dialog";

    EXPECT_MATCHES_GOLDEN(ProfileFilePath(sim_, "Alex"), "options/changes_alex.plr");
    EXPECT_MATCHES_GOLDEN(MultiplayerFilePath(sim_, "Alex"), "options/changes_alex_multiplayer.ini");
    EXPECT_MATCHES_GOLDEN(MultiplayerFilePath(sim_, "Sam"), "options/changes_sam_multiplayer.ini");
    EXPECT_EQ(ReadTextFile(ProfileFilePath(sim_, "Sam")), "[DRIVER]\r\nPlayer Name=\"Sam\"\r\n");
    EXPECT_EQ(ReadSettingNumber("Fullproc", -1, "Options"), -1) << "Escape stores no option";
    EXPECT_FALSE(FileExists(sim_ + "VORAConfig.ini"));
}

TEST_F(OptionsDialogTest, OkStoresTheOptionsAndTheTypedFrameRate)
{
    struct Case {
        const char* typed;
        const char* written;
    };
    const Case cases[] = {{"144", "\"144\" // Modified by ZANT Launcher (0)"},
                          {"abc", "\"0\" // Modified by ZANT Launcher (0)"},
                          {"Unlimited", "\"0\" // Modified by ZANT Launcher (0)"},
                          {"", "\"\" // Modified by ZANT Launcher (0)"}};
    MakeProfile("Alex", "");
    MakeProfile("Sam", "");
    WriteTextFile(sim_ + "VORAConfig.ini", "[COMPONENTS]\r\nCPURating=3\r\nTexDetail=2\r\n[DISPLAY]\r\nWidth=1280\r\n");
    for (const Case& c : cases) {
        WriteSettingText("Profile1", "Alex", "Options");
        auto dialog = Open();
        Choose(*dialog, IDC_OPT_PROFILE, "Sam");
        SetWindowTextA(dialog->Item(IDC_OPT_FRAME_RATE), c.typed);
        for (int id : {IDC_OPT_FULLPROC, IDC_OPT_BOOKMARK})
            if (Checked(*dialog, id)) Click(*dialog, id);
        CheckDlgButton(dialog->hwnd(), IDC_OPT_4GB_EXE, BST_CHECKED);  // hidden: no click reaches it
        Click(*dialog, IDOK);
        EXPECT_EQ(dialog->hwnd(), nullptr);
        EXPECT_EQ(ReadIniText(ProfileFilePath(sim_, "Sam"), "Graphic Options", "Max Framerate"), c.written)
            << c.typed;
    }
    struct Setting {
        const char* name;
        int value;
    };
    const Setting settings[] = {{"Delete Files", 1}, {"Fullproc", 0}, {"HighPrio", 1}, {"Bookmark", 0},
                                {"4GBExe", 1}};
    for (const Setting& s : settings) EXPECT_EQ(ReadSettingNumber(s.name, -1, "Options"), s.value) << s.name;
    EXPECT_EQ(ReadSettingText("Profile1", "?", "Options"), "Sam");
    EXPECT_FALSE(FileExists(MultiplayerFilePath(sim_, "Alex")));
    EXPECT_MATCHES_GOLDEN(sim_ + "VORAConfig.ini", "options/video_config.ini");

    auto none = Open();
    Choose(*none, IDC_OPT_PROFILE, "");
    Click(*none, IDOK);
    EXPECT_EQ(ReadSettingText("Profile1", "?", "Options"), "") << "the empty entry clears the default";
}

TEST_F(OptionsDialogTest, ResetDefaultsAsksAboutTheChosenProfile)
{
    MakeProfile("Alex", "");
    auto dialog = Open();
    Choose(*dialog, IDC_OPT_PROFILE, "Alex");
    ExpectMessage("Reset the 'Alex' profile to recommended settings?", IDNO);
    Click(*dialog, IDC_OPT_RESET_DEFAULTS);
    EXPECT_EQ(ReadTextFile(ProfileFilePath(sim_, "Alex")), "");
    ExpectMessage("Reset the 'Alex' profile to recommended settings?", IDYES);
    Click(*dialog, IDC_OPT_RESET_DEFAULTS);
    EXPECT_EQ(ReadIniText(ProfileFilePath(sim_, "Alex"), "Sound Options", "Music"),
              "\"0\" // Modified by ZANT Launcher (1)");
}

}  // namespace
