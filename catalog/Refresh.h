#pragma once
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "app/Startup.h"
#include "catalog/Catalog.h"
#include "catalog/Schedule.h"

// The lists of the main window, in the order their click memories are kept.
enum LauncherList { kEventsList, kSimsList, kTracksList, kCarsList, kModsList, kSetupsList, kLauncherListCount };

// The launcher's model, owned by the main window for the life of the
// program: folders and records of start-up, the sim's profiles, the event
// schedule and the catalog lists rebuilt by every refresh.
struct LauncherState {
    LauncherEnvironment env;
    RaceEvent localEvent;  // the first row of the event list
    std::vector<std::string> profiles;
    EventSchedule schedule;
    std::array<ContentList, kCategoryCount> catalog;  // by CategoryId
    ContentList leagueCars;                           // a partner league's content
    ContentList leagueSetups;
    bool busy = false;
    // Per list, the column its header was last clicked on, or -1.
    std::array<int, kLauncherListCount> lastClickedColumn{-1, -1, -1, -1, -1, -1};
    // The event row selected after the last refresh.
    int selectedEventRow = 0;

    ContentList& Catalog(CategoryId id) { return catalog[static_cast<int>(id)]; }
    std::string EventsFile() const { return env.LeagueFolder() + "zant.ini"; }
    std::string CacheFile() const { return env.LeagueFolder() + kSimCacheFileName; }
};

// Fills the local entry: the whole league's content, fetched from the
// league's events address (ending in "Y" for a dedicated server).
void InitLocalEvent(LauncherState& state);

// What the refresh needs from the window around it.
struct RefreshHooks {
    // The ID of the selected event (the local entry's when none is selected).
    std::function<int()> selectedEventId;
    // Brings the selected event's league content up to date; refills the download lists.
    std::function<void(bool fetch)> loadLeagueContent;
    // Fills the events' Content column once events and catalog are read.
    std::function<void()> describeContent;
    // Ends the program so that a started update can replace it.
    std::function<void()> endProgram;
    // Asks race servers one at a time; when empty, every server is asked at
    // once over UDP and the last reply kept in the data folder.
    StatusQuery query;
};

enum class RefreshResult { Done, UpdateStarted, UpdateNotStarted };

// Brings the model up to date: with fetch on, downloads the events file,
// offers the launcher's update and fetches a new series banner and asks every
// race server anew; then rebuilds events and catalog from the files on disk.
RefreshResult Refresh(LauncherState& state, bool fetch, const RefreshHooks& hooks);

// What to tell the user about a response that is no events file, judged by
// its first characters: read from the file, or given as the reply's text.
std::string InvalidResponseMessage(const std::string& eventsFile, const std::string& leagueName);
std::string InvalidResponseText(const std::string& response, const std::string& leagueName);
