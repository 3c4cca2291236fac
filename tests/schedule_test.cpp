#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "app/Settings.h"
#include "catalog/Schedule.h"
#include "catalog/Unscramble.h"
#include "tests/support/TestEnv.h"
#include "tests/support/TestUdpResponder.h"

namespace {

// The league's scrambling: every character plus a key character, as hex digits.
std::string Scramble(const std::string& clear)
{
    std::string hex;
    for (size_t i = 0; i < clear.size(); ++i) {
        const unsigned char key = kScrambleKey[i % (sizeof kScrambleKey - 1)];
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02X", (static_cast<unsigned char>(clear[i]) + key) & 0xFF);
        hex += pair;
    }
    return hex;
}

ServerStatus Status(const std::string& track, const std::string& vehicleClass, int drivers, int session = 0,
                    int seconds = 0, int laps = 0)
{
    ServerStatus status;
    status.track = track;
    status.vehicleClass = vehicleClass;
    status.driverCount = drivers;
    status.sessionNumber = session;
    status.sessionTime = seconds;
    status.lapsValue = laps;
    return status;
}

// The reply a race server sends for a status, with the server's address in
// the unused text at offset 45 so that a kept reply tells whose it is.
std::string ReplyFor(const std::string& server, const ServerStatus& status)
{
    return StatusReplyBuilder()
        .Text(25, status.vehicleClass)
        .Text(45, server)
        .Text(73, status.track)
        .Byte(207, static_cast<unsigned>(status.driverCount))
        .Byte(210, static_cast<unsigned>(status.sessionNumber) << 5)
        .Word(217, static_cast<unsigned>(status.sessionTime))
        .Word(219, static_cast<unsigned>(status.lapsValue) * 16)
        .Bytes();
}

using Keys = std::map<std::string, std::string>;

// Every schedule test runs twice: with the servers asked one at a time in
// the schedule's order, and with all of them asked at once beforehand. The
// rows, caches and kept reply must not tell the two apart.
class ScheduleTest : public LauncherTest, public ::testing::WithParamInterface<bool> {
protected:
    bool AtOnce() const { return GetParam(); }

    void SetUp() override
    {
        LauncherTest::SetUp();
        file_ = TempDir() + "zant.ini";
        context_.installation = 1;
        context_.query = [this](const std::string& host, int port, ServerStatus& status) {
            const std::string server = host + ":" + std::to_string(port);
            ++queries_[server];
            const auto found = servers_.find(server);
            if (found == servers_.end()) return false;
            status = DecodeServerStatus(ReplyFor(server, found->second));
            lastAnswered_ = server;
            return true;
        };
        if (AtOnce()) {
            context_.askAll = [this](const std::vector<StatusTarget>& targets) {
                std::vector<StatusReply> replies;
                for (const StatusTarget& target : targets) {
                    const std::string server = target.host + ":" + std::to_string(target.port);
                    ++queries_[server];
                    const auto found = servers_.find(server);
                    replies.push_back(found == servers_.end() ? StatusReply{}
                                                              : StatusReply{true, ReplyFor(server, found->second)});
                }
                return replies;
            };
            context_.keepReply = [this](const std::string& reply) {
                lastAnswered_ = DecodeServerStatus(reply).text45;
            };
        }
    }

    // How often a server was asked: as often as the schedule's order asks
    // it one at a time, and once when all are asked at once.
    void ExpectAsked(const std::string& server, int oneAtATime)
    {
        EXPECT_EQ(queries_[server], AtOnce() ? std::min(oneAtATime, 1) : oneAtATime) << server;
    }

    void WriteEvents(const std::vector<Keys>& events)
    {
        std::string text = "[Schedule]\r\nEvents=" + std::to_string(events.size()) + "\r\n";
        for (size_t i = 0; i < events.size(); ++i) {
            text += "[Event " + std::to_string(i + 1) + "]\r\n";
            for (const auto& [key, value] : events[i]) text += key + "=" + value + "\r\n";
        }
        WriteTextFile(file_, text);
    }
    void Load() { LoadEvents(file_, context_, schedule_); }

    // The rows as "note|drivers|track|session" for compact comparisons.
    std::vector<std::string> RowSummaries() const
    {
        std::vector<std::string> out;
        for (const EventRow& row : schedule_.rows)
            out.push_back(row.event->Name + "|" + row.texts[kDriversColumn] + "|" + row.texts[kTrackColumn] + "|" +
                          row.texts[kSessionColumn] + "|" + row.texts[kNoteColumn]);
        return out;
    }

    std::string file_;
    ScheduleContext context_;
    EventSchedule schedule_;
    std::map<std::string, ServerStatus> servers_;
    std::map<std::string, int> queries_;
    std::string lastAnswered_;  // the server whose reply would be in "rf_response.txt"
};

INSTANTIATE_TEST_SUITE_P(QueryPaths, ScheduleTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "AtOnce" : "OneAtATime");
                         });

Keys Event(const std::string& name, const std::string& server, const std::string& track, const std::string& vehicle,
           Keys more = {})
{
    Keys keys = {{"Name", name}, {"Server", server}, {"Track", track}, {"Vehicle", vehicle},
                 {"League", "Gridline"}, {"Date", "12/9/2026 8:30 PM"}};
    for (const auto& [key, value] : more) keys[key] = value;
    return keys;
}

TEST_P(ScheduleTest, NoScheduleMeansNoRows)
{
    Load();  // no file at all
    WriteTextFile(file_, "[Schedule]\r\nEvents=0\r\n[Event 1]\r\nServer=1.2.3.4:5\r\n");
    Load();
    WriteTextFile(file_, "[Event 1]\r\nServer=1.2.3.4:5\r\n");
    Load();
    EXPECT_TRUE(schedule_.rows.empty());
    EXPECT_TRUE(queries_.empty());
}

TEST_P(ScheduleTest, HugeEventCountsEndWhereTheSectionsEnd)
{
    servers_["10.0.0.1:100"] = Status("Oval", "NW", 5);
    for (const char* count : {"999999999", "2147483647"}) {
        schedule_.ClearEvents();
        WriteTextFile(file_, std::string("[Schedule]\r\nEvents=") + count +
                                 "\r\n[Event 1]\r\nName=first\r\nServer=10.0.0.1:100\r\nTrack=Oval\r\nVehicle=NW\r\n"
                                 "[Event 2147483647]\r\nName=last\r\nServer=10.0.0.2:200\r\nTrack=Oval\r\n"
                                 "[Event 3]\r\nName=third\r\nServer=10.0.0.1:100\r\nTrack=Oval\r\nVehicle=NW\r\n");
        Load();
        std::vector<std::string> names;
        for (const EventRow& row : schedule_.rows) names.push_back(row.event->Name);
        const bool lastCounts = std::string(count) == "2147483647";
        std::vector<std::string> expected = {"first", "third"};
        if (lastCounts) expected.push_back("last");
        EXPECT_EQ(names, expected) << count;
        EXPECT_EQ(schedule_.rows.back().event->SortKey, lastCounts ? "\xFF" : "\x03") << count;
    }
}

TEST_P(ScheduleTest, EventsWithoutAUsableServerAreDropped)
{
    WriteEvents({Event("no colon", "127.0.0.1", "Oval", "GNS"), Event("no host", ":54297", "Oval", "GNS"),
                 Event("no port", "127.0.0.1:", "Oval", "GNS"), Event("empty", "", "Oval", "GNS"),
                 Event("kept", "127.0.0.9:1", "Oval", "GNS")});
    Load();
    ASSERT_EQ(schedule_.rows.size(), 1u);
    EXPECT_EQ(schedule_.rows[0].event->Name, "kept");
    EXPECT_EQ(schedule_.events.size(), 1u);
}

TEST_P(ScheduleTest, LiveEventsFirstThenScheduledOnes)
{
    servers_["10.0.0.1:100"] = Status("Bristol Motor Speedway", "NW", 14, 2, 1800);
    servers_["10.0.0.2:200"] = Status("Dover International", "NW", 3);  // another track
    WriteEvents({Event("offline", "10.0.0.3:300", "Martinsville", "Cup2016", {{"Note", "Bring rain tyres"}}),
                 Event("other track", "10.0.0.2:200", "Bristol", "NW"),
                 Event("live", "10.0.0.1:100", "Bristol", "NW")});
    Load();
    EXPECT_EQ(RowSummaries(), (std::vector<std::string>{
                                  "live|14|Bristol|GNS Qualifying 30min|",
                                  "offline||||Bring rain tyres. Scheduled:Martinsville Cup",
                                  "other track|3|Dover|GNS Practice 0min|Scheduled:Bristol",
                              }));
    ASSERT_EQ(schedule_.listed.size(), 1u);
    EXPECT_EQ(schedule_.listed[0]->Name, "live");
    EXPECT_EQ(schedule_.events.size(), 3u) << "scheduled events are owned through their rows";
    ExpectAsked("10.0.0.3:300", 1);  // an unreachable server is not asked again in the second pass
    ExpectAsked("10.0.0.2:200", 2);  // a server on another track is asked again
    ExpectAsked("10.0.0.1:100", 1);
    EXPECT_EQ(lastAnswered_, "10.0.0.2:200");
}

TEST_P(ScheduleTest, RowTextsOfALiveEvent)
{
    servers_["10.0.0.1:100"] = Status("Bristol Motor Speedway", "CUP", 31, 5, 0, 12);
    WriteEvents({Event("race", "10.0.0.1:100", "Bristol", "Cup2016",
                       {{"Date", "12/9/2026 8:30 PM"}, {"ImageIndex", "4"}, {"Setups", "Fixed"}, {"Laps", "250"},
                        {"TiresFuel", "2 sets"}, {"Note", "Round 4"}})});
    Load();
    ASSERT_EQ(schedule_.rows.size(), 1u);
    const EventRow& row = schedule_.rows[0];
    EXPECT_EQ(row.texts[kEventColumn], "8:30 PM 12/9/2026");
    EXPECT_EQ(row.image, 4);
    EXPECT_EQ(row.texts[kDriversColumn], "31");
    EXPECT_EQ(row.texts[kTrackColumn], "Bristol");
    EXPECT_EQ(row.texts[kSessionColumn], "Cup Race 12 to go");
    EXPECT_EQ(row.texts[kDetailsColumn], "Fixed 250 2 sets");
    EXPECT_EQ(row.texts[kNoteColumn], "Round 4");
    EXPECT_EQ(row.event->ServerTrack, "Bristol Motor Speedway");
    EXPECT_EQ(schedule_.caches.drivers["10.0.0.1:100"], "31");
    EXPECT_EQ(schedule_.caches.track["10.0.0.1:100"], "Bristol Motor Speedway");
    EXPECT_EQ(schedule_.caches.session["10.0.0.1:100"], "Cup Race 12 to go");
}

TEST_P(ScheduleTest, SameServerIsAskedOnce)
{
    servers_["10.0.0.1:100"] = Status("Bristol Motor Speedway", "NW", 9);
    WriteEvents({Event("first", "10.0.0.1:100", "Bristol", "NW", {{"League", "A"}}),
                 Event("second", "10.0.0.1:100", "Bristol", "NW", {{"League", "B"}})});
    Load();
    ExpectAsked("10.0.0.1:100", 1);
    EXPECT_EQ(RowSummaries(), (std::vector<std::string>{"first|9|Bristol|GNS Practice 0min|",
                                                         "second|9|Bristol|GNS Practice 0min|"}));
    EXPECT_EQ(schedule_.listed.size(), 2u);
}

// With the caches kept from an earlier refresh, a known server is asked only
// when one of its events is deferred and gets a row in the second pass.
TEST_P(ScheduleTest, KnownServersAreAskedOnlyForTheSecondPass)
{
    for (const char* server : {"10.0.0.1:100", "10.0.0.2:200", "10.0.0.3:300"}) {
        schedule_.caches.drivers[server] = "7";
        schedule_.caches.track[server] = "Bristol Motor Speedway";
    }
    servers_["10.0.0.2:200"] = Status("Dover International", "NW", 21);
    servers_["10.0.0.4:400"] = Status("Bristol Motor Speedway", "NW", 2);
    WriteEvents({Event("known, same track", "10.0.0.1:100", "Bristol", "NW"),
                 Event("known, other track", "10.0.0.2:200", "Dover", "NW"),
                 Event("known, twin of a listed event", "10.0.0.1:100", "Dover", "NW"),
                 Event("known, off line now", "10.0.0.3:300", "Dover", "NW", {{"League", "Other"}}),
                 Event("unknown", "10.0.0.4:400", "Bristol", "NW")});
    Load();
    EXPECT_EQ(RowSummaries(), (std::vector<std::string>{
                                  "known, same track|7|Bristol||",
                                  "unknown|2|Bristol|GNS Practice 0min|",
                                  "known, other track|21|Dover|GNS Practice 0min|",
                                  "known, off line now||||Scheduled:Dover GNS",
                              }));
    ExpectAsked("10.0.0.1:100", 0);
    ExpectAsked("10.0.0.2:200", 1);
    ExpectAsked("10.0.0.3:300", 1);
    ExpectAsked("10.0.0.4:400", 1);
    EXPECT_EQ(lastAnswered_, "10.0.0.2:200");
}

TEST_P(ScheduleTest, CachedServerWithAOneWordTrackKeepsItsDriverCount)
{
    servers_["10.0.0.1:100"] = Status("Bristol", "NW", 9);
    WriteEvents({Event("first", "10.0.0.1:100", "Bristol", "NW", {{"League", "A"}}),
                 Event("second", "10.0.0.1:100", "Bristol", "NW", {{"League", "B"}})});
    Load();
    ASSERT_EQ(schedule_.rows.size(), 2u);
    EXPECT_EQ(schedule_.rows[1].texts[kDriversColumn], "9");
}

TEST_P(ScheduleTest, DuplicatesOfListedEventsAreDropped)
{
    servers_["10.0.0.1:100"] = Status("Bristol Motor Speedway", "NW", 9);
    WriteEvents({Event("live", "10.0.0.1:100", "Bristol", "NW"),
                 Event("same server, other track", "10.0.0.1:100", "Dover", "NW"),
                 Event("other league", "10.0.0.1:100", "Dover", "NW", {{"League", "Partner"}})});
    Load();
    EXPECT_EQ(RowSummaries(),
              (std::vector<std::string>{"live|9|Bristol|GNS Practice 0min|",
                                        "other league|9|Bristol|GNS Practice 0min|Scheduled:Dover"}));
    EXPECT_EQ(schedule_.events.size(), 2u);
}

TEST_P(ScheduleTest, SeriesNamesMatchAcrossCodes)
{
    const std::vector<std::pair<std::string, std::string>> names = {
        {"NW", "GNS"}, {"CUP", "Cup"}, {"Cup2016", "Cup"}, {"cup", "cup"}, {"GNS", "GNS"}, {"", ""}};
    for (const auto& [code, name] : names) EXPECT_EQ(SeriesShortName(code), name) << code;

    servers_["10.0.0.1:100"] = Status("Talladega", "GNS", 1);
    servers_["10.0.0.2:200"] = Status("Talladega", "CUP", 2);
    servers_["10.0.0.3:300"] = Status("Talladega", "Truck", 3);
    WriteEvents({Event("nw", "10.0.0.1:100", "Talladega", "NW"), Event("cup", "10.0.0.2:200", "Talladega", "Cup2016"),
                 Event("class differs", "10.0.0.3:300", "Talladega", "NW")});
    Load();
    EXPECT_EQ(schedule_.listed.size(), 2u);
    EXPECT_EQ(schedule_.rows.back().texts[kNoteColumn], "Scheduled:GNS");
}

TEST_P(ScheduleTest, ScheduledTextNamesTrackAndClassWhenBothDiffer)
{
    servers_["10.0.0.1:100"] = Status("Dover International", "CUP", 2);
    WriteEvents({Event("both differ", "10.0.0.1:100", "Bristol", "NW")});
    Load();
    ASSERT_EQ(schedule_.rows.size(), 1u);
    EXPECT_EQ(schedule_.rows[0].texts[kNoteColumn], "Scheduled:Bristol GNS");
    EXPECT_EQ(schedule_.rows[0].texts[kTrackColumn], "Dover");
}

TEST_P(ScheduleTest, EventFieldsAreReadWithTheirDefaults)
{
    WriteEvents({Event("fields", "10.0.0.1:100", "Oval", "NW",
                       {{"ID", "77"}, {"VehicleIDs", "100,7,55"}, {"TrackID", "12abc"}, {"SetupID", "x"},
                        {"ServerPassword", Scramble("pit lane")}, {"TeamSpeak", "ts3server://1.2.3.4"}})});
    auto event = ReadRaceEvent(file_, 1);
    EXPECT_EQ(event->ID, 77);
    EXPECT_EQ(event->VehicleIDs, (std::vector<int>{100, 7, 55}));
    EXPECT_EQ(event->TrackID, 12);
    EXPECT_EQ(event->SetupID, 0);
    EXPECT_EQ(event->ImageIndex, -1);
    EXPECT_EQ(event->CountCautionLaps, "1");
    EXPECT_EQ(event->ServerPassword, "pit lane");
    EXPECT_EQ(event->TeamSpeak, "ts3server://1.2.3.4");
    EXPECT_EQ(event->league, nullptr) << "no partner league without GRD";
    EXPECT_EQ(event->SortKey, std::string(1, '\1'));
}

TEST_P(ScheduleTest, PartnerLeagueCredentialsAreUnscrambled)
{
    WriteSettingNumber("Delete Files", 0, "Options");
    WriteEvents({Event("partner", "10.0.0.1:100", "Oval", "NW",
                       {{"League", "Partner Racing"}, {"GRD", "http://127.0.0.1/partner"},
                        {"GRDUsername", Scramble("a-very-long-user-name")}, {"GRDPassword", Scramble("pw")}})});
    auto event = ReadRaceEvent(file_, 1);
    ASSERT_NE(event->league, nullptr);
    EXPECT_EQ(event->league, event->partnerLeague.get());
    EXPECT_EQ(event->league->name, "Partner Racing");
    EXPECT_EQ(event->league->webBase, "http://127.0.0.1/partner");
    EXPECT_EQ(event->league->userName, "a-very-long-user-name");
    EXPECT_EQ(event->league->password, "pw") << "nothing of the longer user name leaks into the password";
    EXPECT_FALSE(event->league->deleteFiles);
}

TEST_P(ScheduleTest, SortKeysFollowThePositionModulo256)
{
    EXPECT_EQ(SortKeyForPosition(1), std::string(1, '\1'));
    EXPECT_EQ(SortKeyForPosition(255), std::string(1, '\xFF'));
    EXPECT_EQ(SortKeyForPosition(300), std::string(1, static_cast<char>(44)));
    EXPECT_EQ(SortKeyForPosition(256), "");

    std::vector<Keys> events(300, Event("e", "10.0.0.1:100", "Oval", "NW"));
    events[299]["Name"] = "three hundredth";
    WriteEvents(events);
    EXPECT_EQ(ReadRaceEvent(file_, 300)->SortKey, ",");
}

TEST_P(ScheduleTest, SessionTexts)
{
    struct Case {
        int session, seconds, laps;
        const char* text;
    };
    const Case cases[] = {{0, 600, 0, "Cup Practice 10min"}, {1, 59, 0, "Cup Practice 0min"},
                          {2, 3600, 0, "Cup Qualifying 60min"}, {3, 754, 0, "Cup Warmup 12min"},
                          {4, 0, 20, "Cup Race 20 to go"},     {7, 0, 1, "Cup Race 1 to go"}};
    for (const Case& c : cases)
        EXPECT_EQ(SessionText(Status("T", "CUP", 0, c.session, c.seconds, c.laps)), c.text) << c.session;
}

TEST_P(ScheduleTest, OnlyProfileBecomesTheDefault)
{
    context_.profiles = {"Alex Demo"};
    Load();
    EXPECT_EQ(ReadSettingText("Profile1", "", "Options"), "Alex Demo");

    WriteSettingText("Profile1", "Chosen", "Options");
    Load();
    EXPECT_EQ(ReadSettingText("Profile1", "", "Options"), "Chosen") << "a chosen profile stays";

    WriteSettingText("Profile1", "", "Options");
    context_.profiles = {"A", "B"};
    Load();
    EXPECT_EQ(ReadSettingText("Profile1", "x", "Options"), "") << "two profiles: no default";
}

TEST_P(ScheduleTest, EventOrderByColumnAndDirection)
{
    RaceEvent a, b;
    a.SortKey = "\x01";
    b.SortKey = "\xC8";  // byte-wise: 200 sorts after 1
    a.Drivers = "9";
    b.Drivers = "10";  // driver counts compare as texts
    a.Note = "apple";
    b.Note = "Banana";  // case-sensitive: 'B' < 'a'
    EXPECT_LT(CompareEvents(a, b, 0), 0);
    EXPECT_GT(CompareEvents(a, b, 0 | kSortDescending), 0);
    EXPECT_GT(CompareEvents(a, b, kDriversColumn), 0);
    EXPECT_GT(CompareEvents(a, b, kNoteColumn), 0);
    EXPECT_EQ(CompareEvents(a, a, kNoteColumn | kSortDescending), 0);
}

}  // namespace
