#include "catalog/Schedule.h"

#include <algorithm>
#include <cstdio>

#include "app/IniFile.h"
#include "app/Settings.h"
#include "catalog/Unscramble.h"
#include "net/StatusPopup.h"

std::string SeriesShortName(const std::string& vehicleClass)
{
    if (vehicleClass == "NW") return "GNS";
    if (vehicleClass == "CUP" || vehicleClass == "Cup2016") return "Cup";
    return vehicleClass;
}

std::string EventDateText(const RaceEvent& event)
{
    const std::string& date = event.Date;
    const std::string time = date.size() > 7 ? date.substr(date.size() - 7) : date;
    return time + " " + date.substr(0, 9);
}

std::string EventDetailsText(const RaceEvent& event)
{
    return event.Setups + " " + event.Laps + " " + event.TiresFuel;
}

std::string SessionText(const ServerStatus& status)
{
    const std::string series = SeriesShortName(status.vehicleClass);
    const int minutes = status.sessionTime / 60;
    char text[256];
    switch (status.sessionNumber) {
    case 0:
    case 1: std::snprintf(text, sizeof text, "%s Practice %imin", series.c_str(), minutes); break;
    case 2: std::snprintf(text, sizeof text, "%s Qualifying %imin", series.c_str(), minutes); break;
    case 3: std::snprintf(text, sizeof text, "%s Warmup %imin", series.c_str(), minutes); break;
    case 4:
    case 5:
    case 6:
    case 7: std::snprintf(text, sizeof text, "%s Race %i to go", series.c_str(), status.lapsValue); break;
    default: return std::string();
    }
    return text;
}

std::string SortKeyForPosition(int position)
{
    // A character code of 0 would end the text: position 256 sorts as empty.
    const char code = static_cast<char>(position % 256);
    return code == 0 ? std::string() : std::string(1, code);
}

void EventSchedule::ClearEvents()
{
    rows.clear();
    listed.clear();
    events.clear();
}

std::unique_ptr<RaceEvent> ReadRaceEvent(const std::string& path, int position)
{
    char sectionName[32];
    std::snprintf(sectionName, sizeof sectionName, "Event %i", position);
    const std::string section = sectionName;
    const IniSection values(path, section);
    auto text = [&](const char* key, const char* def = "") { return values.Text(key, def); };
    auto number = [&](const char* key, int def = 0) { return values.Number(key, def); };

    auto event = std::make_unique<RaceEvent>();
    event->SortKey = SortKeyForPosition(position);
    event->ID = number("ID");
    event->SeriesID = number("SeriesID");
    event->ImageIndex = number("ImageIndex", -1);
    event->Date = text("Date");
    event->Track = text("Track");
    event->TrackID = number("TrackID");
    event->Vehicle = text("Vehicle");
    event->VehicleIDs = SplitNumberList(text("VehicleIDs"));
    event->Setups = text("Setups");
    event->SetupPath = text("SetupPath");
    event->UIChange = text("UIChange");
    event->VehicleChange = text("VehicleChange");
    event->SetupID = number("SetupID");
    event->League = text("League");
    event->Laps = text("Laps");
    event->TiresFuel = text("TiresFuel");
    event->Server = text("Server");
    event->Note = text("Note");
    event->CountCautionLaps = text("CountCautionLaps", "1");
    event->TeamSpeak = text("TeamSpeak");
    event->ServerPassword = UnscrambleValue(text("ServerPassword"));
    event->Name = text("Name");

    const std::string partnerAddress = text("GRD");
    if (!partnerAddress.empty()) {
        auto league = std::make_unique<LeagueRecord>();
        league->name = event->League;
        league->webBase = partnerAddress;
        league->userName = UnscrambleValue(text("GRDUsername"));
        league->password = UnscrambleValue(text("GRDPassword"));
        league->deleteFiles = ReadSettingNumber("Delete Files", 1, "Options") != 0;
        event->league = league.get();
        event->partnerLeague = std::move(league);
    }
    return event;
}

namespace {

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

std::string FirstWord(const std::string& text)
{
    return text.substr(0, text.find(' '));
}

template <typename Map>
std::string Lookup(const Map& map, const std::string& key)
{
    const auto found = map.find(key);
    return found == map.end() ? std::string() : found->second;
}

// Host and port of "host:port"; false when either is missing.
bool SplitServer(const std::string& server, std::string& host, std::string& port)
{
    const size_t colon = server.find(':');
    if (colon == std::string::npos) return false;
    host = server.substr(0, colon);
    port = server.substr(colon + 1);
    return !host.empty() && !port.empty();
}

// The note of an event the servers could not confirm: what differs from
// what the event is scheduled for.
std::string ScheduledText(const RaceEvent& event, const std::string& reportedTrack, const std::string& reportedClass)
{
    const std::string series = SeriesShortName(event.Vehicle);
    const bool classDiffers = !reportedClass.empty() && SeriesShortName(reportedClass) != series;
    if (!reportedTrack.empty() && !Contains(reportedTrack, event.Track))
        return "Scheduled:" + event.Track + (classDiffers ? " " + series : std::string());
    if (classDiffers) return "Scheduled:" + series;
    if (reportedClass.empty()) return "Scheduled:" + event.Track + " " + series;
    return std::string();
}

EventRow& AddRow(EventSchedule& schedule, RaceEvent* event)
{
    EventRow row;
    row.texts[kEventColumn] = EventDateText(*event);
    row.image = event->ImageIndex;
    row.event = event;
    schedule.rows.push_back(std::move(row));
    return schedule.rows.back();
}

void FinishRow(EventRow& row, const RaceEvent& event)
{
    row.texts[kDetailsColumn] = EventDetailsText(event);
}

}  // namespace

void LoadEvents(const std::string& path, const ScheduleContext& context, EventSchedule& schedule)
{
    const std::string profileSetting = "Profile" + std::to_string(context.installation);
    if (ReadSettingText(profileSetting, "", "Options").empty() && context.profiles.size() == 1)
        WriteSettingText(profileSetting, context.profiles.front(), "Options");

    ServerCaches& caches = schedule.caches;
    std::vector<std::unique_ptr<RaceEvent>> deferred;
    std::vector<std::string> unreachable;

    const int count = ReadIniNumber(path, "Schedule", "Events");
    for (int i = 1; i <= count; ++i) {
        std::unique_ptr<RaceEvent> event = ReadRaceEvent(path, i);
        std::string host, port;
        if (!SplitServer(event->Server, host, port)) continue;

        if (caches.drivers.count(event->Server)) {
            event->ServerTrack = Lookup(caches.track, event->Server);
            if (!Contains(event->ServerTrack, event->Track)) {
                deferred.push_back(std::move(event));
                continue;
            }
            EventRow& row = AddRow(schedule, event.get());
            row.texts[kTrackColumn] = event->Track;
            // The count is shown when the server's track names the event's track
            // in its first word; a one-word server track is its own first word.
            const bool sameTrack = Contains(event->Track, FirstWord(event->ServerTrack));
            event->Drivers = sameTrack ? Lookup(caches.drivers, event->Server) : "0";
            row.texts[kDriversColumn] = event->Drivers;
            if (caches.session.count(event->Server)) {
                event->Session = caches.session[event->Server];
                row.texts[kSessionColumn] = event->Session;
            }
            FinishRow(row, *event);
            row.texts[kNoteColumn] = event->Note;
        } else {
            ShowStatus(true, "Getting status of race servers...\r\n" + event->League + " " +
                                 SeriesShortName(event->Vehicle));
            ServerStatus status;
            if (!context.query(host, ParseLeadingNumber(port), status)) {
                unreachable.push_back(event->Server);
                deferred.push_back(std::move(event));
                continue;
            }
            if (!Contains(status.track, event->Track) ||
                SeriesShortName(status.vehicleClass) != SeriesShortName(event->Vehicle)) {
                deferred.push_back(std::move(event));
                continue;
            }
            EventRow& row = AddRow(schedule, event.get());
            event->Drivers = std::to_string(status.driverCount);
            caches.drivers[event->Server] = event->Drivers;
            row.texts[kDriversColumn] = event->Drivers;
            event->ServerTrack = status.track;
            caches.track[event->Server] = status.track;
            row.texts[kTrackColumn] = event->Track;
            event->Session = SessionText(status);
            caches.session[event->Server] = event->Session;
            row.texts[kSessionColumn] = event->Session;
            FinishRow(row, *event);
            row.texts[kNoteColumn] = event->Note;
        }
        schedule.listed.push_back(event.get());
        schedule.events.push_back(std::move(event));
    }

    for (std::unique_ptr<RaceEvent>& event : deferred) {
        const bool duplicate = std::any_of(schedule.listed.begin(), schedule.listed.end(), [&](const RaceEvent* e) {
            return e->Server == event->Server && e->League == event->League;
        });
        if (duplicate) continue;

        EventRow& row = AddRow(schedule, event.get());
        std::string reportedTrack, reportedClass;
        ServerStatus status;
        std::string host, port;
        SplitServer(event->Server, host, port);
        const bool known = std::find(unreachable.begin(), unreachable.end(), event->Server) != unreachable.end();
        if (!known && context.query(host, ParseLeadingNumber(port), status)) {
            ShowStatus(true, "Getting status of race servers...\r\n" + event->League + " " + event->Vehicle);
            event->Drivers = std::to_string(status.driverCount);
            caches.drivers[event->Server] = event->Drivers;
            row.texts[kDriversColumn] = event->Drivers;
            event->ServerTrack = status.track;
            row.texts[kTrackColumn] = Contains(status.track, event->Track) ? event->Track : FirstWord(status.track);
            event->Session = SessionText(status);
            caches.session[event->Server] = event->Session;
            row.texts[kSessionColumn] = event->Session;
            reportedTrack = status.track;
            reportedClass = status.vehicleClass;
        }
        FinishRow(row, *event);
        const std::string scheduled = ScheduledText(*event, reportedTrack, reportedClass);
        row.texts[kNoteColumn] = event->Note.empty() ? scheduled : event->Note + ". " + scheduled;
        schedule.events.push_back(std::move(event));
    }
}

int CompareEvents(const RaceEvent& a, const RaceEvent& b, int sortValue)
{
    auto text = [](const RaceEvent& e, int column) -> const std::string& {
        switch (column) {
        case kDriversColumn: return e.Drivers;
        case kTrackColumn: return e.ServerTrack;
        case kSessionColumn: return e.Session;
        case kDetailsColumn: return e.Setups;
        case kNoteColumn: return e.Note;
        default: return e.SortKey;
        }
    };
    const int column = sortValue & 0xFFFF;
    const int result = text(a, column).compare(text(b, column));
    const int sign = (result > 0) - (result < 0);
    return (sortValue & kSortDescending) ? -sign : sign;
}

void SortEventRows(std::vector<EventRow>& rows, int sortValue)
{
    std::stable_sort(rows.begin(), rows.end(), [sortValue](const EventRow& a, const EventRow& b) {
        return CompareEvents(*a.event, *b.event, sortValue) < 0;
    });
}
