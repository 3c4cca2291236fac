#pragma once
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/IniFile.h"
#include "catalog/RaceEvent.h"
#include "net/ServerStatus.h"

// One row of the event list: the seven column texts, the banner image and the
// event it shows (not owned by the row).
struct EventRow {
    static constexpr int kColumnCount = 7;
    std::array<std::string, kColumnCount> texts;
    int image = 0;
    int noteImage = -1;  // image of the Note column, -1 for none
    RaceEvent* event = nullptr;
};

enum EventColumn {
    kEventColumn, kDriversColumn, kTrackColumn, kSessionColumn, kDetailsColumn, kNoteColumn, kContentColumn
};

// What the race servers said, by server address, kept from one refresh to
// the next unless the refresh fetches anew.
struct ServerCaches {
    std::map<std::string, std::string> drivers;
    std::map<std::string, std::string> track;
    std::map<std::string, std::string> session;
    void Clear()
    {
        drivers.clear();
        track.clear();
        session.clear();
    }
};

// Asks a race server; the launcher's own goes over UDP.
using StatusQuery = std::function<bool(const std::string& host, int port, ServerStatus& status)>;
// Asks many race servers at once: one reply (or none) per target, in order.
using StatusBatchQuery = std::function<std::vector<StatusReply>(const std::vector<StatusTarget>& targets)>;

// The event list: its rows, the events they show and what the race servers said.
struct EventSchedule {
    std::vector<EventRow> rows;
    std::vector<std::unique_ptr<RaceEvent>> events;  // every event that has a row
    std::vector<RaceEvent*> listed;                  // events listed live, in listing order
    ServerCaches caches;

    // Destroys the events and their rows; the caches stay.
    void ClearEvents();
};

// What loading events needs from the rest of the launcher.
struct ScheduleContext {
    int installation = 0;
    std::vector<std::string> profiles;  // the sim's player profiles
    // One server at a time, in the order the schedule needs them.
    StatusQuery query;
    // When set, replaces `query`: before the rows are built every server
    // that the one-at-a-time order would ask is asked at once, and the rows
    // are built from those replies exactly as from single queries.
    StatusBatchQuery askAll;
    // With askAll: receives the reply of the last question answered, the
    // one a single query would have kept in "rf_response.txt".
    std::function<void(const std::string& reply)> keepReply;
};

// Appends the events of one events file to the schedule: live events first,
// then those the servers could not confirm, each with its row.
void LoadEvents(const std::string& path, const ScheduleContext& context, EventSchedule& schedule);
void LoadEvents(const IniDocument& file, const ScheduleContext& context, EventSchedule& schedule);

// Reads section "Event %i" into a record; its league, if any, takes the
// "Delete Files" option.
std::unique_ptr<RaceEvent> ReadRaceEvent(const std::string& path, int position);
std::unique_ptr<RaceEvent> ReadRaceEvent(const IniDocument& file, int position);

// The event list's order. The sort value holds the column in its low 16 bits;
// bit 16 set sorts descending. Texts compare byte by byte.
inline constexpr int kSortDescending = 0x10000;
int CompareEvents(const RaceEvent& a, const RaceEvent& b, int sortValue);
void SortEventRows(std::vector<EventRow>& rows, int sortValue);
