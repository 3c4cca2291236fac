#include <string>
#include <vector>

#include "tests/support/TestEnv.h"

#include "app/IniFile.h"
#include "catalog/Catalog.h"

namespace {

class CatalogTest : public LauncherTest {
protected:
    void SetUp() override
    {
        LauncherTest::SetUp();
        catalog_ = TempDir() + "zant.ini";
        cache_ = TempDir() + kSimCacheFileName;
        league_.number = 3;
        league_.name = "Home League";
    }

    ContentList Load(CategoryId id, int installation = 1)
    {
        ContentList list;
        LoadCategory(GetCategory(id), catalog_, cache_, installation, league_, list);
        return list;
    }

    void MarkInstalled(const std::string& section, int year, int month, int day,
                       const std::string& installed = "1")
    {
        WriteIniText(cache_, section, "Installed", installed);
        WriteIniText(cache_, section, "Date Year", std::to_string(year));
        WriteIniText(cache_, section, "Date Month", std::to_string(month));
        WriteIniText(cache_, section, "Date Day", std::to_string(day));
    }

    std::string catalog_;
    std::string cache_;
    LeagueRecord league_;
};

TEST_F(CatalogTest, SplitListKeepsInnerEmptyPiecesOnly)
{
    struct Case {
        const char* value;
        std::vector<std::string> pieces;
    };
    const Case cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a,", {"a"}},
        {"a,,b", {"a", "", "b"}},
        {",", {""}},
        {",b", {"", "b"}},
        {"GameData\\Vehicles\\X,GameData\\Sounds\\X", {"GameData\\Vehicles\\X", "GameData\\Sounds\\X"}},
    };
    for (const Case& c : cases) EXPECT_EQ(SplitList(c.value), c.pieces) << c.value;
}

TEST_F(CatalogTest, SplitNumberListConvertsLikeAtoi)
{
    struct Case {
        const char* value;
        std::vector<int> numbers;
    };
    const Case cases[] = {
        {"", {}},
        {"100,5,6", {100, 5, 6}},
        {"7,", {7}},
        {"a,,12x", {0, 0, 12}},
        {" 4,-2", {4, -2}},
        {"99999999999", {2147483647}},
    };
    for (const Case& c : cases) EXPECT_EQ(SplitNumberList(c.value), c.numbers) << c.value;
}

TEST_F(CatalogTest, DatesAreValidOnlyForRealDays)
{
    struct Case {
        int year, month, day;
        bool valid;
    };
    const Case cases[] = {
        {2021, 5, 30, true},  {2020, 2, 29, true},  {2021, 2, 29, false}, {2021, 4, 31, false},
        {2021, 0, 1, false},  {2021, 13, 1, false}, {2021, 1, 0, false},  {0, 0, 0, false},
        {10000, 1, 1, false}, {9999, 12, 31, true}, {1900, 2, 29, false}, {2000, 2, 29, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ItemDate::FromParts(c.year, c.month, c.day).valid, c.valid)
            << c.year << "-" << c.month << "-" << c.day;
    EXPECT_EQ(ItemDate::FromParts(1899, 12, 30).dayNumber, 0.0);
    EXPECT_EQ(ItemDate::FromParts(2021, 5, 30).dayNumber, 44346.0);
    EXPECT_EQ(ItemDate::FromParts(2021, 5, 31).dayNumber - ItemDate::FromParts(2021, 5, 30).dayNumber, 1.0);
}

TEST_F(CatalogTest, TrackItemReadsEveryField)
{
    WriteTextFile(catalog_,
                  "[Tracks]\r\nCount=1\r\n"
                  "[Track 1]\r\nName=Harbour Circuit\r\nVehicleIDs=12,14\r\nTrackID=7\r\n"
                  "File=http://league/tracks/harbour.zip\r\nNote=Night race\r\nFile Size=85\r\n"
                  "Done Msg=ignored for tracks\r\n"
                  "Delete Folder=GameData\\Locations\\Harbour,,Old\r\nDelete File=a.gdb,\r\n"
                  "Prefix Path=GameData\\Locations\r\nFile Type=1\r\n"
                  "Date Year=2021\r\nDate Month=5\r\nDate Day=30\r\nID=301\r\nToggle=300\r\n");
    ContentList list = Load(CategoryId::Tracks);
    ASSERT_EQ(list.size(), 1u);
    auto* track = dynamic_cast<TrackItem*>(list[0].get());
    ASSERT_NE(track, nullptr);
    EXPECT_EQ(track->Name, "Harbour Circuit");
    EXPECT_EQ(track->vehicleIds, (std::vector<int>{12, 14}));
    EXPECT_EQ(track->TrackID, 7);
    EXPECT_EQ(track->File, "http://league/tracks/harbour.zip");
    EXPECT_EQ(track->Note, "Night race");
    EXPECT_EQ(track->FileSize, "85");
    EXPECT_EQ(track->DoneMsg, "");
    EXPECT_EQ(track->deleteFolders, (std::vector<std::string>{"GameData\\Locations\\Harbour", "", "Old"}));
    EXPECT_EQ(track->deleteFiles, (std::vector<std::string>{"a.gdb"}));
    EXPECT_EQ(track->PrefixPath, "GameData\\Locations");
    EXPECT_EQ(track->FileType, 1);
    EXPECT_TRUE(track->date.valid);
    EXPECT_EQ(track->date.year, 2021);
    EXPECT_EQ(track->date.month, 5);
    EXPECT_EQ(track->date.day, 30);
    EXPECT_EQ(track->ID, 301);
    EXPECT_EQ(track->toggleIds, (std::vector<int>{300}));
    EXPECT_EQ(track->league, &league_);
    EXPECT_TRUE(track->notInstalled);
    EXPECT_FALSE(track->outOfDate);
}

TEST_F(CatalogTest, EachCategoryReadsItsOwnKeys)
{
    const std::string common =
        "Note=n\r\nDone Msg=done\r\nDelete Folder=f\r\nDelete File=x\r\nFile=u\r\nID=5\r\n";
    WriteTextFile(catalog_,
                  "[Sims]\r\nCount=1\r\n[Sim 1]\r\nName=Patch\r\nVehicleIDs=1,2\r\n" + common +
                  "[Mods]\r\nCount=1\r\n[Mod 1]\r\nName=Series mod\r\nVehicleIDs=3\r\n" + common +
                  "[Cars]\r\nCount=1\r\n[Car 1]\r\nName=not read\r\nDriver=A. Driver\r\n"
                  "VehicleID=44\r\nSkin=blue\r\nNumber=07\r\n" + common +
                  "[Setups]\r\nCount=1\r\n[Setup 1]\r\nName=not read\r\nTrack=Harbour\r\n"
                  "VehicleID=45\r\nAuthor=Crew chief\r\n" + common);

    ContentList sims = Load(CategoryId::Sims);
    ASSERT_EQ(sims.size(), 1u);
    auto* sim = dynamic_cast<VehicleItem*>(sims[0].get());
    ASSERT_NE(sim, nullptr);
    EXPECT_EQ(sim->Name, "Patch");
    EXPECT_EQ(sim->vehicleIds, (std::vector<int>{1, 2}));
    EXPECT_EQ(sim->Note, "n");
    EXPECT_EQ(sim->DoneMsg, "done");
    EXPECT_EQ(sim->deleteFolders, (std::vector<std::string>{"f"}));

    ContentList mods = Load(CategoryId::Mods);
    ASSERT_EQ(mods.size(), 1u);
    EXPECT_EQ(dynamic_cast<VehicleItem&>(*mods[0]).vehicleIds, (std::vector<int>{3}));
    EXPECT_EQ(mods[0]->DoneMsg, "done");

    ContentList cars = Load(CategoryId::Cars);
    ASSERT_EQ(cars.size(), 1u);
    auto* car = dynamic_cast<CarItem*>(cars[0].get());
    ASSERT_NE(car, nullptr);
    EXPECT_EQ(car->Name, "A. Driver");
    EXPECT_EQ(car->Driver, "A. Driver");
    EXPECT_EQ(car->VehicleID, 44);
    EXPECT_EQ(car->Skin, "blue");
    EXPECT_EQ(car->Number, "07");
    EXPECT_EQ(car->Note, "");
    EXPECT_EQ(car->DoneMsg, "");
    EXPECT_EQ(car->deleteFiles, (std::vector<std::string>{"x"}));
    EXPECT_EQ(car->ID, 5);

    ContentList setups = Load(CategoryId::Setups);
    ASSERT_EQ(setups.size(), 1u);
    auto* setup = dynamic_cast<SetupItem*>(setups[0].get());
    ASSERT_NE(setup, nullptr);
    EXPECT_EQ(setup->Name, "Harbour");
    EXPECT_EQ(setup->Track, "Harbour");
    EXPECT_EQ(setup->Author, "Crew chief");
    EXPECT_EQ(setup->VehicleID, 45);
    EXPECT_EQ(setup->Note, "n");
    EXPECT_TRUE(setup->deleteFolders.empty());
    EXPECT_TRUE(setup->deleteFiles.empty());
    EXPECT_EQ(setup->DoneMsg, "");
    EXPECT_EQ(setup->File, "u");
}

TEST_F(CatalogTest, GapsInTheNumberingAreSkippedAndCountIsTheEnd)
{
    WriteTextFile(catalog_,
                  "[Tracks]\r\nCount=4\r\n"
                  "[Track 1]\r\nName=One\r\nID=1\r\n"
                  "[Track 3]\r\nName=\r\nID=3\r\n"
                  "[Track 4]\r\nName=Four\r\nID=4\r\n"
                  "[Track 5]\r\nName=Five\r\nID=5\r\n"
                  "[Mods]\r\nCount=3\r\n[Mod 1]\r\nName=M1\r\n[Mod 2]\r\nNote=no name\r\n[Mod 3]\r\nName=M3\r\n");
    ContentList tracks = Load(CategoryId::Tracks);
    ASSERT_EQ(tracks.size(), 2u);
    EXPECT_EQ(tracks[0]->Name, "One");
    EXPECT_EQ(tracks[1]->Name, "Four");

    ContentList mods = Load(CategoryId::Mods);
    ASSERT_EQ(mods.size(), 2u);
    EXPECT_EQ(mods[0]->Name, "M1");
    EXPECT_EQ(mods[1]->Name, "M3");
}

// A hostile count must end where the sections end, with the same items as
// reading every missing section would give.
TEST_F(CatalogTest, HugeCountsEndWhereTheSectionsEnd)
{
    WriteTextFile(catalog_,
                  "[Tracks]\r\nCount=999999999\r\n"
                  "[Track 1]\r\nName=One\r\n[track 7]\r\nName=Seven\r\n[Track 07]\r\nName=not 7\r\n"
                  "[Mods]\r\nCount=2147483647\r\n[Mod 2147483647]\r\nName=Last\r\n[Mod 2]\r\nName=Two\r\n"
                  "[Cars]\r\nCount=4294967295\r\n[Car 1]\r\nDriver=wraps to -1\r\n"
                  "[Sims]\r\nCount=3\r\n[Sim 4]\r\nName=beyond the count\r\n[Sim 3]\r\nName=Three\r\n");
    struct Case {
        CategoryId category;
        std::vector<std::string> names;
    };
    const std::vector<Case> cases = {
        {CategoryId::Tracks, {"One", "Seven"}},
        {CategoryId::Mods, {"Two", "Last"}},
        {CategoryId::Cars, {}},
        {CategoryId::Sims, {"Three"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> names;
        for (const auto& item : Load(c.category)) names.push_back(item->Name);
        EXPECT_EQ(names, c.names) << GetCategory(c.category).word;
    }
}

TEST_F(CatalogTest, MissingOrEmptyCatalogGivesEmptyCategories)
{
    ContentList none = Load(CategoryId::Sims);  // no file at all
    EXPECT_TRUE(none.empty());

    WriteTextFile(catalog_, "[Sims]\r\nCount=0\r\n[Sim 1]\r\nName=x\r\n"
                            "[Mods]\r\nCount=-2\r\n[Mod 1]\r\nName=y\r\n");
    EXPECT_TRUE(Load(CategoryId::Sims).empty());
    EXPECT_TRUE(Load(CategoryId::Mods).empty());
    EXPECT_TRUE(Load(CategoryId::Cars).empty());
}

struct StatusCase {
    const char* what;
    const char* installed;  // null: no cache section at all
    int cacheYear, cacheMonth, cacheDay;
    int catalogYear, catalogMonth, catalogDay;
    bool notInstalled, outOfDate;
};

TEST_F(CatalogTest, StatusRule)
{
    const StatusCase cases[] = {
        {"same date is current", "1", 2021, 5, 30, 2021, 5, 30, false, false},
        {"newer catalog is out of date", "1", 2021, 5, 30, 2021, 5, 31, false, true},
        {"older catalog stays current", "1", 2021, 5, 30, 2021, 5, 29, false, false},
        {"a year later in the catalog", "1", 2021, 5, 30, 2022, 1, 1, false, true},
        {"mark 0 with dates", "0", 2021, 5, 30, 2021, 5, 31, true, false},
        {"any other mark is installed", "2", 2021, 5, 30, 2021, 5, 30, false, false},
        {"no cache section", nullptr, 0, 0, 0, 2021, 5, 30, true, false},
        // Without two real days the recorded numbers must equal the catalog's.
        {"undated item recorded undated", "1", 0, 0, 0, 0, 0, 0, false, false},
        {"dated item, cache without date", "1", 0, 0, 0, 2021, 5, 30, false, true},
        {"same invalid date", "1", 2021, 4, 31, 2021, 4, 31, false, false},
        {"invalid catalog date changed", "1", 2021, 4, 31, 2021, 4, 30, false, true},
        {"catalog date lost", "1", 2021, 5, 30, 0, 0, 0, false, true},
        {"year beyond 9999", "1", 9999, 12, 31, 10000, 1, 1, false, true},
    };
    std::string catalogText = "[Tracks]\r\nCount=" + std::to_string(std::size(cases)) + "\r\n";
    for (size_t i = 0; i < std::size(cases); ++i) {
        const StatusCase& c = cases[i];
        int id = 100 + static_cast<int>(i);
        catalogText += "[Track " + std::to_string(i + 1) + "]\r\nName=" + c.what + "\r\nID=" +
                       std::to_string(id) + "\r\nDate Year=" + std::to_string(c.catalogYear) +
                       "\r\nDate Month=" + std::to_string(c.catalogMonth) +
                       "\r\nDate Day=" + std::to_string(c.catalogDay) + "\r\n";
        if (c.installed)
            MarkInstalled("1 Track " + std::to_string(id), c.cacheYear, c.cacheMonth, c.cacheDay,
                          c.installed);
    }
    WriteTextFile(catalog_, catalogText);

    ContentList list = Load(CategoryId::Tracks);
    ASSERT_EQ(list.size(), std::size(cases));
    for (size_t i = 0; i < list.size(); ++i) {
        EXPECT_EQ(list[i]->notInstalled, cases[i].notInstalled) << cases[i].what;
        EXPECT_EQ(list[i]->outOfDate, cases[i].outOfDate) << cases[i].what;
    }
}

TEST_F(CatalogTest, InstallationsHaveIndependentSections)
{
    WriteTextFile(catalog_, "[Tracks]\r\nCount=1\r\n[Track 1]\r\nName=Harbour\r\nID=301\r\n"
                            "Date Year=2021\r\nDate Month=5\r\nDate Day=30\r\n");
    MarkInstalled("1 Track 301", 2021, 5, 30);
    MarkInstalled("2 Track 301", 2021, 5, 1);

    ContentList first = Load(CategoryId::Tracks, 1);
    ContentList second = Load(CategoryId::Tracks, 2);
    ContentList third = Load(CategoryId::Tracks, 3);
    ASSERT_EQ(first.size(), 1u);
    ASSERT_EQ(second.size(), 1u);
    ASSERT_EQ(third.size(), 1u);
    EXPECT_FALSE(first[0]->notInstalled);
    EXPECT_FALSE(first[0]->outOfDate);
    EXPECT_FALSE(second[0]->notInstalled);
    EXPECT_TRUE(second[0]->outOfDate);
    EXPECT_TRUE(third[0]->notInstalled);
}

TEST_F(CatalogTest, CategoryWordsNameTheCacheSections)
{
    // The same ID in every category: only the category's own section counts.
    std::string text;
    for (const char* category : {"Sim", "Track", "Mod", "Car", "Setup"})
        text += std::string("[") + category + "s]\r\nCount=1\r\n[" + category + " 1]\r\nName=x\r\n"
                "Driver=x\r\nTrack=x\r\nID=9\r\n";
    WriteTextFile(catalog_, text);
    WriteIniText(cache_, "1 Car 9", "Installed", "1");
    WriteIniText(cache_, "1 Setup 9", "Installed", "1");

    EXPECT_TRUE(Load(CategoryId::Sims).at(0)->notInstalled);
    EXPECT_TRUE(Load(CategoryId::Tracks).at(0)->notInstalled);
    EXPECT_TRUE(Load(CategoryId::Mods).at(0)->notInstalled);
    EXPECT_FALSE(Load(CategoryId::Cars).at(0)->notInstalled);
    EXPECT_FALSE(Load(CategoryId::Setups).at(0)->notInstalled);
}

TEST_F(CatalogTest, CacheSectionNames)
{
    LeagueRecord partner;
    partner.number = 12;
    EXPECT_EQ(SimCacheSection(1, "Track", 301), "1 Track 301");
    EXPECT_EQ(SeriesCacheSection(12, 1, "Car", 55), "12-1 Car 55");
    EXPECT_EQ(CacheSectionFor(&league_, league_, 2, "Mod", 7), "2 Mod 7");
    EXPECT_EQ(CacheSectionFor(&partner, league_, 1, "Setup", -4), "12-1 Setup -4");

    CacheEntry own = CacheEntryFor(TempDir(), &league_, league_, 1, "Car", 55);
    EXPECT_EQ(own.file, TempDir() + "simcache.ini");
    EXPECT_EQ(own.section, "1 Car 55");
    CacheEntry other = CacheEntryFor(TempDir(), &partner, league_, 1, "Car", 55);
    EXPECT_EQ(other.file, TempDir() + "seriescache.ini");
    EXPECT_EQ(other.section, "12-1 Car 55");

    ASSERT_NE(FindCategory("Setup"), nullptr);
    EXPECT_EQ(FindCategory("Setup")->id, CategoryId::Setups);
    EXPECT_EQ(FindCategory("Tracks"), nullptr);
}

TEST_F(CatalogTest, PartnerLeagueItemsAreJudgedInTheSeriesCache)
{
    LeagueRecord partner;
    partner.number = 12;
    std::string content = TempDir() + "cars.ini";
    std::string seriesCache = TempDir() + kSeriesCacheFileName;
    WriteTextFile(content, "[Cars]\r\nCount=3\r\n"
                           "[Car 1]\r\nDriver=First\r\nID=55\r\nDate Year=2021\r\nDate Month=5\r\nDate Day=30\r\n"
                           "[Car 2]\r\nDriver=\r\nID=56\r\n"
                           "[Car 3]\r\nDriver=Third\r\nID=57\r\nDate Year=2021\r\nDate Month=6\r\nDate Day=2\r\n");
    WriteIniText(seriesCache, "12-1 Car 55", "Installed", "1");
    WriteCacheDate({seriesCache, "12-1 Car 55"}, ItemDate::FromParts(2021, 5, 30));
    WriteIniText(seriesCache, "12-1 Car 57", "Installed", "1");
    WriteCacheDate({seriesCache, "12-1 Car 57"}, ItemDate::FromParts(2021, 6, 1));
    // A record of the default league's cache must not count for the partner.
    WriteIniText(cache_, "1 Car 55", "Installed", "0");

    ContentList cars;
    LoadContentItems(GetCategory(CategoryId::Cars), content, seriesCache, 1, partner, league_, cars);
    ASSERT_EQ(cars.size(), 2u);
    EXPECT_EQ(cars[0]->league, &partner);
    EXPECT_FALSE(cars[0]->notInstalled);
    EXPECT_FALSE(cars[0]->outOfDate);
    EXPECT_EQ(cars[1]->Name, "Third");
    EXPECT_FALSE(cars[1]->notInstalled);
    EXPECT_TRUE(cars[1]->outOfDate);
}

TEST_F(CatalogTest, CacheWritersRecordTheCatalogNumbers)
{
    CacheEntry entry{cache_, "1 Track 301"};
    WriteCacheInstalled(entry, true);
    WriteCacheDate(entry, ItemDate::FromParts(2021, 4, 31));  // invalid, recorded as it is
    EXPECT_EQ(ReadIniText(cache_, "1 Track 301", "Installed"), "1");
    EXPECT_EQ(ReadIniText(cache_, "1 Track 301", "Date Year"), "2021");
    EXPECT_EQ(ReadIniText(cache_, "1 Track 301", "Date Month"), "4");
    EXPECT_EQ(ReadIniText(cache_, "1 Track 301", "Date Day"), "31");

    TrackItem item;
    item.date = ItemDate::FromParts(2021, 4, 31);
    JudgeItem(item, cache_, "1 Track 301");
    EXPECT_FALSE(item.notInstalled);
    EXPECT_FALSE(item.outOfDate);

    WriteCacheInstalled(entry, false);
    EXPECT_EQ(ReadIniText(cache_, "1 Track 301", "Installed"), "0");
    JudgeItem(item, cache_, "1 Track 301");
    EXPECT_TRUE(item.notInstalled);
}

TEST_F(CatalogTest, LongValuesAreCutAt1023Characters)
{
    std::string note(1500, 'n');
    WriteTextFile(catalog_, "[Sims]\r\nCount=1\r\n[Sim 1]\r\nName=S\r\nNote=" + note + "\r\n");
    ContentList list = Load(CategoryId::Sims);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]->Note, std::string(1023, 'n'));
}

}  // namespace
