// Join links: their form and the registration of the launcher as their handler.
#include <windows.h>

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

// Registered below a key of the test's own, not the machine's classes.
TEST_F(LauncherTest, LinkSchemeIsRegisteredOnceAndAgainOnlyForAnotherProgram)
{
    HKEY root = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\ZANT link test", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &root, nullptr),
              ERROR_SUCCESS);
    auto value = [&](const char* path, const char* name = nullptr) {
        char text[512] = "?";
        DWORD size = sizeof text;
        RegGetValueA(root, path, name, RRF_RT_REG_SZ, nullptr, text, &size);
        return std::string(text);
    };
    EXPECT_TRUE(RegisterLinkScheme("C:\\Games\\VORA\\ZANTLauncher.exe", root));
    EXPECT_EQ(value("zant"), "URL:ZANT Launcher");
    EXPECT_EQ(value("zant", "URL Protocol"), "");
    EXPECT_EQ(value("zant\\DefaultIcon"), "C:\\Games\\VORA\\ZANTLauncher.exe,0");
    EXPECT_EQ(value("zant\\shell\\open\\command"), "\"C:\\Games\\VORA\\ZANTLauncher.exe\" \"%1\"");
    // Naming this launcher already, it is left as it is.
    RegSetKeyValueA(root, "zant\\DefaultIcon", nullptr, REG_SZ, "mine", 5);
    EXPECT_FALSE(RegisterLinkScheme("C:\\Games\\VORA\\ZANTLauncher.exe", root));
    EXPECT_EQ(value("zant\\DefaultIcon"), "mine");
    EXPECT_TRUE(RegisterLinkScheme("D:\\Other\\ZANTLauncher.exe", root));
    EXPECT_EQ(value("zant\\DefaultIcon"), "D:\\Other\\ZANTLauncher.exe,0");
    RegCloseKey(root);
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\ZANT link test");
}

}  // namespace
