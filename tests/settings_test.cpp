#include <string>

#include "app/Handles.h"
#include "app/Settings.h"
#include "tests/support/TestEnv.h"

namespace {

class SettingsTest : public LauncherTest {
protected:
    // Stores raw registry data, bypassing the accessors.
    static void StoreRaw(const std::string& subkey, const std::string& name, DWORD type, const void* data,
                         DWORD size)
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, (kSettingsKey + subkey).c_str(), 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegKey owner(key);
        ASSERT_EQ(RegSetValueExA(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    }
    static DWORD StoredType(const std::string& subkey, const std::string& name, DWORD* size)
    {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kSettingsKey + subkey).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return REG_NONE;
        RegKey owner(key);
        DWORD type = REG_NONE;
        *size = 0;
        RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, size);
        return type;
    }
};

TEST_F(SettingsTest, MissingValuesGiveTheCallersDefault)
{
    EXPECT_EQ(ReadSettingNumber("Packet Size", 4096), 4096);
    EXPECT_EQ(ReadSettingNumber("Delete Files", -7, "Options"), -7);
    EXPECT_EQ(ReadSettingText("Profile1", "none", "Options"), "none");
    EXPECT_EQ(ReadSettingText("Profile1", "", "Options"), "");
}

TEST_F(SettingsTest, NumbersRoundTripAsFourByteDwords)
{
    WriteSettingNumber("Version", 2);
    WriteSettingNumber("Count", -5, "Locations");
    WriteSettingNumber("Sort Cars", 0x10003);
    EXPECT_EQ(ReadSettingNumber("Version", 0), 2);
    EXPECT_EQ(ReadSettingNumber("Count", 0, "Locations"), -5);
    EXPECT_EQ(ReadSettingNumber("sort cars", 0), 0x10003) << "value names are case-insensitive";
    DWORD size = 0;
    EXPECT_EQ(StoredType("", "Version", &size), static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(size, 4u);
    // The subkeys are separate: the own key holds no "Count".
    EXPECT_EQ(ReadSettingNumber("Count", 99), 99);
}

TEST_F(SettingsTest, TextsRoundTripWithoutTerminatorInTheData)
{
    WriteSettingText("Profile3", "Jane Driver", "Options");
    EXPECT_EQ(ReadSettingText("Profile3", "", "Options"), "Jane Driver");
    DWORD size = 0;
    EXPECT_EQ(StoredType("Options", "Profile3", &size), static_cast<DWORD>(REG_SZ));
    WriteSettingText("Profile3", "", "Options");
    EXPECT_EQ(ReadSettingText("Profile3", "x", "Options"), "");
}

TEST_F(SettingsTest, TextLimitIs259Characters)
{
    const std::string fits(259, 'a');
    const std::string tooLong(260, 'b');
    WriteSettingText("Fits", fits);
    WriteSettingText("TooLong", tooLong);
    EXPECT_EQ(ReadSettingText("Fits", "default"), fits);
    EXPECT_EQ(ReadSettingText("TooLong", "default"), "default");
    WriteSettingText("Longer", std::string(300, 'c'));
    EXPECT_EQ(ReadSettingText("Longer", "default"), "default");
}

TEST_F(SettingsTest, NumberReadIgnoresTheStoredType)
{
    // A short text is read as its raw bytes (NUL included), a longer one gives the default.
    StoreRaw("", "Short", REG_SZ, "ab", 3);
    StoreRaw("", "Four", REG_BINARY, "\x01\x02\x03\x04", 4);
    StoreRaw("", "Long", REG_SZ, "12345", 6);
    EXPECT_EQ(ReadSettingNumber("Short", 7), 'a' | ('b' << 8));
    EXPECT_EQ(ReadSettingNumber("Four", 7), 0x04030201);
    EXPECT_EQ(ReadSettingNumber("Long", 7), 7);
}

}  // namespace
