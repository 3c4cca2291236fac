#include "catalog/DownloadLists.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

const std::vector<ListColumn> kItemColumns = {
    {"Name", 300, ColumnAlign::Left}, {"Date", 120, ColumnAlign::Center},
    {"Size (MB)", 100, ColumnAlign::Center}, {"Notes", 480, ColumnAlign::Left}};
const std::vector<SortKind> kItemSorts = {SortKind::Text, SortKind::Date, SortKind::Size, SortKind::Text};

}  // namespace

const std::vector<DownloadListSpec>& DownloadLists()
{
    static const std::vector<DownloadListSpec> lists = {
        {0, CategoryId::Sims, "Sort Mods", 1, kItemColumns, kItemSorts},
        {1, CategoryId::Tracks, "Sort Tracks", 1, kItemColumns, kItemSorts},
        {2, CategoryId::Cars, "Sort Cars", 3,
         {{"#", 80, ColumnAlign::Center}, {"Driver", 300, ColumnAlign::Left}, {"Date", 120, ColumnAlign::Center},
          {"Size (MB)", 100, ColumnAlign::Center}, {"Skin", 400, ColumnAlign::Left}},
         {SortKind::Number, SortKind::Text, SortKind::Date, SortKind::Size, SortKind::Text}},
        {3, CategoryId::Mods, "Sort Mods", 1, kItemColumns, kItemSorts},
        {4, CategoryId::Setups, "Sort Setups", 2,
         {{"Track", 300, ColumnAlign::Left}, {"Date", 120, ColumnAlign::Center}, {"Author", 100, ColumnAlign::Left},
          {"Notes", 480, ColumnAlign::Left}},
         {SortKind::Text, SortKind::Date, SortKind::Text, SortKind::Text}},
    };
    return lists;
}

const std::vector<ListColumn>& EventListColumns()
{
    static const std::vector<ListColumn> columns = {
        {"Event", 300, ColumnAlign::Left},   {"Drivers", 60, ColumnAlign::Center}, {"Track", 100, ColumnAlign::Center},
        {"Session", 160, ColumnAlign::Left}, {"Details", 115, ColumnAlign::Left},  {"Note", 275, ColumnAlign::Left},
        {"Content", 100, ColumnAlign::Left}};
    return columns;
}

namespace {

bool HasVehicle(const std::vector<int>& eventIds, int id)
{
    return std::find(eventIds.begin(), eventIds.end(), id) != eventIds.end();
}

bool PassesFilter(const ContentItem& item, const std::vector<int>& eventIds)
{
    if (auto* car = dynamic_cast<const CarItem*>(&item)) return HasVehicle(eventIds, car->VehicleID);
    if (auto* setup = dynamic_cast<const SetupItem*>(&item)) return HasVehicle(eventIds, setup->VehicleID);
    if (auto* vehicle = dynamic_cast<const VehicleItem*>(&item))
        return std::any_of(vehicle->vehicleIds.begin(), vehicle->vehicleIds.end(),
                           [&](int id) { return HasVehicle(eventIds, id); });
    return true;
}

std::string DateText(const ItemDate& date)
{
    char text[32];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d", date.month, date.day, date.year);
    return text;
}

// The text a column compares or shows.
std::string ColumnText(const ContentItem& item, CategoryId category, int column)
{
    const std::vector<std::string> cells = CellTexts(item, category);
    return column >= 0 && column < static_cast<int>(cells.size()) ? cells[column] : std::string();
}

int Sign(double value) { return (value > 0) - (value < 0); }

int CompareColumn(const ContentItem& a, const ContentItem& b, CategoryId category, SortKind kind, int column)
{
    switch (kind) {
    case SortKind::Date:
        // The newer date first.
        return Sign(b.date.dayNumber - a.date.dayNumber);
    case SortKind::Size:
        return Sign(std::atof(a.FileSize.c_str()) - std::atof(b.FileSize.c_str()));
    case SortKind::Number:
        return Sign(std::atoi(ColumnText(a, category, column).c_str()) -
                    static_cast<double>(std::atoi(ColumnText(b, category, column).c_str())));
    case SortKind::Text:
    default: {
        const int result = ColumnText(a, category, column).compare(ColumnText(b, category, column));
        return (result > 0) - (result < 0);
    }
    }
}

}  // namespace

std::vector<ContentItem*> FilterItems(CategoryId category, const ContentList& catalog, const ContentList* league,
                                      const RaceEvent* selected)
{
    const bool filtered = selected && selected->ID != 0 && !selected->VehicleIDs.empty();
    std::vector<ContentItem*> items;
    for (const auto& item : catalog)
        if (!filtered || PassesFilter(*item, selected->VehicleIDs)) items.push_back(item.get());
    if (league && (category == CategoryId::Cars || category == CategoryId::Setups))
        for (const auto& item : *league) items.push_back(item.get());
    return items;
}

std::vector<std::string> CellTexts(const ContentItem& item, CategoryId category)
{
    const std::string date = DateText(item.date);
    if (auto* car = dynamic_cast<const CarItem*>(&item))
        return {car->Number, car->Driver, date, car->FileSize, car->Skin};
    if (auto* setup = dynamic_cast<const SetupItem*>(&item)) return {setup->Track, date, setup->Author, setup->Note};
    return {item.Name, date, item.FileSize, item.Note};
}

int CompareItems(const ContentItem& a, const ContentItem& b, const DownloadListSpec& list, int sortValue)
{
    if (a.outOfDate != b.outOfDate) return a.outOfDate ? -1 : 1;
    if (a.notInstalled != b.notInstalled) return a.notInstalled ? -1 : 1;
    const int column = sortValue & 0xFFFF;
    const SortKind kind = column < static_cast<int>(list.sortKinds.size()) ? list.sortKinds[column] : SortKind::Text;
    const int result = CompareColumn(a, b, list.category, kind, column);
    return (sortValue & 0x10000) ? -result : result;
}

void SortItems(std::vector<ContentItem*>& items, const DownloadListSpec& list, int sortValue)
{
    std::stable_sort(items.begin(), items.end(), [&](const ContentItem* a, const ContentItem* b) {
        return CompareItems(*a, *b, list, sortValue) < 0;
    });
}

int HeaderClickSort(int& lastClickedColumn, int column)
{
    if (lastClickedColumn == column) {
        lastClickedColumn = -1;
        return column | 0x10000;
    }
    lastClickedColumn = column;
    return column;
}

RowStyle ItemRowStyle(const ContentItem& item, CategoryId category, const LeagueRecord* defaultLeague)
{
    const bool catalogCar = category == CategoryId::Cars && item.league == defaultLeague;
    if (item.notInstalled && !item.outOfDate)
        return {kNotInstalledColor, true, catalogCar ? RowFont::Italic : RowFont::Normal};
    if (item.outOfDate) return {kOutOfDateColor, true, catalogCar ? RowFont::Italic : RowFont::Normal};
    return {0, false, catalogCar ? RowFont::BoldItalic : RowFont::Bold};
}
