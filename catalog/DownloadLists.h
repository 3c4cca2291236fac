#pragma once
#include <windows.h>
#include <string>
#include <vector>

#include "catalog/Catalog.h"
#include "catalog/RaceEvent.h"

// The five download lists of the main window: which category fills each,
// how it is filtered, what its cells say, how it sorts and how its rows look.

enum class ColumnAlign { Left, Center };
struct ListColumn {
    const char* title;
    int share;  // width = list client width * share / 1032
    ColumnAlign align;
};

// What a sort column compares.
enum class SortKind { Text, Date, Size, Number };

struct DownloadListSpec {
    int tab;                   // index in the tab control
    CategoryId category;
    const char* sortSetting;   // stored sort choice
    int defaultSort;
    std::vector<ListColumn> columns;
    std::vector<SortKind> sortKinds;  // per column
};

inline constexpr int kDownloadListCount = 5;
// In tab order: Sim, Tracks, Cars, Add-ons && Tools, Setups.
const std::vector<DownloadListSpec>& DownloadLists();

// Columns of the event list.
const std::vector<ListColumn>& EventListColumns();
inline constexpr int kColumnShareTotal = 1032;

// The records a list shows, in catalog order, followed by the partner
// league's records (cars and setups only, never filtered). With an event
// whose ID is not 0 and whose vehicle list is not empty, a catalog record is
// shown only when one of its vehicle ids is among the event's.
std::vector<ContentItem*> FilterItems(CategoryId category, const ContentList& catalog, const ContentList* league,
                                      const RaceEvent* selected);

// The cell texts of a record in its list's columns. Dates read "%m/%d/%Y".
std::vector<std::string> CellTexts(const ContentItem& item, CategoryId category);

// Out of date first, then not installed, then the chosen column; bit 16 of
// sortValue reverses the column's order only.
int CompareItems(const ContentItem& a, const ContentItem& b, const DownloadListSpec& list, int sortValue);
void SortItems(std::vector<ContentItem*>& items, const DownloadListSpec& list, int sortValue);

// A click on a header: ascending the first time, descending on the column
// clicked last (which is then forgotten). Returns the sort value.
int HeaderClickSort(int& lastClickedColumn, int column);

// How a row is painted.
enum class RowFont { Normal, Bold, Italic, BoldItalic };
struct RowStyle {
    COLORREF text;
    bool customColor;
    RowFont font;
};
inline constexpr COLORREF kNotInstalledColor = 0x808080;
inline constexpr COLORREF kOutOfDateColor = 0x3C46FF;
RowStyle ItemRowStyle(const ContentItem& item, CategoryId category, const LeagueRecord* defaultLeague);
