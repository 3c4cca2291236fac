#include "tests/support/TestEnv.h"

#include <wininet.h>

#include "net/ErrorText.h"

namespace {

// The raw text of a message table, line break included.
std::string RawMessage(HMODULE module, DWORD code)
{
    char* buffer = nullptr;
    DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS |
                  (module ? FORMAT_MESSAGE_FROM_HMODULE : FORMAT_MESSAGE_FROM_SYSTEM);
    DWORD length = FormatMessageA(flags, module, code, 0, reinterpret_cast<LPSTR>(&buffer), 0, nullptr);
    std::string text = length && buffer ? std::string(buffer, length) : std::string();
    if (buffer) LocalFree(buffer);
    return text;
}

TEST(ErrorTextTest, SystemTextsLoseTheirLineBreak)
{
    const DWORD codes[] = {ERROR_ACCESS_DENIED, ERROR_PATH_NOT_FOUND, ERROR_FILE_NOT_FOUND};
    for (DWORD code : codes) {
        const std::string raw = RawMessage(nullptr, code);
        ASSERT_GE(raw.size(), 3u) << code;
        ASSERT_EQ(raw.substr(raw.size() - 2), "\r\n") << code;
        EXPECT_EQ(GetErrorText(code), raw.substr(0, raw.size() - 2)) << code;
    }
    EXPECT_EQ(ErrorLine(ERROR_ACCESS_DENIED), "Error: " + GetErrorText(ERROR_ACCESS_DENIED) + " (5)");
}

TEST(ErrorTextTest, InternetCodesHaveNoText)
{
    const DWORD codes[] = {ERROR_INTERNET_CANNOT_CONNECT, ERROR_HTTP_HEADER_NOT_FOUND, 0xFFFF};
    for (DWORD code : codes)
        EXPECT_EQ(GetErrorText(code), "") << code;
    EXPECT_EQ(ErrorLine(ERROR_INTERNET_CANNOT_CONNECT), "Error:  (12029)");
}

TEST(ErrorTextTest, NetworkCodesComeFromTheNetworkMessageModule)
{
    // Where the network message module exists its table answers for 2100 to
    // 2999; where it cannot be loaded the system table does.
    HMODULE networkMessages = LoadLibraryExA("netmsg.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    const DWORD codes[] = {2102, 2250, 2999};
    for (DWORD code : codes) {
        std::string raw = RawMessage(networkMessages, code);
        while (!raw.empty() && (raw.back() == '\r' || raw.back() == '\n')) raw.pop_back();
        EXPECT_EQ(GetErrorText(code), raw) << code;
    }
    if (networkMessages) {
        FreeLibrary(networkMessages);
    } else {
        // "This network connection does not exist." in the system table.
        EXPECT_NE(GetErrorText(2250), "");
    }
    // Just outside the range: the system table even where the module exists.
    std::string raw = RawMessage(nullptr, 3000);
    while (!raw.empty() && (raw.back() == '\r' || raw.back() == '\n')) raw.pop_back();
    EXPECT_EQ(GetErrorText(3000), raw);
}

} // namespace
