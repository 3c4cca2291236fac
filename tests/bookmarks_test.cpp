#include <string>
#include <vector>

#include "app/Settings.h"
#include "launch/Bookmarks.h"
#include "tests/support/TestEnv.h"

namespace {

std::string Golden(const std::string& name)
{
    return ReadTextFile(std::string(ZANT_SOURCE_DIR) + "/tests/golden/" + name);
}

class BookmarksTest : public LauncherTest {
protected:
    void SetUp() override
    {
        LauncherTest::SetUp();
        sim_ = TempDir();
        for (const char* profile : {"Player1", "Player2"}) MakeFolders(sim_ + "Userdata\\" + profile);
        events_.resize(4);
        events_[0].Server = "192.168.1.20:54297";
        events_[0].League = "Cup";
        events_[0].Vehicle = "NW";
        events_[1].Server = "";  // no server: no bookmark
        events_[1].League = "Empty";
        events_[2].Server = "10.0.0.5:64297";
        events_[2].League = "Trucks & More";
        events_[2].Vehicle = "TRUCK";
        events_[2].ServerPassword = "p<&>w";
        events_[3].Server = "racehost";  // no port: no bookmark
        for (const RaceEvent& event : events_) pointers_.push_back(&event);
    }

    std::string File(const char* profile) const { return sim_ + "Userdata\\" + profile + "\\bookmarks.xml"; }

    std::string sim_;
    std::vector<RaceEvent> events_;
    std::vector<const RaceEvent*> pointers_;
};

TEST_F(BookmarksTest, EveryProfileGetsTheSameListReplacingItsOwn)
{
    WriteTextFile(File("Player1"), "<bookmarklist><bookmark><name>Mine</name></bookmark></bookmarklist>");
    WriteSimBookmarks(sim_, {"Player1", "Player2"}, pointers_);
    EXPECT_EQ(ReadTextFile(File("Player1")), Golden("bookmarks.xml"));
    EXPECT_EQ(ReadTextFile(File("Player2")), Golden("bookmarks.xml"));
    EXPECT_FALSE(FileExists(File("Player1") + ".tmp"));
}

TEST_F(BookmarksTest, NothingIsWrittenWhenOffOrEmpty)
{
    const std::string before = "<bookmarklist/>";
    WriteTextFile(File("Player1"), before);
    const struct {
        const char* name;
        int setting;
        std::vector<std::string> profiles;
        bool withEvents;
    } cases[] = {
        {"setting off", 0, {"Player1", "Player2"}, true},
        {"no events", 1, {"Player1", "Player2"}, false},
        {"no profiles", 1, {}, true},
        {"profile name leading outside", 1, {"..\\Userdata\\Player2"}, true},
    };
    for (const auto& c : cases) {
        WriteSettingNumber("Bookmark", c.setting, "Options");
        WriteSimBookmarks(sim_, c.profiles, c.withEvents ? pointers_ : std::vector<const RaceEvent*>{});
        EXPECT_EQ(ReadTextFile(File("Player1")), before) << c.name;
        EXPECT_FALSE(FileExists(File("Player2"))) << c.name;
        EXPECT_FALSE(FileExists(sim_ + "bookmarks.xml")) << c.name;
    }
}

}  // namespace
