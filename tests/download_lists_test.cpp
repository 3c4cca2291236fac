#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "catalog/DownloadLists.h"

namespace {

enum Status { OutOfDate, NotInstalled, Installed };

struct TrackRow {
    const char* name;
    Status status;
    int year, month, day;
    const char* size;
};

// Three items in each status group, listed out of every order, so that only
// the right comparison of each column puts them in place: sizes that sort
// differently as text, dates that sort differently when reversed.
const TrackRow kTracks[] = {
    {"Street B", Installed, 2026, 2, 2, "7"},      {"Road B", NotInstalled, 2024, 12, 31, "20"},
    {"Oval A", OutOfDate, 2025, 1, 9, "100"},      {"Street C", Installed, 2025, 5, 5, "512"},
    {"Road A", NotInstalled, 2026, 1, 15, "9"},    {"Oval B", OutOfDate, 2026, 5, 2, "3"},
    {"Street A", Installed, 2023, 3, 3, "64"},     {"Road C", NotInstalled, 2025, 7, 4, "150"},
    {"Oval C", OutOfDate, 2026, 3, 1, "12.5"},
};

void SetStatus(ContentItem& item, Status status)
{
    item.outOfDate = status == OutOfDate;
    item.notInstalled = status == NotInstalled;
}

ContentList MakeTracks()
{
    ContentList items;
    for (const TrackRow& row : kTracks) {
        auto track = std::make_unique<TrackItem>();
        track->Name = row.name;
        track->date = ItemDate::FromParts(row.year, row.month, row.day);
        track->FileSize = row.size;
        SetStatus(*track, row.status);
        items.push_back(std::move(track));
    }
    return items;
}

std::vector<std::string> SortedNames(const ContentList& items, const DownloadListSpec& list, int sortValue)
{
    std::vector<ContentItem*> order;
    for (const auto& item : items) order.push_back(item.get());
    SortItems(order, list, sortValue);
    std::vector<std::string> names;
    for (const ContentItem* item : order) names.push_back(item->Name);
    return names;
}

constexpr int kDescending = 0x10000;

TEST(DownloadListSortTest, EachColumnOrdersWithinTheStatusGroups)
{
    const DownloadListSpec& tracks = DownloadLists()[1];  // by tab
    const ContentList items = MakeTracks();
    const struct {
        int sortValue;
        std::vector<std::string> names;
    } cases[] = {
        {0, {"Oval A", "Oval B", "Oval C", "Road A", "Road B", "Road C", "Street A", "Street B", "Street C"}},
        {0 | kDescending,
         {"Oval C", "Oval B", "Oval A", "Road C", "Road B", "Road A", "Street C", "Street B", "Street A"}},
        // The newer date first.
        {1, {"Oval B", "Oval C", "Oval A", "Road A", "Road C", "Road B", "Street B", "Street C", "Street A"}},
        {1 | kDescending,
         {"Oval A", "Oval C", "Oval B", "Road B", "Road C", "Road A", "Street A", "Street C", "Street B"}},
        // Sizes as numbers: 3 < 12.5 < 100.
        {2, {"Oval B", "Oval C", "Oval A", "Road A", "Road B", "Road C", "Street B", "Street A", "Street C"}},
        {2 | kDescending,
         {"Oval A", "Oval C", "Oval B", "Road C", "Road B", "Road A", "Street C", "Street A", "Street B"}},
    };
    for (const auto& c : cases) EXPECT_EQ(SortedNames(items, tracks, c.sortValue), c.names) << c.sortValue;
}

TEST(DownloadListSortTest, CarNumbersCompareAsNumbers)
{
    const DownloadListSpec& cars = DownloadLists()[2];
    const struct {
        const char* number;
        Status status;
    } rows[] = {{"12", OutOfDate}, {"25", Installed}, {"100", OutOfDate}, {"3", Installed}, {"7", OutOfDate}};
    ContentList items;
    for (const auto& row : rows) {
        auto car = std::make_unique<CarItem>();
        car->Number = row.number;
        car->Name = car->Driver = std::string("Driver ") + row.number;
        SetStatus(*car, row.status);
        items.push_back(std::move(car));
    }
    EXPECT_EQ(SortedNames(items, cars, 0),
              (std::vector<std::string>{"Driver 7", "Driver 12", "Driver 100", "Driver 3", "Driver 25"}));
    EXPECT_EQ(SortedNames(items, cars, 0 | kDescending),
              (std::vector<std::string>{"Driver 100", "Driver 12", "Driver 7", "Driver 25", "Driver 3"}));
}

}  // namespace
