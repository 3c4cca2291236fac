#include <windows.h>

#include <string>

#include "app/IniFile.h"
#include "simconfig/ModFiles.h"
#include "resources/resource.h"
#include "simconfig/ServerOptions.h"
#include "tests/support/DialogDriver.h"
#include "tests/support/GoldenFile.h"
#include "tests/support/TestEnv.h"
#include "ui/ServerOptionsDlg.h"

namespace {

const char* const kMods[] = {"CUP", "NW", "TRUCK", "VORA"};

TEST(ServerOptionsChoices, PracticeTimesDelaysAndPorts)
{
    struct Practice {
        int choice, minutes;
        const char* text;
    };
    const Practice practice[] = {{0, 360, "6:00 am"},   {5, 510, "8:30 am"},   {11, 690, "11:30 am"},
                                 {12, 720, "Noon"},     {13, 750, "12:30 pm"}, {14, 780, "1:00 pm"},
                                 {32, 1320, "10:00 pm"}};
    for (const Practice& p : practice) {
        EXPECT_EQ(PracticeStartMinutes(p.choice), p.minutes) << p.text;
        EXPECT_EQ(PracticeStartText(p.choice), p.text) << p.choice;
    }
    // Stored minutes to choice, divided toward zero: 765 shows 12:30 pm and
    // a value just below 6:00 am still shows 6:00 am.
    const int stored[][2] = {{765, 13}, {1349, 32}, {359, 0}, {330, kNoChoice}, {1350, kNoChoice}, {-30, kNoChoice}};
    for (const auto& s : stored) EXPECT_EQ(PracticeStartChoice(s[0]), s[1]) << s[0];

    const char* const delayTexts[] = {"None",       "1 minute",   "5 minutes", "10 minutes",
                                      "15 minutes (default)", "30 minutes"};
    const int delaySeconds[] = {0, 60, 300, 600, 900, 1800};
    for (int choice = 0; choice < kDelayChoiceCount; ++choice) {
        EXPECT_EQ(DelayText(choice), delayTexts[choice]);
        EXPECT_EQ(DelayChoice(std::to_string(delaySeconds[choice])), choice) << delayTexts[choice];
    }
    const std::pair<const char*, int> storedDelays[] = {{"900.00000", 4}, {" 60 ", 1}, {"120", kNoChoice},
                                                        {"900.5", kNoChoice}, {"abc", kNoChoice}, {"", kNoChoice}};
    for (const auto& s : storedDelays) EXPECT_EQ(DelayChoice(s.first), s.second) << s.first;

    const std::pair<const char*, int> ports[] = {{"1025", 1025}, {"65535", 65535}, {" 054297 ", 54297},
                                                 {"1024", 0},    {"65536", 0},     {"", 0},
                                                 {"54a97", 0},   {"-2000", 0},     {"4294968321", 0}};
    for (const auto& p : ports) {
        int port = 0;
        EXPECT_EQ(ParseServerPort(p.first, &port), p.second != 0) << p.first;
        EXPECT_EQ(port, p.second) << p.first;
    }
}

class ServerOptionsDialogTest : public LauncherTest {
protected:
    void SetUp() override
    {
        LauncherTest::SetUp();
        sim_ = TempDir() + "Sim\\";
        MakeFolders(sim_ + "rfm");
        for (const char* mod : kMods)
            WriteTextFile(sim_ + "rfm\\" + mod + ".rfm", "Mod Name = x\r\nCountCautionLaps = 1\r\n");
    }
    std::string Plr() const { return sim_ + "Userdata\\DedicatedServer\\DedicatedServer.PLR"; }
    std::string Multiplayer() const { return sim_ + "Userdata\\DedicatedServer\\Multiplayer.ini"; }
    void ExpectCautionLapsEverywhere(const char* value)
    {
        for (const char* mod : kMods) EXPECT_EQ(GetModFileValue(sim_, mod, "CountCautionLaps"), value) << mod;
    }

    std::string sim_;
};

TEST_F(ServerOptionsDialogTest, FreshSimShowsDefaultsAndRefusesBadPorts)
{
    CServerOptionsDlg dialog(sim_);
    ASSERT_TRUE(dialog.Create());
    HWND window = dialog.hwnd();
    EXPECT_EQ(ItemText(window, IDC_SRV_PORT), "0");
    EXPECT_EQ(SendMessageA(dialog.Item(IDC_SRV_PRACTICE_START), CB_GETCOUNT, 0, 0), 33);
    EXPECT_EQ(ItemText(window, IDC_SRV_PRACTICE_START), "12:30 pm");
    EXPECT_EQ(ItemText(window, IDC_SRV_DELAY_AFTER_RACE), "None");
    const std::pair<int, bool> boxes[] = {{IDC_SRV_MUST_BE_STOPPED, false}, {IDC_SRV_ALLOW_SPECTATORS, true},
                                          {IDC_SRV_SPECTATOR_CHAT, true},   {IDC_SRV_PRIVATE_QUALIFYING, true},
                                          {IDC_SRV_IMPOUND, false},         {IDC_SRV_CAUTION_LAPS, true}};
    for (const auto& box : boxes) EXPECT_EQ(IsItemChecked(window, box.first), box.second) << box.first;
    EXPECT_FALSE(GetWindowLongPtrA(dialog.Item(IDCANCEL), GWL_STYLE) & WS_VISIBLE) << "Done is hidden";
    EXPECT_TRUE(GetWindowLongPtrA(dialog.Item(IDOK), GWL_STYLE) & WS_VISIBLE);

    ClickItem(window, IDC_SRV_CAUTION_LAPS);  // off: written only with a good port
    for (const char* port : {"0", "", "abc", "1024", "65536", "99999999999"}) {
        SetDlgItemTextA(window, IDC_SRV_PORT, port);
        ExpectMessage("Please enter an integer between 1025 and 65535.");
        ClickItem(window, IDOK);
        ASSERT_TRUE(IsWindow(window)) << "the dialog stays open for " << port;
    }
    EXPECT_FALSE(FileExists(Multiplayer())) << "a refused port writes nothing";
    ExpectCautionLapsEverywhere("1");

    SetDlgItemTextA(window, IDC_SRV_PORT, "54297");
    ClickItem(window, IDOK);
    EXPECT_FALSE(IsWindow(window)) << "a good port closes the dialog";
    EXPECT_MATCHES_GOLDEN(Multiplayer(), "options/server_port_multiplayer.ini");
    EXPECT_FALSE(FileExists(Plr())) << "OK writes only the port and the rule";
    ExpectCautionLapsEverywhere("0");
}

TEST_F(ServerOptionsDialogTest, ChangesAreWrittenAtOnceAndKeptByEscape)
{
    MakeFolders(sim_ + "Userdata\\DedicatedServer");
    WriteTextFile(Plr(), "[Race Conditions]\r\nMULTI ParcFerme=\"1\"\r\nPractice1StartingTime=\"765\"\r\n");
    WriteTextFile(Multiplayer(), "[Multiplayer General Options]\r\nQuery Port Start=\"54297\"// range\r\n"
                                 "[Multiplayer Server Options]\r\nDelay After Race=\"900.00000\" // x\r\n"
                                 "Allow Spectators=\"0\"\r\n");
    WriteTextFile(sim_ + "rfm\\TRUCK.rfm", "CountCautionLaps=0\r\n");
    WriteTextFile(sim_ + "rfm\\EXTRA.rfm", "Mod Name = extra\r\n");  // no rule yet
    CServerOptionsDlg dialog(sim_);
    ASSERT_TRUE(dialog.Create());
    HWND window = dialog.hwnd();
    EXPECT_EQ(ItemText(window, IDC_SRV_PORT), "54297");
    EXPECT_EQ(ItemText(window, IDC_SRV_PRACTICE_START), "12:30 pm");
    EXPECT_EQ(ItemText(window, IDC_SRV_DELAY_AFTER_RACE), "15 minutes (default)");
    EXPECT_TRUE(IsItemChecked(window, IDC_SRV_IMPOUND));
    EXPECT_FALSE(IsItemChecked(window, IDC_SRV_ALLOW_SPECTATORS));
    EXPECT_FALSE(IsItemChecked(window, IDC_SRV_CAUTION_LAPS)) << "TRUCK holds 0";

    for (int id : {IDC_SRV_PRIVATE_QUALIFYING, IDC_SRV_IMPOUND, IDC_SRV_MUST_BE_STOPPED, IDC_SRV_ALLOW_SPECTATORS,
                   IDC_SRV_SPECTATOR_CHAT, IDC_SRV_CAUTION_LAPS})
        ClickItem(window, id);
    ChooseEntry(window, IDC_SRV_PRACTICE_START, 5);    // 8:30 am
    ChooseEntry(window, IDC_SRV_DELAY_AFTER_RACE, 5);  // 30 minutes
    SetDlgItemTextA(window, IDC_SRV_PORT, "60000");    // like the caution laps, only for OK
    PressEscape(window);
    EXPECT_FALSE(IsWindow(window)) << "Escape closes the dialog";
    EXPECT_MATCHES_GOLDEN(Plr(), "options/server_changes.plr");
    EXPECT_MATCHES_GOLDEN(Multiplayer(), "options/server_changes_multiplayer.ini");
    EXPECT_EQ(GetModFileValue(sim_, "TRUCK", "CountCautionLaps"), "0");

    CServerOptionsDlg again(sim_);
    ASSERT_TRUE(again.Create());
    EXPECT_EQ(ItemText(again.hwnd(), IDC_SRV_PRACTICE_START), "8:30 am");
    ChooseEntry(again.hwnd(), IDC_SRV_PRACTICE_START, 32);
    EXPECT_EQ(ReadIniText(Plr(), "Race Conditions", "Practice1StartingTime"),
              "\"1320\" // Modified by ZANT Launcher (750)");
    ClickItem(again.hwnd(), IDC_SRV_CAUTION_LAPS);
    SetDlgItemTextA(again.hwnd(), IDC_SRV_PORT, "60000");
    ClickItem(again.hwnd(), IDOK);
    EXPECT_EQ(ReadIniText(Multiplayer(), "Multiplayer General Options", "Port Start"),
              "\"60100\"// range is 1025 - 65535");
    ExpectCautionLapsEverywhere("1");
    EXPECT_EQ(ReadTextFile(sim_ + "rfm\\EXTRA.rfm"), "Mod Name = extra\r\nCountCautionLaps = 1\r\n");
}

}  // namespace
