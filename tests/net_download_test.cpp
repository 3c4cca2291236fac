#include <algorithm>
#include <ctime>
#include <thread>
#include "tests/support/TestEnv.h"
#include "tests/support/TestHttpServer.h"

#include <wininet.h>

#include "app/Settings.h"
#include "net/Download.h"
#include "net/ErrorText.h"
#include "net/LongWork.h"
#include "net/ReceiveFile.h"
#include "net/StatusPopup.h"

namespace {

const std::string kTitle = "Retrieving ZANT events\r\n";
const std::string kEarlyAbort =
    "EARLY ABORT ERROR!  No bytes read after reading 10000 bytes.  Descreasing packetSize and trying again";

// Names of the files in folder, so a test can see that nothing was left behind.
std::vector<std::string> FilesIn(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name = found.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

class DownloadTest : public LauncherTest {
protected:
    void SetUp() override
    {
        LauncherTest::SetUp();
        ASSERT_TRUE(server_.Start(80)) << "cannot listen on 127.0.0.1:80; run the tests through scripts/ctest.sh";
    }
    void TearDown() override
    {
        server_.Stop();
        EXPECT_FALSE(StatusPopupActive()) << "the download left the status popup open";
        LauncherTest::TearDown();
    }

    bool Download(const std::string& url, const std::string& localPath)
    {
        return DownloadFile(url, localPath, "", "", kTitle);
    }

    TestHttpServer server_;
};

TEST_F(DownloadTest, StoresBodyLargerThanTheWriteBuffer)
{
    const std::string body = PatternBody(200000);
    server_.Serve("/files/zant.ini", body);
    const std::string target = TempDir() + "zant.ini";

    ASSERT_TRUE(Download("http://127.0.0.1/files/zant.ini", target));
    EXPECT_EQ(ReadTextFile(target), body);
    EXPECT_EQ(FilesIn(TempDir()), std::vector<std::string>{"zant.ini"});

    auto requests = server_.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].target, "/files/zant.ini");
    // The last progress line reports the whole body.
    EXPECT_NE(CurrentStatusText().find("Downloading '...http://127.0.0.1/files/zant.ini'\r\n(100.0% of 200 kb - "),
              std::string::npos)
        << CurrentStatusText();
}

TEST_F(DownloadTest, ReplacesAnExistingFileAndKeepsTheQuery)
{
    const std::string target = TempDir() + "banner.bmp";
    WriteTextFile(target, "old banner that is longer than the new one");
    server_.Serve("/banner.php?series=NW&size=2", "new banner");

    ASSERT_TRUE(Download("http://127.0.0.1/banner.php?series=NW&size=2", target));
    EXPECT_EQ(ReadTextFile(target), "new banner");
    EXPECT_EQ(FilesIn(TempDir()), std::vector<std::string>{"banner.bmp"});
}

TEST_F(DownloadTest, ErrorAnswersFailAndKeepThePreviousFile)
{
    struct Case {
        int status;
        std::string body;
        std::string message;
    };
    const Case cases[] = {
        {404, "<html>404 Not Found</html>", "The server answered 404 Not Found (http://127.0.0.1/f)."},
        {401, "<h1>Authorization Required</h1>", "The server answered 401 Unauthorized (http://127.0.0.1/f)."},
        {500, "<html>crashed</html>", "The server answered 500 Internal Server Error (http://127.0.0.1/f)."},
        {503, "", "The server answered 503 Status (http://127.0.0.1/f)."},
        {302, "moved, but not said where", "The server answered 302 Found (http://127.0.0.1/f)."},
    };
    const std::string target = TempDir() + "series.bmp";
    for (const Case& c : cases) {
        TestHttpServer::Response response;
        response.status = c.status;
        response.body = c.body;
        server_.Serve("/f", response);
        WriteTextFile(target, "previous banner");
        ExpectMessage(c.message);
        EXPECT_FALSE(Download("http://127.0.0.1/f", target)) << c.status;
        ASSERT_FALSE(Messages().empty());
        EXPECT_EQ(Messages().back().text, "Unable to get file. " + c.message);
        EXPECT_EQ(Messages().back().type, static_cast<UINT>(MB_OK | MB_ICONSTOP));
        EXPECT_EQ(ReadTextFile(target), "previous banner") << c.status;
        EXPECT_EQ(FilesIn(TempDir()), std::vector<std::string>{"series.bmp"}) << c.status;
    }
}

TEST_F(DownloadTest, ErrorAnswerIsHandedToACallerThatAsks)
{
    TestHttpServer::Response response;
    response.status = 401;
    response.body = "<h1>Authorization Required</h1>";
    server_.Serve("/zant.ini", response);
    const std::string target = TempDir() + "zant.ini";
    WriteTextFile(target, "[Application]\r\nVersion=1.8.3.0\r\n");

    HttpErrorReply reply;
    EXPECT_FALSE(DownloadFile("http://127.0.0.1/zant.ini", target, "", "", kTitle, &reply));
    EXPECT_TRUE(Messages().empty()) << "the caller tells the user";
    EXPECT_EQ(reply.status, 401u);
    EXPECT_EQ(reply.body, "<h1>Authorization Required</h1>");
    EXPECT_EQ(ReadTextFile(target), "[Application]\r\nVersion=1.8.3.0\r\n");

    // A long page is cut; a good answer leaves the reply empty.
    response.body = PatternBody(100000);
    server_.Serve("/zant.ini", response);
    EXPECT_FALSE(DownloadFile("http://127.0.0.1/zant.ini", target, "", "", kTitle, &reply));
    EXPECT_EQ(reply.body, response.body.substr(0, kErrorReplyBodyLimit));
    HttpErrorReply none;
    server_.Serve("/zant.ini", "[Application]\r\n");
    EXPECT_TRUE(DownloadFile("http://127.0.0.1/zant.ini", target, "", "", kTitle, &none));
    EXPECT_EQ(none.status, 0u);
}

TEST_F(DownloadTest, LeftoverOfAKilledDownloadIsRemoved)
{
    const std::string target = TempDir() + "Cars\\car.zip";
    MakeFolders(TempDir() + "Cars");
    const std::string leftover = ReceiveFile::TempPathFor(target);
    EXPECT_EQ(leftover.rfind(TempDir() + "Cars\\", 0), 0u) << "beside its target";
    EXPECT_EQ(ReceiveFile::TempPathFor(TempDir() + "Cars\\CAR.ZIP"), leftover);
    EXPECT_NE(ReceiveFile::TempPathFor(TempDir() + "Cars\\car2.zip"), leftover);

    // Removed before the next download, whether that one succeeds or fails.
    WriteTextFile(leftover, "half a car");
    server_.Serve("/car.zip", "whole car");
    ASSERT_TRUE(Download("http://127.0.0.1/car.zip", target));
    EXPECT_EQ(FilesIn(TempDir() + "Cars\\"), std::vector<std::string>{"car.zip"});

    // Leftovers of other transfers go once they are two weeks old.
    const std::string stale = TempDir() + "Cars\\zdl00000001.tmp", fresh = TempDir() + "Cars\\zdl00000002.inf";
    WriteTextFile(stale, "old");
    WriteTextFile(fresh, "new");
    FILETIME now, old;
    GetSystemTimeAsFileTime(&now);
    const ULONGLONG fifteenDays = 15ULL * 864000000000ULL;
    const ULONGLONG ticks = ((static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime) - fifteenDays;
    old = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    HANDLE file = CreateFileA(stale.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFileTime(file, nullptr, nullptr, &old);
    CloseHandle(file);
    WriteTextFile(leftover, "half a car");
    ExpectMessage("The server answered 404");
    EXPECT_FALSE(Download("http://127.0.0.1/gone.zip", target));
    EXPECT_EQ(FilesIn(TempDir() + "Cars\\"), (std::vector<std::string>{"car.zip", "zdl00000002.inf"}));
}

TEST_F(DownloadTest, RedirectsAreFollowedFiveTimesAtMost)
{
    auto redirect = [](const std::string& location) {
        TestHttpServer::Response response;
        response.status = 302;
        response.location = location;
        return response;
    };
    server_.Serve("/r1", redirect("http://127.0.0.1/r2"));
    server_.Serve("/r2", redirect("/files/r3"));  // relative to the address asked
    server_.Serve("/files/r3", redirect("r4"));
    server_.Serve("/files/r4", redirect("/r5"));
    server_.Serve("/r5", redirect("/zant.ini"));
    server_.Serve("/zant.ini", "[Application]\r\n");
    server_.Serve("/loop", redirect("/loop"));
    const std::string target = TempDir() + "zant.ini";

    ASSERT_TRUE(Download("http://127.0.0.1/r1", target));
    EXPECT_EQ(ReadTextFile(target), "[Application]\r\n");
    EXPECT_EQ(server_.Requests().size(), 6u);

    ExpectMessage("Unable to get file. Redirected more than 5 times (http://127.0.0.1/loop).");
    EXPECT_FALSE(Download("http://127.0.0.1/loop", target));
    EXPECT_EQ(server_.Requests().size(), 6u + 6u) << "the first request and five redirects";
    EXPECT_EQ(ReadTextFile(target), "[Application]\r\n");
}

TEST_F(DownloadTest, SilentServerTimesOutAndKeepsThePreviousFile)
{
    WriteSettingNumber(kDownloadTimeoutSetting, 1000);
    TestHttpServer::Response silent;
    silent.silent = true;
    TestHttpServer::Response stalled;
    stalled.body = PatternBody(50000);
    stalled.stallAfter = 10000;
    server_.Serve("/silent", silent);
    server_.Serve("/stalled", stalled);
    const std::string target = TempDir() + "zant.ini";
    // The error code of a time-out differs between systems; the sentence does not.
    const struct {
        const char* url;
        std::string message;
    } cases[] = {
        {"http://127.0.0.1/silent", "Unable to communicate with 127.0.0.1\r\nError: "},
        {"http://127.0.0.1/stalled", "Unable to get file. Unable to download 'http://127.0.0.1/stalled'.  Error: "},
    };
    for (const auto& c : cases) {
        WriteTextFile(target, "previous");
        ExpectMessage(c.message);
        const DWORD start = GetTickCount();
        EXPECT_FALSE(Download(c.url, target)) << c.url;
        EXPECT_LT(GetTickCount() - start, 20000u) << c.url;
        ASSERT_FALSE(Messages().empty());
        EXPECT_EQ(Messages().back().text.rfind(c.message, 0), 0u) << Messages().back().text;
        EXPECT_EQ(ReadTextFile(target), "previous");
        EXPECT_EQ(FilesIn(TempDir()), std::vector<std::string>{"zant.ini"});
    }
}

TEST_F(DownloadTest, EmptyBodyGivesEmptyFileWithoutProgressLine)
{
    server_.Serve("/empty.txt", "");
    const std::string target = TempDir() + "empty.txt";

    ASSERT_TRUE(Download("http://127.0.0.1/empty.txt", target));
    EXPECT_TRUE(FileExists(target));
    EXPECT_EQ(ReadTextFile(target), "");
    // The url is shorter than 32 characters, so it is shown whole.
    EXPECT_EQ(CurrentStatusText(), "\r\n" + kTitle + "Downloading '...http://127.0.0.1/empty.txt'\r\n (0kb)...");
}

TEST_F(DownloadTest, PortInTheUrlIsIgnored)
{
    server_.Serve("/events/zant.ini", "[Event1]\r\n");
    const std::string target = TempDir() + "zant.ini";

    ASSERT_TRUE(Download("http://127.0.0.1:8080/events/zant.ini", target));
    EXPECT_EQ(ReadTextFile(target), "[Event1]\r\n");
    auto requests = server_.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].localPort, 80);
}

// Secure addresses: TLS with the platform's checks, from the port they name;
// never back to a plain address.
TEST_F(DownloadTest, SecureAddressesAreCheckedAndNeverDowngraded)
{
    if (!getenv("ZANT_TLS")) GTEST_SKIP() << "no TLS fronts: run the tests through scripts/ctest.sh";
    server_.Serve("/zant.ini", "[Application]\r\n");
    TestHttpServer::Response down;
    down.status = 302;
    down.location = "http://127.0.0.1/zant.ini";
    server_.Serve("/down", down);
    const std::string untrusted = "Unable to get file. The certificate of league.test is not accepted (https://";
    const std::pair<const char*, std::string> cases[] = {
        {"https://league.test/zant.ini", ""},
        {"https://league.test:8443/zant.ini", untrusted + "league.test:8443/zant.ini).\r\nError: "},
        {"https://league.test:9443/zant.ini", untrusted + "league.test:9443/zant.ini).\r\nError: "},
        {"https://league.test/down",
         "Unable to get file. Redirected from a secure address to a plain one (https://league.test/down)."},
    };
    for (const auto& [url, message] : cases) {
        if (!message.empty()) ExpectMessage(message);
        EXPECT_EQ(Download(url, TempDir() + "zant.ini"), message.empty()) << url;
    }
    EXPECT_EQ(server_.Requests().size(), 2u) << "only the good address and the redirect reached the server";
}

TEST_F(DownloadTest, EmptyLocalPathReadsTheBodyAndWritesNothing)
{
    // Larger than the write buffer, which a body without a file must not overrun.
    server_.Serve("/big.bin", PatternBody(300000));
    ASSERT_TRUE(Download("http://127.0.0.1/big.bin", ""));
    EXPECT_EQ(server_.Requests().size(), 1u);
    EXPECT_TRUE(FilesIn(TempDir()).empty());
    EXPECT_NE(CurrentStatusText().find("(100.0% of 300 kb - "), std::string::npos) << CurrentStatusText();
}

TEST_F(DownloadTest, CutConnectionAsksRetryThenCancelKeepsThePreviousFile)
{
    const std::string body = PatternBody(50000);
    TestHttpServer::Response response;
    response.body = body;
    response.cutAfter = 10000;
    server_.Serve("/cars/car.zip", response);
    const std::string target = TempDir() + "car.zip";
    WriteTextFile(target, "previous copy");

    ExpectMessage(kEarlyAbort, IDRETRY);
    ExpectMessage(kEarlyAbort, IDCANCEL);
    EXPECT_FALSE(Download("http://127.0.0.1/cars/car.zip", target));

    ASSERT_EQ(Messages().size(), 2u);
    for (const MessageCall& call : Messages()) {
        EXPECT_EQ(call.text, kEarlyAbort);
        EXPECT_EQ(call.type, static_cast<UINT>(MB_RETRYCANCEL | MB_ICONERROR));
    }
    EXPECT_EQ(ReadTextFile(target), "previous copy");
    EXPECT_EQ(FilesIn(TempDir()), std::vector<std::string>{"car.zip"});
}

TEST_F(DownloadTest, ReadOnlyTargetIsReportedAndKept)
{
    server_.Serve("/zant.ini", PatternBody(5000));
    const std::string target = TempDir() + "zant.ini";
    WriteTextFile(target, "[Event1]\r\nServer=10.0.0.1:54297\r\n");
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY);

    ExpectMessage("Unable to get file. Failed to create file (" + target + ").  Error: ");
    EXPECT_FALSE(Download("http://127.0.0.1/zant.ini", target));
    EXPECT_EQ(ReadTextFile(target), "[Event1]\r\nServer=10.0.0.1:54297\r\n");
    EXPECT_EQ(FilesIn(TempDir()), std::vector<std::string>{"zant.ini"});
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(DownloadTest, MissingContentLengthFailsBeforeTouchingTheFile)
{
    // A body up to the closing of the connection, and a chunked one.
    TestHttpServer::Response untilClose;
    untilClose.body = "streamed body";
    untilClose.sendContentLength = false;
    TestHttpServer::Response chunked = untilClose;
    chunked.chunked = true;
    server_.Serve("/stream", untilClose);
    server_.Serve("/chunked", chunked);
    const std::string target = TempDir() + "stream.txt";
    WriteTextFile(target, "previous");

    for (const std::string name : {"stream", "chunked"}) {
        const std::string url = "http://127.0.0.1/" + name;
        ExpectMessage("Unable to get file. Failed to get file size (" + url + ").  Error: ");
        EXPECT_FALSE(Download(url, target));
        ASSERT_FALSE(Messages().empty());
        EXPECT_EQ(Messages().back().text, "Unable to get file. Failed to get file size (" + url + ").  Error: " +
                                              std::to_string(ERROR_HTTP_HEADER_NOT_FOUND));
        EXPECT_EQ(Messages().back().type, static_cast<UINT>(MB_OK | MB_ICONSTOP));
        EXPECT_EQ(ReadTextFile(target), "previous");
    }
}

TEST_F(DownloadTest, RefusedConnectionNamesTheHost)
{
    // Nothing listens on this loopback address.
    const std::string expected =
        "Unable to communicate with 127.0.0.2\r\nError: " + GetErrorText(ERROR_INTERNET_CANNOT_CONNECT) + " (" +
        std::to_string(ERROR_INTERNET_CANNOT_CONNECT) + ")";
    ExpectMessage("Unable to communicate with 127.0.0.2");
    EXPECT_FALSE(Download("http://127.0.0.2/zant.ini", TempDir() + "zant.ini"));
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].text, expected);
    EXPECT_FALSE(FileExists(TempDir() + "zant.ini"));
}

TEST_F(DownloadTest, AddressWithoutHostIsReported)
{
    ExpectMessage("Unable to open Internet Connection: ''.\r\nError: ");
    EXPECT_FALSE(Download("zant.ini", TempDir() + "zant.ini"));
    EXPECT_TRUE(server_.Requests().empty());
    EXPECT_FALSE(FileExists(TempDir() + "zant.ini"));
}

TEST_F(DownloadTest, CreatesOneFolderLevelOnly)
{
    server_.Serve("/setup.svm", "setup");

    ASSERT_TRUE(Download("http://127.0.0.1/setup.svm", TempDir() + "Setups\\setup.svm"));
    EXPECT_EQ(ReadTextFile(TempDir() + "Setups\\setup.svm"), "setup");

    // Percent signs in the path are shown as they are.
    const std::string deep = TempDir() + "100%s\\%n%d\\setup.svm";
    ExpectMessage("Unable to get file. Failed to create file (" + deep + ").  Error: ");
    EXPECT_FALSE(Download("http://127.0.0.1/setup.svm", deep));
    EXPECT_FALSE(FileExists(TempDir() + "100%s\\%n%d"));
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].text.back(), ')');
}

TEST_F(DownloadTest, PercentSignsInTheUrlAreShownLiterally)
{
    TestHttpServer::Response response;
    response.sendContentLength = false;
    server_.Serve("/100%25%25s%25n.ini", response);
    const std::string url = "http://127.0.0.1/100%25%25s%25n.ini";

    ExpectMessage("Failed to get file size (" + url + ")");
    EXPECT_FALSE(Download(url, TempDir() + "x.ini"));
}

TEST_F(DownloadTest, SendsCredentialsWhenTheServerAsksForThem)
{
    TestHttpServer::Response response;
    response.body = "members only";
    response.userName = "driver7";
    response.password = "p@ss:word";
    server_.Serve("/private/league.ini", response);
    LeagueRecord league;
    league.userName = "driver7";
    league.password = "p@ss:word";
    const std::string target = TempDir() + "league.ini";

    ASSERT_TRUE(DownloadFile("http://127.0.0.1/private/league.ini", target, league, "Downloading league\r\n"));
    EXPECT_EQ(ReadTextFile(target), "members only");
    auto requests = server_.Requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back().authorization, "Basic " + Base64("driver7:p@ss:word"));
}

TEST_F(DownloadTest, OddBufferSettingsStillDeliverTheWholeBody)
{
    struct Case {
        int packetSize;
        int writeSize;
        size_t bodySize;
    };
    // One-byte packets are slow under emulation, so those bodies are small.
    const Case cases[] = {
        {0, 65536, 3001},       // would never read anything
        {-5, 65536, 3001},
        {100000, 1000, 70001},  // a packet larger than the write buffer
        {1, 7, 3001},
        {333, 1000, 70001},
        {4096, 0, 20001},
        {65536, 0x7FFFFFFF, 200001},  // no buffer of 2 GB
    };
    const std::string target = TempDir() + "mod.zip";
    for (const Case& c : cases) {
        const std::string body = PatternBody(c.bodySize);
        server_.Serve("/mod.zip", body);
        WriteSettingNumber(kPacketSizeSetting, c.packetSize);
        WriteSettingNumber(kWriteFileSizeSetting, c.writeSize);
        ASSERT_TRUE(Download("http://127.0.0.1/mod.zip", target)) << c.packetSize << "/" << c.writeSize;
        EXPECT_EQ(ReadTextFile(target), body) << c.packetSize << "/" << c.writeSize;
    }
}

// A transfer cut part way keeps its bytes; the next one asks only for the
// rest, and takes it only while the server has the same file there.
TEST_F(DownloadTest, CutTransfersResumeOnlyTheSameFile)
{
    const std::string kBodySha256 = "0372286d841044b89a3a475ef56f0440fd859057454034fd7ffe4aef6b20c2f1";
    const std::string body = PatternBody(300000), newer = PatternBody(300001).substr(1);
    const struct {
        const char *etag, *laterEtag, *laterUrl;
        int earlyAbortAnswer;
        bool asksRange;
    } cases[] = {
        {"\"v1\"", "\"v1\"", "/car.zip", IDCANCEL, true},   // the rest, appended
        {"\"v1\"", "\"v2\"", "/car.zip", IDCANCEL, true},   // changed since: all of the new one
        {"", "", "/car.zip", IDCANCEL, false},                // nothing tells it is the same file
        {"\"v1\"", "\"v1\"", "/car2.zip", IDCANCEL, false}, // another address: starts over
        {"\"v1\"", "\"v1\"", "/car.zip", IDRETRY, true},    // Retry asks for the rest at once
    };
    const std::string target = TempDir() + "car.zip";
    for (const auto& c : cases) {
        const std::string label = std::string(c.etag) + c.laterEtag + c.laterUrl + std::to_string(c.earlyAbortAnswer);
        WriteTextFile(target, "previous copy");
        TestHttpServer::Response first;
        first.body = body;
        first.etag = c.etag;
        first.cutAfter = 180000;  // the rest of it is never cut
        server_.Serve("/car.zip", first);
        ExpectMessage("No bytes read after reading 180000 bytes", c.earlyAbortAnswer);
        const size_t before = server_.Requests().size();
        const bool retried = c.earlyAbortAnswer == IDRETRY;
        EXPECT_EQ(Download("http://127.0.0.1/car.zip", target), retried) << label;
        std::string expected = body;
        if (!retried) {
            EXPECT_EQ(ReadTextFile(target), "previous copy") << label;
            TestHttpServer::Response later;
            later.body = expected = std::string(c.laterEtag) == c.etag ? body : newer;
            later.etag = c.laterEtag;
            server_.Serve(c.laterUrl, later);
            std::string sha256;
            ASSERT_TRUE(DownloadFile(std::string("http://127.0.0.1") + c.laterUrl, target, "", "", kTitle, nullptr,
                                     &sha256))
                << label;
            // A resumed file is hashed over all of it.
            if (expected == body) {
                EXPECT_EQ(sha256, kBodySha256) << label;
            }
        }
        const auto requests = server_.Requests();
        const std::string& headers = requests.back().headers;
        EXPECT_EQ(requests.size(), before + 2) << label;
        EXPECT_EQ(headers.find("Range: bytes=180000-") != std::string::npos, c.asksRange) << label << headers;
        EXPECT_EQ(headers.find("If-Range: \"v1\"") != std::string::npos, c.asksRange) << label << headers;
        EXPECT_EQ(ReadTextFile(target), expected) << label;
        EXPECT_EQ(FilesIn(TempDir()), std::vector<std::string>{"car.zip"}) << label;
    }
}

TEST_F(DownloadTest, SizesPast4GiBAreRead)
{
    TestHttpServer::Response huge;
    huge.body = "PK";
    huge.announcedLength = 5000000000ULL;
    huge.cutAfter = 2;
    server_.Serve("/season.zip", huge);
    ExpectMessage("No bytes read after reading 2 bytes", IDCANCEL);
    EXPECT_FALSE(Download("http://127.0.0.1/season.zip", TempDir() + "season.zip"));
    EXPECT_NE(CurrentStatusText().find("(0.0% of 5000000 kb - "), std::string::npos) << CurrentStatusText();
}

// Cancel in the popup ends a slow transfer at once, without a word; the
// previous file stays and the bytes received are kept for the next time.
TEST_F(DownloadTest, CancelStopsATransferAndKeepsWhatArrived)
{
    TestHttpServer::Response slow;
    slow.body = PatternBody(50 * 1000 * 1000);
    slow.etag = "\"big\"";
    slow.bytesPerSecond = 200000;
    server_.Serve("/big.zip", slow);
    const std::string target = TempDir() + "big.zip";
    WriteTextFile(target, "previous copy");

    std::thread clicker([] { ClickPopupCancel("", 500); });  // some of it arrives first
    EXPECT_FALSE(Download("http://127.0.0.1/big.zip", target));
    clicker.join();
    EXPECT_TRUE(CancelRequested());
    EXPECT_EQ(ReadTextFile(target), "previous copy");
    const std::string kept = ReadTextFile(ReceiveFile::TempPathFor(target));
    EXPECT_GT(kept.size(), 0u);
    EXPECT_LT(kept.size(), slow.body.size());
    EXPECT_EQ(kept, slow.body.substr(0, kept.size()));
}

TEST(DownloadTextTest, ProgressLineMatchesTheRateSample)
{
    // 1,234,567 of 4,000,000 bytes when the first sample closes after 30 seconds.
    TransferRate rate(1000);
    EXPECT_FALSE(rate.Add(1000000, 1010));
    EXPECT_TRUE(rate.Add(234567, 1030));
    EXPECT_NEAR(rate.KilobytesPerSecond(), 41.15, 0.01);

    const std::string url = "http://league.example.org/files/setups/NW_Daytona_Race_setup.zip";
    EXPECT_EQ(DownloadProgressText("Downloading setup\r\n", url, 1234567, 4000000, rate.KilobytesPerSecond()),
              "Downloading setup\r\nDownloading '..." + url.substr(url.size() - 40) +
                  "'\r\n(30.9% of 4000 kb - 41.15 kb/s - 00:01:07 remaining)");
}

TEST(DownloadTextTest, RateWindows)
{
    struct Step {
        DWORD bytes;
        time_t at;
        bool closes;
        float rate;
    };
    // The rate stays 0 until a second has passed, then covers the open window;
    // a window closes at 25 seconds and the next one starts from there.
    const Step steps[] = {
        {5000, 100, false, 0.0f},   {5000, 101, false, 10.0f}, {40000, 110, false, 5.0f},
        {75000, 125, true, 5.0f},   {9000, 125, false, 5.0f},  {1000, 127, false, 5.0f},
        {490000, 150, true, 20.0f},
    };
    TransferRate rate(100);
    for (const Step& s : steps) {
        EXPECT_EQ(rate.Add(s.bytes, s.at), s.closes) << "at " << s.at;
        EXPECT_FLOAT_EQ(rate.KilobytesPerSecond(), s.rate) << "at " << s.at;
    }
}

TEST(DownloadTextTest, ShortUrlsAreShownWholeAndTimesPadded)
{
    EXPECT_EQ(DownloadSizeText("T\r\n", "http://a/b", 1999), "T\r\nDownloading '...http://a/b'\r\n (1kb)...");
    const std::string url33 = "http://127.0.0.1/files/a/b/c/d.ini";
    EXPECT_EQ(DownloadSizeText("", url33, 0), "Downloading '..." + url33.substr(url33.size() - 32) + "'\r\n (0kb)...");
    EXPECT_EQ(DownloadProgressText("", "http://a/b", 0, 10, 0.0f),
              "Downloading '...http://a/b'\r\n(0.0% of 0 kb - 0.00 kb/s - 00:00:00 remaining)");
    // Sizes past 4 GiB.
    EXPECT_EQ(DownloadSizeText("", "u", 5000000000ULL), "Downloading '...u'\r\n (5000000kb)...");
    EXPECT_EQ(DownloadProgressText("", "u", 2500000000ULL, 5000000000ULL, 1000.0f),
              "Downloading '...u'\r\n(50.0% of 5000000 kb - 1000.00 kb/s - 00:41:40 remaining)");
    // 36,000,000 bytes left at 1 kb/s: ten hours.
    EXPECT_EQ(DownloadProgressText("", "u", 1000000, 37000000, 1.0f),
              "Downloading '...u'\r\n(2.7% of 37000 kb - 1.00 kb/s - 10:00:00 remaining)");
}

// The per-packet clock gives the whole seconds of the C library's time(), so
// the rate samples close at the same moments.
TEST(DownloadTextTest, CalendarSecondsAreThoseOfTime)
{
    for (int i = 0; i < 200; ++i) {
        const time_t before = std::time(nullptr);
        const time_t now = CalendarSeconds();
        const time_t after = std::time(nullptr);
        ASSERT_LE(before, now);
        ASSERT_LE(now, after);
        if (i % 50 == 0) Sleep(7);  // some calls land near other fractions of a second
    }
}

} // namespace
