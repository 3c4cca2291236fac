#include "launch/EventCommands.h"

#include <shellapi.h>

#include <algorithm>

#include "app/MessageBox.h"
#include "app/Records.h"
#include "app/Settings.h"

namespace {

// ShellExecute's results above this mean success.
constexpr INT_PTR kShellSuccessAbove = 32;

std::string DefaultProfileKey(int installation)
{
    return "Profile" + std::to_string(installation);
}

std::string LeagueProfileKey(int installation, int league)
{
    return DefaultProfileKey(installation) + "League" + std::to_string(league);
}

void OpenPage(const ShellOpener& open, const std::string& address)
{
    const INT_PTR result = open(address, SW_SHOWMAXIMIZED);
    if (result <= kShellSuccessAbove)
        ShowMessage("An error occured while opening " + address + ".  Error code: " + std::to_string(result), MB_OK);
}

}  // namespace

INT_PTR ShellOpen(const std::string& address, int showCommand)
{
    return reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", address.c_str(), nullptr, nullptr, showCommand));
}

void OpenSeriesPage(const ShellOpener& open, const RaceEvent& event)
{
    OpenPage(open, std::string(kDefaultWebBase) + "/schedule/info.php?Series=" + std::to_string(event.SeriesID));
}

void OpenTeamSpeak(const ShellOpener& open, const RaceEvent& event)
{
    if (!IsTeamSpeakAddress(event.TeamSpeak)) return;
    const INT_PTR result = open(event.TeamSpeak, SW_SHOWNORMAL);
    if (result <= kShellSuccessAbove)
        ShowMessage("An error occured while running TeamSpeak.  Error code: " + std::to_string(result) + "\n", MB_OK);
}

void OpenWebsite(const ShellOpener& open)
{
    OpenPage(open, std::string(kDefaultWebBase) + "/?launcher=1");
}

std::string ServerInfoText(const RaceEvent& event)
{
    return "Server: " + event.Server + "\r\nTeamSpeak: " + event.TeamSpeak;
}

ProfileChoices ProfileChoicesForLeague(int installation, int league, const std::vector<std::string>& profiles)
{
    const std::string assigned = ReadSettingText(LeagueProfileKey(installation, league), "", "Options");
    const std::string fallback = ReadSettingText(DefaultProfileKey(installation), "", "Options");
    ProfileChoices choices;
    choices.entries.push_back(fallback);
    choices.selected = fallback;
    for (const std::string& profile : profiles) {
        if (profile == fallback) continue;
        choices.entries.push_back(profile);
        if (profile == assigned) choices.selected = profile;
    }
    return choices;
}

void AssignProfile(int installation, int league, const std::string& profile)
{
    WriteSettingText(LeagueProfileKey(installation, league), profile, "Options");
}
