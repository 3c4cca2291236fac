#include <windows.h>

#include <string>

#include "app/IniFile.h"
#include "launch/ModFiles.h"
#include "resources/resource.h"
#include "simconfig/ServerOptions.h"
#include "tests/support/GoldenFile.h"
#include "tests/support/TestEnv.h"
#include "ui/ComboBox.h"
#include "ui/ServerOptionsDlg.h"

namespace {

const char* const kMods[] = {"CUP", "NW", "TRUCK", "VORA"};

TEST(ServerOptionsChoices, PracticeTimesAndDelays)
{
    struct Practice {
        int choice;
        int minutes;
        const char* text;
    };
    const Practice practice[] = {
        {0, 360, "6:00 am"},   {1, 390, "6:30 am"},   {5, 510, "8:30 am"},    {11, 690, "11:30 am"},
        {12, 720, "Noon"},     {13, 750, "12:30 pm"}, {14, 780, "1:00 pm"},   {19, 930, "3:30 pm"},
        {32, 1320, "10:00 pm"},
    };
    for (const Practice& p : practice) {
        EXPECT_EQ(PracticeStartMinutes(p.choice), p.minutes) << p.text;
        EXPECT_EQ(PracticeStartText(p.choice), p.text) << p.choice;
        EXPECT_EQ(PracticeStartChoice(p.minutes), p.choice) << p.text;
    }
    EXPECT_EQ(PracticeStartText(kPracticeStartCount), "");

    struct Stored {
        int minutes;
        int choice;
    };
    // Whole-number division toward zero: 765 shows 12:30 pm, a value just
    // below 6:00 am still shows 6:00 am, one half hour outside shows nothing.
    const Stored stored[] = {{765, 13}, {779, 13}, {1349, 32}, {359, 0}, {330, kNoChoice},
                             {1350, kNoChoice}, {0, kNoChoice}, {-30, kNoChoice}};
    for (const Stored& s : stored) EXPECT_EQ(PracticeStartChoice(s.minutes), s.choice) << s.minutes;

    struct Delay {
        int choice;
        int seconds;
        const char* text;
    };
    const Delay delays[] = {{0, 0, "None"},         {1, 60, "1 minute"},
                            {2, 300, "5 minutes"},  {3, 600, "10 minutes"},
                            {4, 900, "15 minutes (default)"}, {5, 1800, "30 minutes"}};
    for (const Delay& d : delays) {
        EXPECT_EQ(DelaySeconds(d.choice), d.seconds) << d.text;
        EXPECT_EQ(DelayText(d.choice), d.text) << d.choice;
        EXPECT_EQ(DelayChoice(std::to_string(d.seconds)), d.choice) << d.text;
    }
    struct StoredDelay {
        const char* value;
        int choice;
    };
    const StoredDelay storedDelays[] = {{"900.00000", 4}, {"0.00000", 0}, {" 60 ", 1}, {"120", kNoChoice},
                                        {"900.5", kNoChoice}, {"abc", kNoChoice}, {"", kNoChoice},
                                        {"60abc", kNoChoice}};
    for (const StoredDelay& s : storedDelays) EXPECT_EQ(DelayChoice(s.value), s.choice) << s.value;
    EXPECT_EQ(DelaySeconds(kNoChoice), 0) << "no choice writes no delay";
}

TEST(ServerOptionsChoices, PortRange)
{
    struct Case {
        const char* text;
        bool accepted;
        int port;
    };
    const Case cases[] = {{"1025", true, 1025},  {"65535", true, 65535}, {" 54297 ", true, 54297},
                          {"1024", false, 0},    {"65536", false, 0},    {"0", false, 0},
                          {"", false, 0},        {"abc", false, 0},      {"54a97", false, 0},
                          {"-2000", false, 0},   {"4294968321", false, 0}};
    for (const Case& c : cases) {
        int port = 0;
        EXPECT_EQ(ParseServerPort(c.text, &port), c.accepted) << c.text;
        EXPECT_EQ(port, c.port) << c.text;
    }
    EXPECT_EQ(PortRangeMessage(), "Please enter an integer between 1025 and 65535.");
}

class ServerOptionsDialogTest : public LauncherTest {
protected:
    void SetUp() override
    {
        LauncherTest::SetUp();
        sim_ = TempDir() + "Sim\\";
        MakeFolders(sim_ + "rfm");
        for (const char* mod : kMods)
            WriteTextFile(sim_ + "rfm\\" + mod + ".rfm", std::string("Mod Name = ") + mod +
                                                             "\r\nCountCautionLaps = 1\r\nFormationLap = 1\r\n");
    }

    std::string ServerFolder() const { return sim_ + "Userdata\\DedicatedServer\\"; }
    std::string Plr() const { return ServerFolder() + "DedicatedServer.PLR"; }
    std::string Multiplayer() const { return ServerFolder() + "Multiplayer.ini"; }

    static void Click(CServerOptionsDlg& dialog, int id) { SendMessageA(dialog.Item(id), BM_CLICK, 0, 0); }
    static bool Checked(CServerOptionsDlg& dialog, int id)
    {
        return IsDlgButtonChecked(dialog.hwnd(), id) == BST_CHECKED;
    }
    // What the user's pick in a drop-down list does: a new selection, then its notice.
    static void Choose(CServerOptionsDlg& dialog, int id, int entry)
    {
        SendMessageA(dialog.Item(id), CB_SETCURSEL, entry, 0);
        SendMessageA(dialog.hwnd(), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(dialog.Item(id)));
    }
    static std::string Shown(CServerOptionsDlg& dialog, int id) { return WindowText(dialog.Item(id)); }
    static void PressEscape(CServerOptionsDlg& dialog)
    {
        MSG key = {dialog.Item(IDC_SRV_IMPOUND), WM_KEYDOWN, VK_ESCAPE, 0};
        IsDialogMessageA(dialog.hwnd(), &key);
    }
    static void TypePort(CServerOptionsDlg& dialog, const std::string& text)
    {
        SetWindowTextA(dialog.Item(IDC_SRV_PORT), text.c_str());
    }

    std::string sim_;
};

TEST_F(ServerOptionsDialogTest, FreshSimShowsDefaultsAndRefusesBadPorts)
{
    CServerOptionsDlg dialog(sim_);
    ASSERT_TRUE(dialog.Create());
    EXPECT_EQ(Shown(dialog, IDC_SRV_PORT), "0");
    EXPECT_EQ(SendMessageA(dialog.Item(IDC_SRV_PRACTICE_START), CB_GETCOUNT, 0, 0), 33);
    EXPECT_EQ(Shown(dialog, IDC_SRV_PRACTICE_START), "12:30 pm");
    EXPECT_EQ(Shown(dialog, IDC_SRV_DELAY_AFTER_RACE), "None");
    EXPECT_FALSE(Checked(dialog, IDC_SRV_MUST_BE_STOPPED));
    EXPECT_TRUE(Checked(dialog, IDC_SRV_ALLOW_SPECTATORS));
    EXPECT_TRUE(Checked(dialog, IDC_SRV_SPECTATOR_CHAT));
    EXPECT_TRUE(Checked(dialog, IDC_SRV_PRIVATE_QUALIFYING));
    EXPECT_FALSE(Checked(dialog, IDC_SRV_IMPOUND));
    EXPECT_TRUE(Checked(dialog, IDC_SRV_CAUTION_LAPS));
    EXPECT_FALSE(IsWindowVisible(dialog.Item(IDCANCEL))) << "Done is hidden";

    Click(dialog, IDC_SRV_CAUTION_LAPS);  // off: would write 0 if the port passed
    for (const char* port : {"0", "", "abc", "1024", "65536", "99999999999"}) {
        TypePort(dialog, port);
        ExpectMessage("Please enter an integer between 1025 and 65535.");
        Click(dialog, IDOK);
        ASSERT_TRUE(IsWindow(dialog.hwnd())) << "the dialog stays open for " << port;
    }
    EXPECT_FALSE(FileExists(Multiplayer())) << "a refused port writes nothing";
    for (const char* mod : kMods) EXPECT_EQ(GetModFileValue(sim_, mod, "CountCautionLaps"), "1") << mod;

    TypePort(dialog, "54297");
    Click(dialog, IDOK);
    EXPECT_EQ(dialog.hwnd(), nullptr) << "a good port closes the dialog";
    EXPECT_MATCHES_GOLDEN(Multiplayer(), "options/server_port_multiplayer.ini");
    EXPECT_FALSE(FileExists(Plr())) << "OK writes only the port and the rule";
    for (const char* mod : kMods) EXPECT_EQ(GetModFileValue(sim_, mod, "CountCautionLaps"), "0") << mod;
}

TEST_F(ServerOptionsDialogTest, ChangesAreWrittenAtOnceAndKeptByEscape)
{
    MakeFolders(ServerFolder());
    WriteTextFile(Plr(), "[Race Conditions]\r\nMULTI ParcFerme=\"1\"\r\nPractice1StartingTime=\"765\"\r\n");
    WriteTextFile(Multiplayer(), "[Multiplayer General Options]\r\nQuery Port Start=\"54297\"// range\r\n"
                                 "[Multiplayer Server Options]\r\nDelay After Race=\"900.00000\" // x\r\n"
                                 "Allow Spectators=\"0\"\r\n");
    WriteTextFile(sim_ + "rfm\\TRUCK.rfm", "CountCautionLaps=0\r\n");
    {
        CServerOptionsDlg dialog(sim_);
        ASSERT_TRUE(dialog.Create());
        EXPECT_EQ(Shown(dialog, IDC_SRV_PORT), "54297");
        EXPECT_EQ(Shown(dialog, IDC_SRV_PRACTICE_START), "12:30 pm");
        EXPECT_EQ(Shown(dialog, IDC_SRV_DELAY_AFTER_RACE), "15 minutes (default)");
        EXPECT_TRUE(Checked(dialog, IDC_SRV_IMPOUND));
        EXPECT_FALSE(Checked(dialog, IDC_SRV_ALLOW_SPECTATORS));
        EXPECT_FALSE(Checked(dialog, IDC_SRV_CAUTION_LAPS)) << "TRUCK holds 0";

        for (int id : {IDC_SRV_PRIVATE_QUALIFYING, IDC_SRV_IMPOUND, IDC_SRV_MUST_BE_STOPPED,
                       IDC_SRV_ALLOW_SPECTATORS, IDC_SRV_SPECTATOR_CHAT})
            Click(dialog, id);
        Choose(dialog, IDC_SRV_PRACTICE_START, 5);    // 8:30 am
        Choose(dialog, IDC_SRV_DELAY_AFTER_RACE, 5);  // 30 minutes
        Click(dialog, IDC_SRV_CAUTION_LAPS);          // on, but only OK writes it
        TypePort(dialog, "60000");                    // likewise
        PressEscape(dialog);
        EXPECT_EQ(dialog.hwnd(), nullptr) << "Escape closes the dialog";
    }
    EXPECT_MATCHES_GOLDEN(Plr(), "options/server_changes.plr");
    EXPECT_MATCHES_GOLDEN(Multiplayer(), "options/server_changes_multiplayer.ini");
    EXPECT_EQ(GetModFileValue(sim_, "TRUCK", "CountCautionLaps"), "0");

    CServerOptionsDlg again(sim_);
    ASSERT_TRUE(again.Create());
    EXPECT_EQ(Shown(again, IDC_SRV_PRACTICE_START), "8:30 am");
    EXPECT_EQ(Shown(again, IDC_SRV_DELAY_AFTER_RACE), "30 minutes");
    Choose(again, IDC_SRV_PRACTICE_START, 32);
    EXPECT_EQ(ReadIniText(Plr(), "Race Conditions", "Practice1StartingTime"),
              "\"1320\" // Modified by ZANT Launcher (750)");
    Click(again, IDC_SRV_CAUTION_LAPS);
    TypePort(again, "60000");
    Click(again, IDOK);
    EXPECT_EQ(again.hwnd(), nullptr);
    EXPECT_EQ(ReadIniText(Multiplayer(), "Multiplayer General Options", "Query Port Start"),
              "\"60000\"// range is 1025 - 65535");
    EXPECT_EQ(ReadIniText(Multiplayer(), "Multiplayer General Options", "Port Start"),
              "\"60100\"// range is 1025 - 65535");
    for (const char* mod : kMods) EXPECT_EQ(GetModFileValue(sim_, mod, "CountCautionLaps"), "1") << mod;
}

TEST_F(ServerOptionsDialogTest, ValuesThatSelectNothingShowNoChoice)
{
    MakeFolders(ServerFolder());
    WriteTextFile(Plr(), "[Race Conditions]\r\nPractice1StartingTime=\"late\"\r\n");
    WriteTextFile(Multiplayer(), "[Multiplayer General Options]\r\nQuery Port Start=\"x\"\r\n"
                                 "[Multiplayer Server Options]\r\nDelay After Race=\"120\"\r\n");
    CServerOptionsDlg dialog(sim_);
    ASSERT_TRUE(dialog.Create());
    EXPECT_EQ(Shown(dialog, IDC_SRV_PORT), "0");
    EXPECT_EQ(SendMessageA(dialog.Item(IDC_SRV_PRACTICE_START), CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(SendMessageA(dialog.Item(IDC_SRV_DELAY_AFTER_RACE), CB_GETCURSEL, 0, 0), CB_ERR);
}

}  // namespace
