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
    return ReadRaceEvent(IniDocument::Load(path), position);
}

std::unique_ptr<RaceEvent> ReadRaceEvent(const IniDocument& file, int position)
{
    char sectionName[32];
    std::snprintf(sectionName, sizeof sectionName, "Event %i", position);
    const std::string section = sectionName;
    const IniSection values(file, section);
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

namespace {

// Answers the schedule's questions to race servers in the order it asks
// them: one query each, or, when the context can ask many servers at once,
// from replies collected beforehand.
class ServerAsker {
public:
    explicit ServerAsker(const ScheduleContext& context) : context_(context) {}
    ~ServerAsker()
    {
        // The reply file holds what the last answered question got.
        if (haveLastReply_ && context_.keepReply) context_.keepReply(lastReply_);
    }
    ServerAsker(const ServerAsker&) = delete;
    ServerAsker& operator=(const ServerAsker&) = delete;

    bool AtOnce() const { return static_cast<bool>(context_.askAll); }

    // Asks every server of the list not asked yet, all at once.
    void Collect(const std::vector<std::string>& servers)
    {
        std::vector<std::string> fresh;
        std::vector<StatusTarget> targets;
        for (const std::string& server : servers) {
            if (replies_.count(server) || std::find(fresh.begin(), fresh.end(), server) != fresh.end()) continue;
            std::string host, port;
            SplitServer(server, host, port);
            fresh.push_back(server);
            targets.push_back({host, ParseLeadingNumber(port)});
        }
        if (targets.empty()) return;
        std::vector<StatusReply> answers = context_.askAll(targets);
        answers.resize(targets.size());
        for (size_t i = 0; i < fresh.size(); ++i) replies_[fresh[i]] = std::move(answers[i]);
    }

    bool Ask(const std::string& server, ServerStatus& status)
    {
        std::string host, port;
        SplitServer(server, host, port);
        if (!AtOnce()) return context_.query(host, ParseLeadingNumber(port), status);
        const auto found = replies_.find(server);
        if (found == replies_.end() || !found->second.answered) return false;
        status = DecodeServerStatus(found->second.bytes);
        lastReply_ = found->second.bytes;
        haveLastReply_ = true;
        return true;
    }

private:
    const ScheduleContext& context_;
    std::map<std::string, StatusReply> replies_;
    std::string lastReply_;
    bool haveLastReply_ = false;
};

// Listed events that take a later event with the same server and league.
bool HasListedTwin(const EventSchedule& schedule, const RaceEvent& event)
{
    return std::any_of(schedule.listed.begin(), schedule.listed.end(), [&](const RaceEvent* e) {
        return e->Server == event.Server && e->League == event.League;
    });
}

// Servers the first pass asks: each server the caches do not know yet
// (asked at its first event at the latest).
std::vector<std::string> FirstPassServers(const std::vector<std::unique_ptr<RaceEvent>>& events,
                                          const ServerCaches& caches)
{
    std::vector<std::string> servers;
    for (const auto& event : events)
        if (!caches.drivers.count(event->Server)) servers.push_back(event->Server);
    return servers;
}

// Servers the second pass asks: those of deferred events that get a row and
// did not fail to answer in the first pass.
std::vector<std::string> SecondPassServers(const std::vector<std::unique_ptr<RaceEvent>>& deferred,
                                           const std::vector<std::string>& unreachable,
                                           const EventSchedule& schedule)
{
    std::vector<std::string> servers;
    for (const auto& event : deferred)
        if (!HasListedTwin(schedule, *event) &&
            std::find(unreachable.begin(), unreachable.end(), event->Server) == unreachable.end())
            servers.push_back(event->Server);
    return servers;
}

// The events of a file that have a usable server, in file order. A missing
// section reads as an event without a server, so only the sections that
// exist up to the count are read.
std::vector<std::unique_ptr<RaceEvent>> ReadScheduledEvents(const IniDocument& file)
{
    std::vector<std::unique_ptr<RaceEvent>> events;
    const int count = file.Number("Schedule", "Events");
    for (int i : file.NumberedSections("Event ")) {
        if (i > count) break;
        std::unique_ptr<RaceEvent> event = ReadRaceEvent(file, i);
        std::string host, port;
        if (SplitServer(event->Server, host, port)) events.push_back(std::move(event));
    }
    return events;
}

}  // namespace

void LoadEvents(const std::string& path, const ScheduleContext& context, EventSchedule& schedule)
{
    LoadEvents(IniDocument::Load(path), context, schedule);
}

void LoadEvents(const IniDocument& file, const ScheduleContext& context, EventSchedule& schedule)
{
    const std::string profileSetting = "Profile" + std::to_string(context.installation);
    if (ReadSettingText(profileSetting, "", "Options").empty() && context.profiles.size() == 1)
        WriteSettingText(profileSetting, context.profiles.front(), "Options");

    ServerCaches& caches = schedule.caches;
    std::vector<std::unique_ptr<RaceEvent>> deferred;
    std::vector<std::string> unreachable;
    ServerAsker asker(context);

    std::vector<std::unique_ptr<RaceEvent>> events = ReadScheduledEvents(file);
    if (asker.AtOnce()) asker.Collect(FirstPassServers(events, caches));

    for (std::unique_ptr<RaceEvent>& event : events) {
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
            if (!asker.Ask(event->Server, status)) {
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

    if (asker.AtOnce()) asker.Collect(SecondPassServers(deferred, unreachable, schedule));

    for (std::unique_ptr<RaceEvent>& event : deferred) {
        if (HasListedTwin(schedule, *event)) continue;

        EventRow& row = AddRow(schedule, event.get());
        std::string reportedTrack, reportedClass;
        ServerStatus status;
        const bool known = std::find(unreachable.begin(), unreachable.end(), event->Server) != unreachable.end();
        if (!known && asker.Ask(event->Server, status)) {
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
        case kContentColumn: return e.Content;
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
