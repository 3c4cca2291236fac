#pragma once
#include <memory>
#include <string>
#include <vector>

#include "catalog/Catalog.h"

struct ServerStatus;

// One event of an events file: the item record extended by the event fields.
// Events use the item fields ID, league, Name, File and Note.
// Whether an event's TeamSpeak address is one for the TeamSpeak client: the
// address goes to the shell of a program with administrator rights, and
// one from an events file may have travelled over plain HTTP.
inline bool IsTeamSpeakAddress(const std::string& address) { return address.rfind("ts3server://", 0) == 0; }

struct RaceEvent : ContentItem {
    // The login to a partner league's web server ("GRD"); `league` points to
    // it when there is one. The event owns it.
    std::unique_ptr<LeagueRecord> partnerLeague;

    std::string Server;          // "host:port", host a dotted IPv4 address
    std::string ServerPassword;  // clear text
    std::string TeamSpeak;
    std::string Date;            // 9-character date part first, 7-character time part last
    std::string Track;
    int TrackID = 0;
    std::string Vehicle;
    std::vector<int> VehicleIDs;
    std::string Setups;
    std::string SetupPath;
    std::string UIChange;
    std::string VehicleChange;
    int SetupID = 0;
    std::string League;
    int ImageIndex = -1;
    std::string Laps;
    std::string TiresFuel;
    int SeriesID = 0;
    std::string CountCautionLaps = "1";

    // What the race server said at the last refresh.
    std::string Drivers;
    std::string ServerTrack;
    std::string Session;
    // Whether the race's content is all installed: "Ready" or what is to get.
    std::string Content;

    // One character whose code is the event's position in its file (modulo
    // 256), so that unsorted order is file order.
    std::string SortKey;
};

// "NW" is shown as "GNS", "CUP" and "Cup2016" as "Cup"; other classes as they are.
std::string SeriesShortName(const std::string& vehicleClass);

// The last 7 characters of Date (the time), a blank, its first 9 (the date).
std::string EventDateText(const RaceEvent& event);

// Setups + " " + Laps + " " + TiresFuel.
std::string EventDetailsText(const RaceEvent& event);

// "Cup Race 12 to go", "GNS Practice 30min", ...
std::string SessionText(const ServerStatus& status);

// The sort key of the event at this position of its file (1 for the first).
std::string SortKeyForPosition(int position);
