#include "launch/EventContent.h"

#include <algorithm>
#include <map>

#include "app/IniFile.h"
#include "catalog/LeagueContent.h"

namespace {

// Whether ids holds one of wanted.
bool HoldsAny(const std::vector<int>& ids, const std::vector<int>& wanted)
{
    return std::any_of(ids.begin(), ids.end(),
                       [&](int id) { return std::find(wanted.begin(), wanted.end(), id) != wanted.end(); });
}

void AddTracks(const RaceEvent& event, ContentList& tracks, SilentServerTracks silent, const ItemFilter& keep,
               std::vector<ContentItem*>& taken)
{
    for (auto& item : tracks)
        if (event.TrackID != 0 && static_cast<const TrackItem*>(item.get())->TrackID == event.TrackID && keep(*item))
            taken.push_back(item.get());
    // An empty name is in every track's.
    const std::string& reported =
        event.ServerTrack.empty() && silent == SilentServerTracks::EventsOwn ? event.Track : event.ServerTrack;
    const std::string name = reported.substr(0, reported.find(' '));
    for (auto& item : tracks) {
        const bool listed = std::any_of(taken.begin(), taken.end(),
                                        [&](const ContentItem* track) { return track->ID == item->ID; });
        if (!listed && item->Name.find(name) != std::string::npos && keep(*item)) taken.push_back(item.get());
    }
}

// A partner league's cars, read from its last content file: the column
// fetches nothing. The league record they point to lives in the pass.
struct PartnerCars {
    LeagueRecord league;
    ContentList cars;
};

ContentList& CarsOfLeague(const RaceEvent& event, LauncherState& state,
                          std::map<const LeagueRecord*, PartnerCars>& partners)
{
    static ContentList none;
    const LeagueRecord* league = PartnerLeagueOf(event, state);
    if (!league) return none;
    auto known = partners.find(league);
    if (known != partners.end()) return known->second.cars;
    PartnerCars& loaded = partners[league];
    const std::string copy = LeagueContentCopyPath(state.env, *league);
    if (copy.empty()) return loaded.cars;
    loaded.league = *league;
    loaded.league.number = LeagueNumberInCopy(copy);
    ReadLeagueCopy(state.env, copy, loaded.league, CategoryId::Cars, loaded.cars);
    return loaded.cars;
}

}  // namespace

bool IsNeeded(const ContentItem& item, const ItemSet& changed)
{
    return item.outOfDate || item.notInstalled || changed.count(&item) != 0;
}

int SizeInMegabytes(const ContentItem& item)
{
    return ParseLeadingNumber(item.FileSize);
}

EventItems ItemsForEvent(const RaceEvent& event, LauncherState& state, ContentList& leagueCars,
                         SilentServerTracks silent, const ItemFilter& filter)
{
    const ItemFilter keep = filter ? filter : [](const ContentItem&) { return true; };
    EventItems items;
    if (!event.VehicleIDs.empty()) {
        for (auto& item : state.Catalog(CategoryId::Sims))
            if ((event.ID == 0 || HoldsAny(static_cast<const VehicleItem*>(item.get())->vehicleIds, event.VehicleIDs)) &&
                keep(*item))
                items.sims.push_back(item.get());
        for (auto& item : state.Catalog(CategoryId::Cars))
            if ((event.ID == 0 || HoldsAny({static_cast<const CarItem*>(item.get())->VehicleID}, event.VehicleIDs)) &&
                keep(*item))
                items.cars.push_back(item.get());
    }
    AddTracks(event, state.Catalog(CategoryId::Tracks), silent, keep, items.tracks);
    for (auto& item : leagueCars)
        if (keep(*item)) items.leagueCars.push_back(item.get());
    return items;
}

std::vector<ItemToVerify> ItemsToVerify(const EventItems& items)
{
    std::vector<ItemToVerify> checked;
    for (auto [list, word] : {std::pair{&items.sims, "Sim"}, {&items.tracks, "Track"}, {&items.cars, "Car"},
                              {&items.leagueCars, "Car"}})
        for (ContentItem* item : *list) checked.push_back({item, word});
    return checked;
}

ItemSet QuickCheck::ChangedItems(const EventItems& items)
{
    ItemSet changed;
    for (const ItemToVerify& item : ItemsToVerify(items)) {
        if (IsNeeded(*item.item, {})) continue;
        auto known = known_.find(item.item);
        if (known == known_.end())
            known = known_.emplace(item.item, ItemFilesChanged(env_, *item.item, item.categoryWord)).first;
        if (known->second) changed.insert(item.item);
    }
    return changed;
}

std::string ContentReadiness(const EventItems& items, const ItemSet& changed)
{
    unsigned count = 0, megabytes = 0;
    for (const ItemToVerify& item : ItemsToVerify(items)) {
        if (!IsNeeded(*item.item, changed)) continue;
        ++count;
        megabytes += static_cast<unsigned>(std::max(SizeInMegabytes(*item.item), 0));
    }
    if (count == 0) return "Ready";
    return std::to_string(count) + " to get (" + std::to_string(megabytes) + " MB)";
}

void DescribeEventContent(LauncherState& state)
{
    QuickCheck check(state.env);
    std::map<const LeagueRecord*, PartnerCars> partners;
    for (EventRow& row : state.schedule.rows) {
        RaceEvent& event = *row.event;
        const EventItems items = ItemsForEvent(event, state, CarsOfLeague(event, state, partners));
        event.Content = ContentReadiness(items, check.ChangedItems(items));
        row.texts[kContentColumn] = event.Content;
    }
}
