// Join links: their form and the registration of the launcher as their handler.
#include <windows.h>

#include "app/Handles.h"
#include "app/JoinLink.h"
#include "tests/support/TestEnv.h"

namespace {

TEST(JoinLinkTest, OnlyEventLinksNameAnEvent)
{
    const std::pair<const char*, int> links[] = {
        {"zant://event/101", 101}, {"ZANT://Event/7/", 7}, {"zant://event/0042", 42},
        {"zant://event/", 0},     {"zant://event/12a", 0}, {"zant://event/1/2", 0},
        {"zant://race/5", 0},     {"http://event/5", 0},   {"zant://event/1234567890", 0},
        {"-d C:\\Sim", 0},        {"", 0},
    };
    for (const auto& link : links) EXPECT_EQ(ParseJoinLink(link.first), link.second) << link.first;
    EXPECT_EQ(JoinLinkFor(101), "zant://event/101");
}

class LinkSchemeTest : public LauncherTest {
protected:
    void TearDown() override
    {
        root_.reset();
        RegDeleteTreeA(HKEY_CURRENT_USER, kRoot);
        LauncherTest::TearDown();
    }
    std::string Value(const std::string& path, const char* name = nullptr)
    {
        char value[512] = "?";
        DWORD size = sizeof value;
        RegGetValueA(Root(), path.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size);
        return value;
    }
    HKEY Root()
    {
        HKEY raw = nullptr;
        if (!root_ && RegCreateKeyExA(HKEY_CURRENT_USER, kRoot, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &raw,
                                      nullptr) == ERROR_SUCCESS)
            root_.reset(raw);
        return root_.get();
    }
    static constexpr char kRoot[] = "Software\\ZANT Launcher link test";
    RegKey root_;
};

TEST_F(LinkSchemeTest, RegisteredOnceAndAgainOnlyForAnotherProgram)
{
    EXPECT_TRUE(RegisterLinkScheme("C:\\Games\\VORA\\ZANTLauncher.exe", Root()));
    EXPECT_EQ(Value("zant"), "URL:ZANT Launcher");
    EXPECT_EQ(Value("zant", "URL Protocol"), "");
    EXPECT_EQ(Value("zant\\DefaultIcon"), "C:\\Games\\VORA\\ZANTLauncher.exe,0");
    EXPECT_EQ(Value("zant\\shell\\open\\command"), "\"C:\\Games\\VORA\\ZANTLauncher.exe\" \"%1\"");

    // Naming this launcher already, it is left as it is.
    RegSetKeyValueA(Root(), "zant\\DefaultIcon", nullptr, REG_SZ, "mine", 5);
    EXPECT_FALSE(RegisterLinkScheme("C:\\Games\\VORA\\ZANTLauncher.exe", Root()));
    EXPECT_EQ(Value("zant\\DefaultIcon"), "mine");
    EXPECT_TRUE(RegisterLinkScheme("D:\\Other\\ZANTLauncher.exe", Root()));
    EXPECT_EQ(Value("zant\\DefaultIcon"), "D:\\Other\\ZANTLauncher.exe,0");
}

}  // namespace
