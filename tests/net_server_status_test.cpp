#include "tests/support/TestEnv.h"
#include "tests/support/TestUdpResponder.h"

#include "net/ServerStatus.h"

namespace {

class ServerStatusTest : public LauncherTest {
protected:
    void SetUp() override
    {
        LauncherTest::SetUp();
        ASSERT_TRUE(server_.Start());
    }
    void TearDown() override
    {
        server_.Stop();
        LauncherTest::TearDown();
    }

    bool Query(ServerStatus& status) { return QueryServerStatus("127.0.0.1", server_.Port(), TempDir(), status); }
    std::string StoredReply() const { return ReadTextFile(TempDir() + "rf_response.txt"); }

    TestUdpResponder server_;
};

TEST_F(ServerStatusTest, DecodesEveryFieldAtItsOffset)
{
    const std::string reply = StatusReplyBuilder(230)
                                  .Word(17, 0xBEEF)
                                  .Text(25, "NW2016")
                                  .Text(45, "Gridline Cup Server")
                                  .Text(73, "Daytona International Speedway")
                                  .Text(105, "v1.255")
                                  .Byte(206, 0x11)
                                  .Byte(207, 23)
                                  .Byte(208, 0x22)
                                  .Byte(209, 0x33)
                                  .Byte(210, 0x9F)
                                  .Byte(211, 0x44)
                                  .Word(217, 5400)
                                  .Word(219, 0x0140)
                                  .Bytes();
    server_.ReplyWith(reply);

    ServerStatus status;
    ASSERT_TRUE(Query(status));
    EXPECT_EQ(status.value17, 0xBEEF);
    EXPECT_EQ(status.vehicleClass, "NW2016");
    EXPECT_EQ(status.text45, "Gridline Cup Server");
    EXPECT_EQ(status.track, "Daytona International Speedway");
    EXPECT_EQ(status.text105, "v1.255");
    EXPECT_EQ(status.byte206, 0x11);
    EXPECT_EQ(status.driverCount, 23);
    EXPECT_EQ(status.byte208, 0x22);
    EXPECT_EQ(status.byte209, 0x33);
    EXPECT_EQ(status.sessionNumber, 4);
    EXPECT_EQ(status.byte211, 0x44);
    EXPECT_EQ(status.sessionTime, 5400);
    EXPECT_EQ(status.lapsValue, 20);

    auto requests = server_.Received();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0], std::string("rF_S\0", 5));
    EXPECT_EQ(StoredReply(), reply);
}

TEST_F(ServerStatusTest, ShortReplyGivesEmptyTextsAndZeroNumbers)
{
    server_.ReplyWith(StatusReplyBuilder(100).Text(25, "CUP").Text(45, "Server").Text(73, "Bristol").Bytes());

    ServerStatus status;
    ASSERT_TRUE(Query(status));
    EXPECT_EQ(status.vehicleClass, "CUP");
    EXPECT_EQ(status.text45, "Server");
    EXPECT_EQ(status.track, "Bristol");
    EXPECT_EQ(status.text105, "");
    for (int value : {status.byte206, status.driverCount, status.byte208, status.byte209, status.sessionNumber,
                      status.byte211, status.sessionTime, status.lapsValue})
        EXPECT_EQ(value, 0);
    EXPECT_EQ(StoredReply().size(), 100u);
}

TEST_F(ServerStatusTest, TextRunningToTheEndOfTheReplyEndsThere)
{
    // The track name fills the reply up to its last byte, with no zero.
    std::string reply = StatusReplyBuilder(90).Text(25, "NW").Bytes();
    reply.replace(73, 17, "Martinsville Spee");
    server_.ReplyWith(reply);

    ServerStatus status;
    ASSERT_TRUE(Query(status));
    EXPECT_EQ(status.track, "Martinsville Spee");
    EXPECT_EQ(status.text105, "");
}

TEST_F(ServerStatusTest, SilentServerIsOffLine)
{
    server_.StaySilent();
    ServerStatus status;
    status.track = "unchanged";
    status.driverCount = 99;

    EXPECT_FALSE(Query(status));
    EXPECT_EQ(status.track, "unchanged");
    EXPECT_EQ(status.driverCount, 99);
    EXPECT_EQ(server_.Received().size(), 1u);
    EXPECT_FALSE(FileExists(TempDir() + "rf_response.txt"));
}

TEST_F(ServerStatusTest, OversizedReplyIsRejected)
{
    server_.ReplyWith(StatusReplyBuilder(1024).Text(73, "Too long").Bytes());
    ServerStatus status;
    EXPECT_FALSE(Query(status));
    EXPECT_EQ(status.track, "");

    // 1023 bytes is the largest reply taken, and its last byte still reads.
    server_.ReplyWith(StatusReplyBuilder(1023).Text(73, "Fits").Byte(1022, 'x').Bytes());
    ASSERT_TRUE(Query(status));
    EXPECT_EQ(status.track, "Fits");
    EXPECT_EQ(StoredReply().size(), 1023u);
}

TEST_F(ServerStatusTest, SecondQueryReplacesTheStoredReply)
{
    const std::string first = StatusReplyBuilder(400).Text(73, "Long first reply").Byte(399, 0x7F).Bytes();
    const std::string second = StatusReplyBuilder(120).Text(73, "Second").Bytes();
    ServerStatus status;

    server_.ReplyWith(first);
    ASSERT_TRUE(Query(status));
    EXPECT_EQ(StoredReply(), first);

    server_.ReplyWith(second);
    ASSERT_TRUE(Query(status));
    EXPECT_EQ(StoredReply(), second);
    EXPECT_EQ(status.track, "Second");
}

TEST_F(ServerStatusTest, HostMustBeADottedAddress)
{
    server_.ReplyWith(StatusReplyBuilder(100).Text(73, "Track").Bytes());
    ServerStatus status;
    for (const char* host : {"localhost", "", "league.example.org", "127.0.0.1:54297"})
        EXPECT_FALSE(QueryServerStatus(host, server_.Port(), TempDir(), status)) << host;
    for (int port : {0, -1, 70000})
        EXPECT_FALSE(QueryServerStatus("127.0.0.1", port, TempDir(), status)) << port;
    EXPECT_TRUE(server_.Received().empty());
}

TEST_F(ServerStatusTest, DataFolderWithoutTrailingBackslash)
{
    const std::string reply = StatusReplyBuilder(64).Text(25, "NW").Bytes();
    server_.ReplyWith(reply);
    std::string folder = TempDir();
    folder.pop_back();
    ServerStatus status;
    ASSERT_TRUE(QueryServerStatus("127.0.0.1", server_.Port(), folder, status));
    EXPECT_EQ(StoredReply(), reply);
}

// A reply counts only from the address and port that was asked: anyone else
// on the machine could otherwise make a silent server look live.
TEST_F(ServerStatusTest, RepliesFromAnotherPortAreIgnored)
{
    TestUdpResponder forger;
    forger.ReplyFromAnotherPort();
    ASSERT_TRUE(forger.Start());
    forger.ReplyWith(StatusReplyBuilder(100).Text(73, "Forged").Bytes());

    ServerStatus status;
    EXPECT_FALSE(QueryServerStatus("127.0.0.1", forger.Port(), TempDir(), status));
    const std::vector<StatusReply> replies = AskServersAtOnce({{"127.0.0.1", forger.Port()}});
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_FALSE(replies[0].answered);
    EXPECT_EQ(forger.Received().size(), 2u) << "both questions reached it";
    EXPECT_FALSE(FileExists(TempDir() + "rf_response.txt"));
}

TEST_F(ServerStatusTest, ServersAskedAtOnceEachGetTheirOwnReply)
{
    const std::string first = StatusReplyBuilder(100).Text(73, "First").Bytes();
    const std::string second = StatusReplyBuilder(300).Text(73, "Second").Bytes();
    server_.ReplyWith(first);
    TestUdpResponder other, silent, oversized;
    ASSERT_TRUE(other.Start());
    ASSERT_TRUE(silent.Start());
    ASSERT_TRUE(oversized.Start());
    other.ReplyWith(second);
    oversized.ReplyWith(StatusReplyBuilder(1024).Bytes());

    struct Case {
        std::string host;
        int port;
        bool answered;
        std::string bytes;
    };
    const std::vector<Case> cases = {
        {"127.0.0.1", server_.Port(), true, first},
        {"127.0.0.1", silent.Port(), false, ""},
        {"127.0.0.1", other.Port(), true, second},
        {"localhost", other.Port(), false, ""},
        {"127.0.0.1", 0, false, ""},
        {"127.0.0.1", oversized.Port(), false, ""},
        {"127.0.0.1", server_.Port(), true, first},  // the same server twice shares one question
    };
    std::vector<StatusTarget> targets;
    for (const Case& c : cases) targets.push_back(StatusTarget{c.host, c.port});
    const std::vector<StatusReply> replies = AskServersAtOnce(targets);
    ASSERT_EQ(replies.size(), cases.size());
    for (size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(replies[i].answered, cases[i].answered) << i;
        EXPECT_EQ(replies[i].bytes, cases[i].bytes) << i;
    }
    EXPECT_EQ(server_.Received().size(), 1u);
    EXPECT_EQ(silent.Received().size(), 1u);
    EXPECT_FALSE(FileExists(TempDir() + "rf_response.txt")) << "asking at once keeps nothing by itself";
}

TEST(ServerStatusDecodeTest, SessionAndLaps)
{
    struct Case {
        unsigned sessionByte;
        unsigned lapsWord;
        int session;
        int laps;
    };
    const Case cases[] = {
        {0x00, 0x0000, 0, 0}, {0x1F, 0x000F, 0, 0}, {0x20, 0x0010, 1, 1},  {0x40, 0x00FF, 2, 15},
        {0x7F, 0x0100, 3, 16}, {0x9F, 0x0140, 4, 20}, {0xE0, 0xFFFF, 7, 4095},
    };
    for (const Case& c : cases) {
        const std::string reply = StatusReplyBuilder(230).Byte(210, c.sessionByte).Word(219, c.lapsWord).Bytes();
        ServerStatus status = DecodeServerStatus(reply);
        EXPECT_EQ(status.sessionNumber, c.session) << std::hex << c.sessionByte;
        EXPECT_EQ(status.lapsValue, c.laps) << std::hex << c.lapsWord;
    }
}

} // namespace
