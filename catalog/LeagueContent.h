#pragma once
#include <string>

#include "catalog/Refresh.h"

// A partner league's own cars and setups, read from its content file.

// Whether the selected event can be launched and has a TeamSpeak server to
// open: the Launch and TeamSpeak buttons follow these.
struct EventButtonStates {
    bool launch = false;
    bool teamSpeak = false;
};
EventButtonStates EventButtons(const RaceEvent& event, const LauncherState& state);

// Where the content file of a league is kept: data folder + the league's
// name + the address's file name. Empty when the league's name or the
// address cannot make a file name inside the data folder.
std::string LeagueContentCopyPath(const LauncherEnvironment& env, const LeagueRecord& league);

// What to tell the user about a reply that is no league content file,
// judged by its first line.
std::string LeagueReplyMessage(const std::string& replyFile, const LeagueRecord& league);
// The same for a reply in hand, an error page say.
std::string LeagueReplyText(const std::string& reply, const LeagueRecord& league);

// The partner league whose cars and setups an event brings; null for the
// default league's events, and always in dedicated-server mode.
LeagueRecord* PartnerLeagueOf(const RaceEvent& event, const LauncherState& state);

// The league number a content copy gives ("GRDID"); 0 when it is none.
int LeagueNumberInCopy(const std::string& copyPath);
// Reads one category of a league's content from its copy, each item judged
// against the series cache.
void ReadLeagueCopy(const LauncherEnvironment& env, const std::string& copyPath, const LeagueRecord& league,
                    CategoryId id, ContentList& target);

// Empties the league car and setup lists and, for an event of a partner
// league, fills them from its content file: fetched first when fetch is on
// (a reply without "GRDID" is reported and never replaces the last good
// copy), otherwise read from the copy on disk. Never in dedicated-server mode.
void LoadLeagueContent(LauncherState& state, RaceEvent& event, bool fetch);
