#include "tests/support/TestEnv.h"

#include <algorithm>

#include "app/IniFile.h"
#include "simconfig/Profiles.h"
#include "simconfig/SimValues.h"

namespace {

class ProfilesTest : public LauncherTest {
protected:
    void SetUp() override
    {
        LauncherTest::SetUp();
        sim_ = TempDir() + "sim\\";
        MakeFolders(sim_ + "UserData");
    }

    // A profile folder with its .PLR file (and no Multiplayer.ini yet).
    void MakeProfile(const std::string& name, const std::string& plrContent = "")
    {
        MakeFolders(sim_ + "UserData\\" + name);
        WriteTextFile(sim_ + "UserData\\" + name + "\\" + name + ".PLR", plrContent);
    }

    std::string Plr(const std::string& profile) const { return ProfileFilePath(sim_, profile); }
    std::string Multiplayer(const std::string& profile) const
    {
        return MultiplayerFilePath(sim_, profile);
    }
    std::string Value(const std::string& file, const std::string& section, const std::string& key) const
    {
        return ReadIniText(file, section, key, "<missing>");
    }

    std::string sim_;
};

std::vector<std::string> Sorted(std::vector<std::string> names)
{
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(ProfilesTest, EnumerateFindsFoldersHoldingTheirOwnPlr)
{
    MakeProfile("Player1");
    MakeFolders(sim_ + "UserData\\Lower");
    WriteTextFile(sim_ + "UserData\\Lower\\lower.plr", "");       // any case counts
    MakeFolders(sim_ + "UserData\\Other");
    WriteTextFile(sim_ + "UserData\\Other\\Someone.PLR", "");     // not its own name
    MakeFolders(sim_ + "UserData\\Folder");
    MakeFolders(sim_ + "UserData\\Folder\\Folder.PLR");           // a folder, not a file
    MakeFolders(sim_ + "UserData\\Empty");
    WriteTextFile(sim_ + "UserData\\Loose.PLR", "");              // directly in UserData
    MakeFolders(sim_ + "UserData\\Loose");
    MakeFolders(sim_ + "UserData\\Stem");
    WriteTextFile(sim_ + "UserData\\Stem\\Stem.PLR.bak", "");

    EXPECT_EQ(Sorted(EnumerateProfiles(sim_)), (std::vector<std::string>{"Lower", "Player1"}));
}

TEST_F(ProfilesTest, EnumerateWithoutProfilesIsEmpty)
{
    EXPECT_TRUE(EnumerateProfiles(sim_).empty());
    EXPECT_TRUE(EnumerateProfiles(TempDir() + "nowhere\\").empty());
}

TEST_F(ProfilesTest, CleaningRule)
{
    struct Case {
        const char* raw;
        const char* cleaned;
        int number;
    };
    const Case cases[] = {
        {"\"1\" // Join games in spectator mode", "1", 1},
        {"1", "1", 1},
        {"  \"144\"  ", "144", 144},
        {"\"0\" // Modified by ZANT Launcher (0)", "0", 0},
        {"\"1.50000\"", "1.50000", 1},
        {"Unlimited", "Unlimited", 0},
        {"\"\" // nothing", "", 0},
        {"a\"b\"c//d//e", "abc", 0},
        {"\"-1\"", "-1", -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CleanSimValue(c.raw), c.cleaned) << c.raw;
        WriteIniText(TempDir() + "values.ini", "S", "K", c.raw);
        EXPECT_EQ(ReadSimNumber(TempDir() + "values.ini", "S", "K", "7"), c.number) << c.raw;
    }
    EXPECT_EQ(ReadSimValue(TempDir() + "values.ini", "S", "missing", "\"9\" // x"), "9");
}

TEST_F(ProfilesTest, LauncherMarkText)
{
    EXPECT_EQ(LauncherMark("0", "1"), "\"0\" // Modified by ZANT Launcher (1)");
    EXPECT_EQ(LauncherMark("", "DataAnalysis.exe"),
              "\"\" // Modified by ZANT Launcher (DataAnalysis.exe)");
}

struct Expected {
    bool multiplayer;
    const char* section;
    const char* key;
    const char* value;
};

// Written out independently of the launcher's own table.
const Expected kResetValues[] = {
    {true, "Multiplayer General Options", "Auto Join Chat Server", "\"0\" // Modified by ZANT Launcher (1)"},
    {false, "DRIVING AIDS", "Data Acquisition Rate", "\"0\" // Modified by ZANT Launcher (8)"},
    {false, "DRIVING AIDS", "Data Acquisition In Race", "\"0\" // Modified by ZANT Launcher (1)"},
    {false, "DRIVING AIDS", "Data Acquisition EXE", "\"\" // Modified by ZANT Launcher (DataAnalysis.exe)"},
    {false, "Race Conditions", "QUICK ParcFerme", "\"0\" // Modified by ZANT Launcher (3)"},
    {false, "Sound Options", "Maximum Effects", "\"24\" // Modified by ZANT Launcher (16)"},
    {false, "Sound Options", "Music", "\"0\" // Modified by ZANT Launcher (1)"},
    {false, "Sound Options", "Engine Volume", "\"1.00000\" // Modified by ZANT Launcher (0.7)"},
    {false, "Sound Options", "Player Volume Ratio", "\"1.50000\" // Modified by ZANT Launcher (1)"},
    {false, "Sound Options", "Other Volume Ratio", "\"0.70000\" // Modified by ZANT Launcher (1)"},
    {false, "Graphic Options", "Texture Detail", "\"3\" // Modified by ZANT Launcher (1)"},
    {false, "Graphic Options", "Cockpit Vibration Mult1", "\"0.00000\" // Modified by ZANT Launcher (1.0)"},
    {false, "Graphic Options", "Cockpit Vibration Mult2", "\"0.00000\" // Modified by ZANT Launcher (1.0)"},
    {false, "Graphic Options", "HUD MFD", "\"2\" // Modified by ZANT Launcher (1)"},
    {false, "Graphic Options", "LCD Display Modes", "\"29\" // Modified by ZANT Launcher (21)"},
    {false, "Graphic Options", "Player Detail", "\"1\" // Modified by ZANT Launcher (1)"},
    {false, "Graphic Options", "Player Texture Override", "\"3\" // Modified by ZANT Launcher (-1)"},
    {false, "Graphic Options", "Opponent Detail", "\"1\" // Modified by ZANT Launcher (0)"},
    {false, "Graphic Options", "Opponent Texture Override", "\"3\" // Modified by ZANT Launcher (-1)"},
    {false, "Graphic Options", "Load Opponent Cockpits", "\"0\" // Modified by ZANT Launcher (1)"},
    {false, "Graphic Options", "Shadows", "\"2\" // Modified by ZANT Launcher (3)"},
    {false, "Graphic Options", "Special FX", "\"2\" // Modified by ZANT Launcher (3)"},
    {false, "Graphic Options", "Track Detail", "\"2\" // Modified by ZANT Launcher (1)"},
    {false, "Graphic Options", "Rearview_Front_Clip", "\"0.75000\" // Modified by ZANT Launcher (0)"},
    {false, "Graphic Options", "Rearview_Back_Clip", "\"1000.0000\" // Modified by ZANT Launcher (0)"},
    {false, "Game Options", "Spotter Detail", "\"4\" // Modified by ZANT Launcher (3)"},
};

TEST_F(ProfilesTest, ResetWritesTheRecommendedValues)
{
    MakeProfile("Player1", "[Sound Options]\r\nMusic=\"1\" // Play music in menus\r\n"
                           "Ambient=\"1\"\r\n");
    ExpectMessage("Reset the 'Player1' profile to recommended settings?\r\nThis will change the PLR file.",
                  IDYES);
    ASSERT_TRUE(ResetProfileToRecommended(sim_, "Player1"));
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));

    size_t profileKeys = 0, multiplayerKeys = 0;
    for (const Expected& e : kResetValues) {
        std::string file = e.multiplayer ? Multiplayer("Player1") : Plr("Player1");
        EXPECT_EQ(Value(file, e.section, e.key), e.value) << e.key;
        (e.multiplayer ? multiplayerKeys : profileKeys)++;
    }
    EXPECT_EQ(profileKeys + multiplayerKeys, 26u);

    // Exactly those keys were written (the profile's own "Ambient" stays).
    size_t writtenToPlr = 0;
    for (const char* section : {"DRIVING AIDS", "Race Conditions", "Sound Options",
                                "Graphic Options", "Game Options"})
        writtenToPlr += ReadIniKeys(Plr("Player1"), section).size();
    EXPECT_EQ(writtenToPlr, profileKeys + 1);
    EXPECT_EQ(Value(Plr("Player1"), "Sound Options", "Ambient"), "1");
    EXPECT_EQ(ReadIniKeys(Multiplayer("Player1"), "Multiplayer General Options").size(), multiplayerKeys);

    std::string video = VideoConfigPath(sim_);
    EXPECT_EQ(ReadIniKeys(video, "COMPONENTS"),
              (std::vector<std::string>{"CPURating", "ObjDetail", "TexDetail"}));
    for (const char* key : {"CPURating", "ObjDetail", "TexDetail"})
        EXPECT_EQ(Value(video, "COMPONENTS", key), "5") << key;
}

TEST_F(ProfilesTest, ResetAnsweredNoWritesNothing)
{
    MakeProfile("Player1");
    ExpectMessage("Reset the 'Player1' profile", IDNO);
    EXPECT_FALSE(ResetProfileToRecommended(sim_, "Player1"));
    EXPECT_FALSE(FileExists(Multiplayer("Player1")));
    EXPECT_FALSE(FileExists(VideoConfigPath(sim_)));
    EXPECT_EQ(ReadTextFile(Plr("Player1")), "");
}

TEST_F(ProfilesTest, ResetWithoutProfileIsRefused)
{
    for (const char* profile : {"", "..", "..\\..\\Windows"}) {
        ExpectMessage("Please select a profile to reset. Run the sim to create a profile if one does not exist.");
        EXPECT_FALSE(ResetProfileToRecommended(sim_, profile));
        EXPECT_EQ(Messages().back().type, static_cast<UINT>(MB_OK | MB_ICONSTOP));
    }
    EXPECT_FALSE(FileExists(VideoConfigPath(sim_)));
}

TEST_F(ProfilesTest, RearViewWritesBothKeys)
{
    MakeProfile("P");
    struct Case {
        int choice;
        const char* value;
    };
    const Case cases[] = {{0, "0"}, {4, "4"}, {6, "6"}, {7, "15"}};
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteRearView(sim_, "P", c.choice));
        EXPECT_EQ(Value(Plr("P"), "Graphic Options", "Self In TV Rearview"),
                  std::string("\"") + c.value + "\" // Modified by ZANT Launcher (0)");
        EXPECT_EQ(Value(Plr("P"), "Graphic Options", "Self In Cockpit Rearview"),
                  std::string("\"") + c.value + "\" // Modified by ZANT Launcher (4)");
        EXPECT_EQ(ReadRearViewChoice(sim_, "P", -1), c.choice);
    }
    EXPECT_FALSE(WriteRearView(sim_, "P", 8));
    EXPECT_FALSE(WriteRearView(sim_, "P", -1));
    EXPECT_FALSE(WriteRearView(sim_, "", 3));
    EXPECT_EQ(ReadRearViewChoice(sim_, "P", 2), 7);  // unchanged by the refusals
}

TEST_F(ProfilesTest, RearViewReadSelectsAChoiceOrKeepsTheCurrentOne)
{
    struct Case {
        const char* stored;  // null: no key
        int expected;
    };
    const Case cases[] = {
        {"\"15\" // Modified by ZANT Launcher (4)", 7},
        {"\"8\"", 3},
        {"\"5\"", 5},
        {"6", 6},
        {"-1", 3},
        {nullptr, 0},  // missing key reads as "0"
    };
    MakeProfile("P");
    for (const Case& c : cases) {
        WriteIniText(Plr("P"), "Graphic Options", "Self In Cockpit Rearview", c.stored ? c.stored : "");
        if (!c.stored)
            WritePrivateProfileStringA("Graphic Options", "Self In Cockpit Rearview", nullptr,
                                       Plr("P").c_str());
        EXPECT_EQ(ReadRearViewChoice(sim_, "P", 3), c.expected) << (c.stored ? c.stored : "missing");
    }
}

TEST_F(ProfilesTest, FrameRateLimit)
{
    MakeProfile("P");
    struct Case {
        const char* text;
        const char* written;
    };
    const Case cases[] = {
        {"144", "\"144\" // Modified by ZANT Launcher (0)"},
        {"Unlimited", "\"0\" // Modified by ZANT Launcher (0)"},
        {"60 fps", "\"0\" // Modified by ZANT Launcher (0)"},
        {"abc", "\"0\" // Modified by ZANT Launcher (0)"},
        {"-5", "\"0\" // Modified by ZANT Launcher (0)"},
        {"", "\"\" // Modified by ZANT Launcher (0)"},
        {"240", "\"240\" // Modified by ZANT Launcher (0)"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteFrameRateLimit(sim_, "P", c.text));
        EXPECT_EQ(Value(Plr("P"), "Graphic Options", "Max Framerate"), c.written) << c.text;
    }
    EXPECT_EQ(ReadFrameRateLimit(sim_, "P"), "240");
    WriteFrameRateLimit(sim_, "P", "Unlimited");
    EXPECT_EQ(ReadFrameRateLimit(sim_, "P"), "0");
    EXPECT_FALSE(WriteFrameRateLimit(sim_, "", "144"));
}

TEST_F(ProfilesTest, ReadersFallBackToTheSimDefaults)
{
    MakeProfile("P");
    EXPECT_EQ(ReadFrameRateLimit(sim_, "P"), "0");
    EXPECT_TRUE(ReadTemporaryCars(sim_, "P"));
    EXPECT_FALSE(ReadVirtualMirrors(sim_, "P"));
    EXPECT_FALSE(ReadSpectatorMode(sim_, "P"));
    EXPECT_EQ(ReadRearViewChoice(sim_, "P", 4), 0);
    EXPECT_FALSE(ReadSpectatorMode(sim_, ""));
}

TEST_F(ProfilesTest, TemporaryCarsAndVirtualMirrors)
{
    MakeProfile("P");
    ASSERT_TRUE(WriteTemporaryCars(sim_, "P", false));
    EXPECT_EQ(Value(Multiplayer("P"), "Multiplayer General Options", "Delay Vehicle Graphics"),
              "\"0\" // Modified by ZANT Launcher (1)");
    EXPECT_FALSE(ReadTemporaryCars(sim_, "P"));
    ASSERT_TRUE(WriteTemporaryCars(sim_, "P", true));
    EXPECT_EQ(Value(Multiplayer("P"), "Multiplayer General Options", "Delay Vehicle Graphics"),
              "\"1\" // Modified by ZANT Launcher (1)");
    EXPECT_TRUE(ReadTemporaryCars(sim_, "P"));

    ASSERT_TRUE(WriteVirtualMirrors(sim_, "P", true));
    EXPECT_EQ(Value(Plr("P"), "Graphic Options", "Virtual Rearview In Cockpit"),
              "\"1\" // Modified by ZANT Launcher (0)");
    EXPECT_TRUE(ReadVirtualMirrors(sim_, "P"));
    ASSERT_TRUE(WriteVirtualMirrors(sim_, "P", false));
    EXPECT_EQ(Value(Plr("P"), "Graphic Options", "Virtual Rearview In Cockpit"),
              "\"0\" // Modified by ZANT Launcher (0)");
    EXPECT_FALSE(ReadVirtualMirrors(sim_, "P"));

    EXPECT_FALSE(WriteTemporaryCars(sim_, "", true));
    EXPECT_FALSE(WriteVirtualMirrors(sim_, "..", true));
}

TEST_F(ProfilesTest, SpectatorModeGoesToEveryProfile)
{
    const std::vector<std::string> profiles = {"A", "B", "C"};
    for (const std::string& p : profiles) MakeProfile(p);
    WriteSpectatorMode(sim_, profiles, true);
    for (const std::string& p : profiles) {
        EXPECT_EQ(Value(Multiplayer(p), "Multiplayer General Options", "Spectator Mode"),
                  "\"1\" // Join games in spectator mode (rather than with a separate vehicle)")
            << p;
        EXPECT_TRUE(ReadSpectatorMode(sim_, p));
    }
    WriteSpectatorMode(sim_, profiles, false);
    for (const std::string& p : profiles) {
        EXPECT_EQ(Value(Multiplayer(p), "Multiplayer General Options", "Spectator Mode"),
                  "\"0\" // Join games in spectator mode (rather than with a separate vehicle)");
        EXPECT_FALSE(ReadSpectatorMode(sim_, p));
    }
}

TEST_F(ProfilesTest, VideoConfigurationIsBareFive)
{
    WriteTextFile(VideoConfigPath(sim_), "[COMPONENTS]\r\nCPURating=2\r\nOther=1\r\n");
    WriteVideoConfiguration(sim_);
    for (const char* key : {"CPURating", "ObjDetail", "TexDetail"})
        EXPECT_EQ(Value(VideoConfigPath(sim_), "COMPONENTS", key), "5") << key;
    EXPECT_EQ(Value(VideoConfigPath(sim_), "COMPONENTS", "Other"), "1");
}

}  // namespace
