#pragma once
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "app/IniFile.h"
#include "app/Records.h"

// The catalog date of an item (or the date recorded in the install cache):
// a calendar day at 00:00:00. The three numbers are kept as read so that the
// cache can record exactly what the catalog said, valid or not.
struct ItemDate {
    int year = 0;
    int month = 0;
    int day = 0;
    double dayNumber = 0;  // days since 1899-12-30; meaningful only when valid
    bool valid = false;    // a real calendar day in the years 100 to 9999

    static ItemDate FromParts(int year, int month, int day);
};

// Whether an installed item whose cache records `cached` is out of date
// against the catalog's `catalog` date.
bool IsOutOfDate(const ItemDate& cached, const ItemDate& catalog);

// The common part of every catalog record. Record kinds (and the event
// schedule's events) derive from it; lists own their records.
struct ContentItem {
    virtual ~ContentItem() = default;

    int ID = 0;
    const LeagueRecord* league = nullptr;  // not owned
    std::vector<int> toggleIds;            // items this one excludes
    std::string Name;
    std::string File;
    std::string SHA256;                    // the file's hash as the league gives it; empty: not checked
    std::vector<std::string> deleteFolders;
    std::vector<std::string> deleteFiles;
    std::string PrefixPath;
    int FileType = 0;
    ItemDate date;
    std::string Note;
    std::string FileSize;
    std::string DoneMsg;
    bool outOfDate = false;
    bool notInstalled = true;
};

// Sims and Mods.
struct VehicleItem : ContentItem {
    std::vector<int> vehicleIds;
};

// Tracks.
struct TrackItem : VehicleItem {
    int TrackID = 0;
};

// Cars, also the league cars of a partner league. `Name` repeats `Driver`.
struct CarItem : ContentItem {
    std::string Driver;
    std::string Skin;
    std::string Number;
    int VehicleID = 0;
};

// Setups, also the league setups of a partner league. `Name` repeats `Track`.
struct SetupItem : ContentItem {
    std::string Track;
    std::string Author;
    int VehicleID = 0;
};

using ContentList = std::vector<std::unique_ptr<ContentItem>>;

enum class RecordKind { Vehicle, Track, Car, Setup };

// The keys an item section can hold.
enum class CatalogKey {
    Name, Driver, Track, VehicleIDs, TrackID, VehicleID, Skin, Number, Author, Note,
    File, Sha256, FileSize, DoneMsg, DeleteFolderList, DeleteFileList, PrefixPath, FileType,
    DateYear, DateMonth, DateDay, ID, Toggle
};

// The categories in the order they are always read.
enum class CategoryId { Sims, Tracks, Mods, Cars, Setups };
inline constexpr int kCategoryCount = 5;

struct ContentCategory {
    CategoryId id;
    const char* countSection;       // "Tracks": holds "Count"
    const char* itemSection;        // "Track %i", numbered from 1
    const char* word;               // "Track": in cache sections and install commands
    RecordKind kind;
    std::vector<CatalogKey> keys;   // read in this order; the first is the name
};

const std::array<ContentCategory, kCategoryCount>& ContentCategories();
const ContentCategory& GetCategory(CategoryId id);
// The category with this category word, or null.
const ContentCategory* FindCategory(const std::string& word);

// Install cache files, both in the league folder.
inline constexpr char kSimCacheFileName[] = "simcache.ini";
inline constexpr char kSeriesCacheFileName[] = "seriescache.ini";

// "1 Track 301": an item of the default league.
std::string SimCacheSection(int installation, const std::string& word, int id);
// "12-1 Car 55": an item of another league.
std::string SeriesCacheSection(int leagueNumber, int installation, const std::string& word, int id);

// Where the install cache keeps the state of item `id` of a league: the
// default league's items in "simcache.ini", every other league's in
// "seriescache.ini". `id` is the item's own ID or one of its toggle ids.
struct CacheEntry {
    std::string file;
    std::string section;
};
std::string CacheSectionFor(const LeagueRecord* itemLeague, const LeagueRecord& defaultLeague,
                            int installation, const std::string& word, int id);
CacheEntry CacheEntryFor(const std::string& leagueFolder, const LeagueRecord* itemLeague,
                         const LeagueRecord& defaultLeague, int installation,
                         const std::string& word, int id);

// Cache writers: "Installed" = "1" or "0"; the date keys as "%i" of the
// item's catalog date (also when that date is not a valid calendar day).
void WriteCacheInstalled(const CacheEntry& entry, bool installed);
void WriteCacheDate(const CacheEntry& entry, const ItemDate& date);
// "Modified" = "1": the item's files no longer are as installed, and it reads
// as out of date until it is installed again, which removes the key.
void WriteCacheModified(const CacheEntry& entry, bool modified);

// Sets the item's two status flags from its cache section.
void JudgeItem(ContentItem& item, const std::string& cacheFile, const std::string& section);
void JudgeItem(ContentItem& item, const IniDocument& cacheFile, const std::string& section);

// Reads one item section into a record of the category's kind; null when
// the section's name key is empty.
std::unique_ptr<ContentItem> ReadContentItem(const ContentCategory& category,
                                             const IniDocument& file,
                                             const std::string& section,
                                             const LeagueRecord* league);

// Reads every item of a category from `sourceFile`, gives each the league
// `league`, judges it against `cacheFile` in the section CacheSectionFor names
// and appends it to `target` in section order.
void LoadContentItems(const ContentCategory& category, const std::string& sourceFile,
                      const std::string& cacheFile, int installation,
                      const LeagueRecord& league, const LeagueRecord& defaultLeague,
                      ContentList& target);
// The same from files already read.
void LoadContentItems(const ContentCategory& category, const IniDocument& sourceFile,
                      const IniDocument& cacheFile, int installation,
                      const LeagueRecord& league, const LeagueRecord& defaultLeague,
                      ContentList& target);

// The catalog items of one category of the default league.
void LoadCategory(const ContentCategory& category, const std::string& catalogFile,
                  const std::string& cacheFile, int installation,
                  const LeagueRecord& defaultLeague, ContentList& target);
void LoadCategory(const ContentCategory& category, const IniDocument& catalogFile,
                  const IniDocument& cacheFile, int installation,
                  const LeagueRecord& defaultLeague, ContentList& target);
