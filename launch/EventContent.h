#pragma once
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "catalog/Refresh.h"
#include "install/FileRecord.h"
#include "install/VerifyItems.h"

// What a race uses of the league's content, whatever its state, and whether
// it is all there.

// The items a race uses: the sims and cars of its vehicles, its track by
// number and by the name the race server reports, and the league cars.
struct EventItems {
    std::vector<ContentItem*> sims;
    std::vector<ContentItem*> tracks;
    std::vector<ContentItem*> cars;  // the catalog's
    std::vector<ContentItem*> leagueCars;
};
// While the race server has not reported a track, the launch takes every
// track it takes at all; readiness takes the tracks named like the event's own.
enum class SilentServerTracks { Every, EventsOwn };
using ItemFilter = std::function<bool(const ContentItem&)>;
// Only the items keep takes (all without one) are collected.
EventItems ItemsForEvent(const RaceEvent& event, LauncherState& state, ContentList& leagueCars,
                         SilentServerTracks silent = SilentServerTracks::EventsOwn, const ItemFilter& keep = nullptr);

// An item's "File Size" in MB.
int SizeInMegabytes(const ContentItem& item);

// The same, each with its category word, for checking.
std::vector<ItemToVerify> ItemsToVerify(const EventItems& items);

using ItemSet = std::set<const ContentItem*>;
// The quick check of installed files, each item looked at once.
class QuickCheck {
public:
    explicit QuickCheck(const LauncherEnvironment& env) : env_(env) {}
    // The installed, current items among them whose files have changed.
    ItemSet ChangedItems(const EventItems& items);

private:
    const LauncherEnvironment& env_;
    std::map<const ContentItem*, bool> known_;
};

// Whether a race must get the item: missing, out of date, or installed with
// files that changed since (one of changed).
bool IsNeeded(const ContentItem& item, const ItemSet& changed);

// "Ready", or "%u to get (%u MB)" for the items missing, out of date or changed.
std::string ContentReadiness(const EventItems& items, const ItemSet& changed);

// Sets every listed event's readiness and its row's Content text, from the
// catalog, the install caches and the quick check; nothing is fetched.
void DescribeEventContent(LauncherState& state);
