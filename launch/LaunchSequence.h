#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "app/Handles.h"
#include "catalog/Refresh.h"

// Everything between the Launch command and the running sim: install what
// the race lacks, place the setup, set the mod files and images, start the
// sim connected to the event's server.

// The items a race lacks, by install category, and the lines that tell the
// user about them.
struct NeededItems {
    std::vector<ContentItem*> sims;
    std::vector<ContentItem*> tracks;
    std::vector<ContentItem*> cars;  // the league cars among them
    std::string summary;             // each line starts with "\r\n"
};
NeededItems CollectNeededItems(const RaceEvent& event, LauncherState& state);

// The profile the launcher uses for an event of this league number: the
// league's assignment, else the installation's default; may be empty.
std::string ProfileForLeague(int installation, int leagueNumber);

// The setup's path below the sim folder for a profile:
// "Userdata\<profile>\Settings\<Track>\<League> <date>.svm". Empty when a
// part from the events file would lead outside the profile's track folder.
std::string SetupRelativePath(const std::string& profile, const RaceEvent& event);

// The sim's command line for the event. Warns when the event's profile has
// no profile file and then leaves the profile choice to the sim.
std::string LaunchCommandLine(const LauncherEnvironment& env, const RaceEvent& event);

// A started program; process is empty when the start failed.
struct StartedProgram {
    UniqueHandle process;
    DWORD error = 0;
};
// Starts a command line in a folder, shown: the sim's own start.
StartedProgram StartProgram(const std::string& commandLine, const std::string& folder);

// What the sequence needs from the window around it.
struct LaunchHooks {
    std::function<RaceEvent*()> selectedEvent;  // asked anew at each step
    std::function<void(const std::vector<ContentItem*>& items, const std::string& categoryWord)> install;
    std::function<void()> refreshWithoutFetch;
    std::function<void(int showCommand)> showMainWindow;  // shows and repaints at once
    std::function<StartedProgram(const std::string& commandLine, const std::string& folder)> start = StartProgram;
};

// ask: question before installing; start: start the sim at the end.
void PrepareAndLaunch(LauncherState& state, bool ask, bool start, const LaunchHooks& hooks);
