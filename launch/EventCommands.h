#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "catalog/RaceEvent.h"

// The event commands that hand an address to the shell, and the profile
// assignment per league.

// Opens an address with the shell's "open" verb; returns the shell's result
// (32 or less is a failure).
using ShellOpener = std::function<INT_PTR(const std::string& address, int showCommand)>;
INT_PTR ShellOpen(const std::string& address, int showCommand);

// Each reports a failed shell start with the shell's result.
void OpenSeriesPage(const ShellOpener& open, const RaceEvent& event);
void OpenTeamSpeak(const ShellOpener& open, const RaceEvent& event);
void OpenWebsite(const ShellOpener& open);

// "Server: <Server>\r\nTeamSpeak: <TeamSpeak>"
std::string ServerInfoText(const RaceEvent& event);

// The entries of the Select Profile list for a league: the installation's
// default profile first (also when empty), then every other profile; and the
// entry to select, the league's assignment when it is one of them.
struct ProfileChoices {
    std::vector<std::string> entries;
    std::string selected;
};
ProfileChoices ProfileChoicesForLeague(int installation, int league, const std::vector<std::string>& profiles);
// Stores the league's profile; an empty one falls back to the default.
void AssignProfile(int installation, int league, const std::string& profile);
