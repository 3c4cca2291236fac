#include "catalog/Catalog.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "app/IniFile.h"

namespace {

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month)
{
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 1970-01-01 to a proleptic Gregorian date.
long long DaysFromCivil(int year, int month, int day)
{
    long long y = month <= 2 ? year - 1 : year;
    long long era = (y >= 0 ? y : y - 399) / 400;
    long long yearOfEra = y - era * 400;
    long long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

// Day number of 1970-01-01 counted from 1899-12-30.
constexpr long long kUnixEpochDayNumber = 25569;

std::string FormatSection(const char* pattern, int number)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, pattern, number);
    return buffer;
}

std::unique_ptr<ContentItem> MakeRecord(RecordKind kind)
{
    switch (kind) {
    case RecordKind::Vehicle: return std::make_unique<VehicleItem>();
    case RecordKind::Track: return std::make_unique<TrackItem>();
    case RecordKind::Car: return std::make_unique<CarItem>();
    case RecordKind::Setup: return std::make_unique<SetupItem>();
    }
    return std::make_unique<ContentItem>();
}

const char* KeyName(CatalogKey key)
{
    switch (key) {
    case CatalogKey::Name: return "Name";
    case CatalogKey::Driver: return "Driver";
    case CatalogKey::Track: return "Track";
    case CatalogKey::VehicleIDs: return "VehicleIDs";
    case CatalogKey::TrackID: return "TrackID";
    case CatalogKey::VehicleID: return "VehicleID";
    case CatalogKey::Skin: return "Skin";
    case CatalogKey::Number: return "Number";
    case CatalogKey::Author: return "Author";
    case CatalogKey::Note: return "Note";
    case CatalogKey::File: return "File";
    case CatalogKey::Sha256: return "SHA256";
    case CatalogKey::FileSize: return "File Size";
    case CatalogKey::DoneMsg: return "Done Msg";
    case CatalogKey::DeleteFolderList: return "Delete Folder";
    case CatalogKey::DeleteFileList: return "Delete File";
    case CatalogKey::PrefixPath: return "Prefix Path";
    case CatalogKey::FileType: return "File Type";
    case CatalogKey::DateYear: return "Date Year";
    case CatalogKey::DateMonth: return "Date Month";
    case CatalogKey::DateDay: return "Date Day";
    case CatalogKey::ID: return "ID";
    case CatalogKey::Toggle: return "Toggle";
    }
    return "";
}

// Stores one key's value in the record; keys that the record kind does not
// have are ignored (no category lists them).
void StoreKey(ContentItem& item, CatalogKey key, const IniSection& values, int date[3])
{
    auto text = [&] { return values.Text(KeyName(key)); };
    auto number = [&] { return values.Number(KeyName(key)); };
    auto* vehicles = dynamic_cast<VehicleItem*>(&item);
    auto* track = dynamic_cast<TrackItem*>(&item);
    auto* car = dynamic_cast<CarItem*>(&item);
    auto* setup = dynamic_cast<SetupItem*>(&item);

    switch (key) {
    case CatalogKey::Name: item.Name = text(); break;
    case CatalogKey::Driver:
        if (car) car->Driver = item.Name = text();
        break;
    case CatalogKey::Track:
        if (setup) setup->Track = item.Name = text();
        break;
    case CatalogKey::VehicleIDs:
        if (vehicles) vehicles->vehicleIds = SplitNumberList(text());
        break;
    case CatalogKey::TrackID:
        if (track) track->TrackID = number();
        break;
    case CatalogKey::VehicleID:
        if (car) car->VehicleID = number();
        if (setup) setup->VehicleID = number();
        break;
    case CatalogKey::Skin:
        if (car) car->Skin = text();
        break;
    case CatalogKey::Number:
        if (car) car->Number = text();
        break;
    case CatalogKey::Author:
        if (setup) setup->Author = text();
        break;
    case CatalogKey::Note: item.Note = text(); break;
    case CatalogKey::File: item.File = text(); break;
    case CatalogKey::Sha256: item.SHA256 = text(); break;
    case CatalogKey::FileSize: item.FileSize = text(); break;
    case CatalogKey::DoneMsg: item.DoneMsg = text(); break;
    case CatalogKey::DeleteFolderList: item.deleteFolders = SplitList(text()); break;
    case CatalogKey::DeleteFileList: item.deleteFiles = SplitList(text()); break;
    case CatalogKey::PrefixPath: item.PrefixPath = text(); break;
    case CatalogKey::FileType: item.FileType = number(); break;
    case CatalogKey::DateYear: date[0] = number(); break;
    case CatalogKey::DateMonth: date[1] = number(); break;
    case CatalogKey::DateDay: date[2] = number(); break;
    case CatalogKey::ID: item.ID = number(); break;
    case CatalogKey::Toggle: item.toggleIds = SplitNumberList(text()); break;
    }
}

}  // namespace

ItemDate ItemDate::FromParts(int year, int month, int day)
{
    ItemDate date;
    date.year = year;
    date.month = month;
    date.day = day;
    date.valid = year >= 100 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
                 day <= DaysInMonth(year, month);
    if (date.valid)
        date.dayNumber = static_cast<double>(DaysFromCivil(year, month, day) + kUnixEpochDayNumber);
    return date;
}

bool IsOutOfDate(const ItemDate& cached, const ItemDate& catalog)
{
    if (cached.valid && catalog.valid) return cached.dayNumber < catalog.dayNumber;
    // Without two real days there is no order. The cache records the
    // catalog's three numbers as they were when the item was installed, so
    // the same numbers mean the same version; anything else may be a newer
    // version, and an item that may need installing must never read as
    // current.
    return cached.year != catalog.year || cached.month != catalog.month ||
           cached.day != catalog.day;
}

const std::array<ContentCategory, kCategoryCount>& ContentCategories()
{
    using K = CatalogKey;
    static const std::array<ContentCategory, kCategoryCount> categories = {{
        {CategoryId::Sims, "Sims", "Sim %i", "Sim", RecordKind::Vehicle,
         {K::Name, K::VehicleIDs, K::Note, K::File, K::Sha256, K::FileSize, K::DoneMsg, K::DeleteFolderList,
          K::DeleteFileList, K::PrefixPath, K::FileType, K::DateYear, K::DateMonth, K::DateDay,
          K::ID, K::Toggle}},
        {CategoryId::Tracks, "Tracks", "Track %i", "Track", RecordKind::Track,
         {K::Name, K::VehicleIDs, K::TrackID, K::File, K::Sha256, K::Note, K::FileSize, K::DeleteFolderList,
          K::DeleteFileList, K::PrefixPath, K::FileType, K::DateYear, K::DateMonth, K::DateDay,
          K::ID, K::Toggle}},
        {CategoryId::Mods, "Mods", "Mod %i", "Mod", RecordKind::Vehicle,
         {K::Name, K::VehicleIDs, K::Note, K::File, K::Sha256, K::FileSize, K::DoneMsg, K::DeleteFolderList,
          K::DeleteFileList, K::PrefixPath, K::FileType, K::DateYear, K::DateMonth, K::DateDay,
          K::ID, K::Toggle}},
        {CategoryId::Cars, "Cars", "Car %i", "Car", RecordKind::Car,
         {K::Driver, K::VehicleID, K::Skin, K::Number, K::File, K::Sha256, K::FileSize, K::DeleteFolderList,
          K::DeleteFileList, K::PrefixPath, K::FileType, K::DateYear, K::DateMonth, K::DateDay,
          K::ID, K::Toggle}},
        {CategoryId::Setups, "Setups", "Setup %i", "Setup", RecordKind::Setup,
         {K::Track, K::VehicleID, K::Author, K::Note, K::File, K::Sha256, K::FileSize, K::PrefixPath,
          K::FileType, K::DateYear, K::DateMonth, K::DateDay, K::ID, K::Toggle}},
    }};
    return categories;
}

const ContentCategory& GetCategory(CategoryId id)
{
    return ContentCategories()[static_cast<size_t>(id)];
}

const ContentCategory* FindCategory(const std::string& word)
{
    for (const ContentCategory& category : ContentCategories())
        if (word == category.word) return &category;
    return nullptr;
}

std::string SimCacheSection(int installation, const std::string& word, int id)
{
    return std::to_string(installation) + " " + word + " " + std::to_string(id);
}

std::string SeriesCacheSection(int leagueNumber, int installation, const std::string& word, int id)
{
    return std::to_string(leagueNumber) + "-" + std::to_string(installation) + " " + word + " " +
           std::to_string(id);
}

std::string CacheSectionFor(const LeagueRecord* itemLeague, const LeagueRecord& defaultLeague,
                            int installation, const std::string& word, int id)
{
    if (itemLeague == nullptr || itemLeague == &defaultLeague)
        return SimCacheSection(installation, word, id);
    return SeriesCacheSection(itemLeague->number, installation, word, id);
}

CacheEntry CacheEntryFor(const std::string& leagueFolder, const LeagueRecord* itemLeague,
                         const LeagueRecord& defaultLeague, int installation,
                         const std::string& word, int id)
{
    bool defaultItem = itemLeague == nullptr || itemLeague == &defaultLeague;
    return {leagueFolder + (defaultItem ? kSimCacheFileName : kSeriesCacheFileName),
            CacheSectionFor(itemLeague, defaultLeague, installation, word, id)};
}

void WriteCacheInstalled(const CacheEntry& entry, bool installed)
{
    WriteIniText(entry.file, entry.section, "Installed", installed ? "1" : "0");
}

void WriteCacheDate(const CacheEntry& entry, const ItemDate& date)
{
    WriteIniText(entry.file, entry.section, "Date Year", std::to_string(date.year));
    WriteIniText(entry.file, entry.section, "Date Month", std::to_string(date.month));
    WriteIniText(entry.file, entry.section, "Date Day", std::to_string(date.day));
}

void WriteCacheModified(const CacheEntry& entry, bool modified)
{
    if (modified)
        WriteIniText(entry.file, entry.section, "Modified", "1");
    else
        RemoveIniKey(entry.file, entry.section, "Modified");
}

void JudgeItem(ContentItem& item, const std::string& cacheFile, const std::string& section)
{
    JudgeItem(item, IniDocument::Load(cacheFile), section);
}

void JudgeItem(ContentItem& item, const IniDocument& cacheFile, const std::string& section)
{
    const IniSection cache(cacheFile, section);
    if (cache.Number("Installed") == 0) {
        item.notInstalled = true;
        item.outOfDate = false;
        return;
    }
    item.notInstalled = false;
    ItemDate cached = ItemDate::FromParts(cache.Number("Date Year"), cache.Number("Date Month"),
                                          cache.Number("Date Day"));
    item.outOfDate = IsOutOfDate(cached, item.date) || cache.Number("Modified") != 0;
}

std::unique_ptr<ContentItem> ReadContentItem(const ContentCategory& category,
                                             const IniDocument& file,
                                             const std::string& section,
                                             const LeagueRecord* league)
{
    std::unique_ptr<ContentItem> item = MakeRecord(category.kind);
    item->league = league;
    const IniSection values(file, section);
    int date[3] = {0, 0, 0};
    bool first = true;
    for (CatalogKey key : category.keys) {
        StoreKey(*item, key, values, date);
        if (first && item->Name.empty()) return nullptr;
        first = false;
    }
    item->date = ItemDate::FromParts(date[0], date[1], date[2]);
    return item;
}

void LoadContentItems(const ContentCategory& category, const std::string& sourceFile,
                      const std::string& cacheFile, int installation,
                      const LeagueRecord& league, const LeagueRecord& defaultLeague,
                      ContentList& target)
{
    LoadContentItems(category, IniDocument::Load(sourceFile), IniDocument::Load(cacheFile), installation, league,
                     defaultLeague, target);
}

void LoadContentItems(const ContentCategory& category, const IniDocument& sourceFile,
                      const IniDocument& cacheFile, int installation,
                      const LeagueRecord& league, const LeagueRecord& defaultLeague,
                      ContentList& target)
{
    const int count = sourceFile.Number(category.countSection, "Count");
    // A missing section reads as a nameless item, which is skipped: only the
    // sections that exist up to the count are read, so a huge count costs
    // nothing.
    for (int i : sourceFile.NumberedSections(std::string(category.word) + " ")) {
        if (i > count) break;
        std::string section = FormatSection(category.itemSection, i);
        std::unique_ptr<ContentItem> item = ReadContentItem(category, sourceFile, section, &league);
        if (!item) continue;
        JudgeItem(*item, cacheFile, CacheSectionFor(&league, defaultLeague, installation, category.word, item->ID));
        target.push_back(std::move(item));
    }
}

void LoadCategory(const ContentCategory& category, const std::string& catalogFile,
                  const std::string& cacheFile, int installation,
                  const LeagueRecord& defaultLeague, ContentList& target)
{
    LoadContentItems(category, catalogFile, cacheFile, installation, defaultLeague, defaultLeague,
                     target);
}

void LoadCategory(const ContentCategory& category, const IniDocument& catalogFile,
                  const IniDocument& cacheFile, int installation,
                  const LeagueRecord& defaultLeague, ContentList& target)
{
    LoadContentItems(category, catalogFile, cacheFile, installation, defaultLeague, defaultLeague,
                     target);
}
