#include "launch/LaunchSequence.h"

#include <algorithm>

#include "app/IniFile.h"
#include "app/MessageBox.h"
#include "app/Settings.h"
#include "install/RemoveFiles.h"
#include "install/ZipExtract.h"
#include "launch/EventContent.h"
#include "net/LongWork.h"
#include "simconfig/ModFiles.h"
#include "app/SafeNames.h"
#include "net/Download.h"
#include "net/ErrorText.h"
#include "net/StatusPopup.h"
#include "simconfig/Profiles.h"
#include "simconfig/SimValues.h"

namespace {

constexpr size_t kSetupDateLength = 9;
constexpr DWORD kUnzipRetryDelayMs = 1000;
const char kDedicatedProgram[] = "VORA Dedicated.exe";
const char kDefaultMaxPlayers[] = "52";

void Take(ContentItem& item, const std::string& label, std::vector<ContentItem*>& list, std::string& summary)
{
    list.push_back(&item);
    summary += "\r\n" + label + "  (" + std::to_string(SizeInMegabytes(item)) + " MB)";
}

std::string SetupDatePart(const std::string& date)
{
    std::string part = date.substr(0, kSetupDateLength);
    part.erase(std::remove_if(part.begin(), part.end(), [](char c) { return c == '\\' || c == '/'; }), part.end());
    return part;
}

bool DownloadForLaunch(const LauncherState& state, const std::string& url, const std::string& path,
                       const std::string& statusTitle)
{
    const LeagueRecord& league = state.env.defaultLeague;
    return DownloadFile(url, path, league.userName, league.password, statusTitle);
}

void PlaceSetup(LauncherState& state, const RaceEvent& event, const std::string& profile)
{
    const std::string& sim = state.env.simFolder;
    const std::string relative = SetupRelativePath(profile, event);
    bool placed = false;
    if (!relative.empty()) {
        CreateDirectoryA((sim + "Userdata\\" + profile + "\\Settings\\" + event.Track).c_str(), nullptr);
        placed = DownloadForLaunch(state, event.SetupPath, sim + relative, "Downloading setup\r\n");
        const std::string gal = sim + "Userdata\\" + profile + "\\FavoriteAndFixedSetups.gal";
        if (placed && !SetAutoLoadSetup(gal, event.Track, event.Vehicle, relative)) {
            const DWORD code = GetLastError();
            ShowStatus(false);
            ShowMessage("Unable to read file (" + gal + "). The setup list is kept as it was.  " + ErrorLine(code),
                        MB_OK | MB_ICONSTOP);
        }
    }
    if (placed) return;
    ShowStatus(false);
    ShowMessage(event.partnerLeague ? "Unable to download setup:\n\n" + event.SetupPath : "Unable to download setup.",
                MB_OK);
}

void PlaceSetups(LauncherState& state, const RaceEvent& event)
{
    if (event.SetupPath.empty()) return;
    const std::string assigned = ProfileForLeague(state.env.installation.number, event.ImageIndex);
    for (const std::string& profile : state.profiles) {
        if (assigned.empty() || profile == assigned) PlaceSetup(state, event, profile);
    }
}

// False when the sequence must stop: the garage images could not be unpacked.
bool PlaceGarageImages(LauncherState& state, const RaceEvent& event, const LaunchHooks& hooks)
{
    const std::string& sim = state.env.simFolder;
    if (event.UIChange.empty()) {
        DeleteMatchingFiles(sim + "UIData\\BK_GARAGE1.bmp");
        DeleteMatchingFiles(sim + "UIData\\BK_GARAGE2.bmp");
        return true;
    }
    const std::string zip = state.env.dataFolder + "uiChange.zip";
    if (!DownloadForLaunch(state, event.UIChange, zip, "Downloading UI Configuration\r\n")) return true;
    ExtractOutcome outcome = ExtractArchiveChecked(zip, sim);
    // An archive refused for an unsafe entry name would be refused again.
    if (outcome == ExtractOutcome::Failed) {
        Sleep(kUnzipRetryDelayMs);
        ShowStatus(true, "Retrying unzip of " + zip + "...");
        outcome = ExtractArchiveChecked(zip, sim);
    }
    // Cancel stops the sequence without a word.
    if (outcome == ExtractOutcome::Extracted || outcome == ExtractOutcome::Cancelled) {
        ShowStatus(false);
        return outcome == ExtractOutcome::Extracted;
    }
    if (hooks.showMainWindow) hooks.showMainWindow(SW_SHOWNORMAL);
    ShowStatus(false);
    ShowMessage("An error occurred while unzipping " + zip, MB_OK);
    return false;
}

void PlaceDashboardImage(LauncherState& state, const RaceEvent& event)
{
    const std::string image = state.env.simFolder + "GameData\\Vehicles\\race_notes.dds";
    if (event.VehicleChange.empty())
        DeleteMatchingFiles(image);
    else
        DownloadForLaunch(state, event.VehicleChange, image, "Downloading Dashboard Image\r\n");
}

std::string DedicatedMaxPlayers(const std::string& simFolder, const std::string& profile)
{
    if (!IsUsableProfileName(profile)) return kDefaultMaxPlayers;
    // The sim writes the number in quotes, often with a comment after it:
    // only the number goes on the command line.
    const int players = ReadSimNumber(MultiplayerFilePath(simFolder, profile), "Multiplayer Server Options",
                                      "Max MP Players", kDefaultMaxPlayers);
    return players > 0 ? std::to_string(players) : kDefaultMaxPlayers;
}

void StartSim(LauncherState& state, const RaceEvent& event, const LaunchHooks& hooks)
{
    const std::string commandLine = LaunchCommandLine(state.env, event);
    StartedProgram started = hooks.start(commandLine, state.env.simFolder);
    if (!started.process) {
        ShowStatus(false);
        ShowMessage("Unable to launch sim (" + commandLine + ").  " + ErrorLine(started.error), MB_ICONERROR);
        return;
    }
    if (hooks.showMainWindow) hooks.showMainWindow(SW_MINIMIZE);
    if (!state.env.dedicated) return;
    // The window keeps painting while the server runs.
    WaitResponsive(started.process.get());
    state.profiles = EnumerateProfiles(state.env.simFolder);
    if (hooks.showMainWindow) hooks.showMainWindow(SW_SHOWNORMAL);
}

}  // namespace

NeededItems CollectNeededItems(const RaceEvent& event, LauncherState& state)
{
    // Files changed since their install are repaired with the rest.
    QuickCheck check(state.env);
    const ItemSet changed = check.ChangedItems(ItemsForEvent(event, state, state.leagueCars));
    const EventItems items = ItemsForEvent(event, state, state.leagueCars, SilentServerTracks::Every,
                                           [&changed](const ContentItem& item) { return IsNeeded(item, changed); });
    NeededItems needed;
    for (ContentItem* item : items.sims) Take(*item, item->Name, needed.sims, needed.summary);
    for (ContentItem* item : items.tracks) Take(*item, item->Name, needed.tracks, needed.summary);
    for (ContentItem* item : items.cars)
        Take(*item, static_cast<const CarItem*>(item)->Driver, needed.cars, needed.summary);
    int megabytes = 0;
    for (ContentItem* item : items.leagueCars) {
        needed.cars.push_back(item);
        megabytes += SizeInMegabytes(*item);
    }
    if (!items.leagueCars.empty())
        needed.summary += "\r\n" + std::to_string(items.leagueCars.size()) + " League Cars  (" +
                          std::to_string(megabytes) + " MB)";
    return needed;
}

std::string ProfileForLeague(int installation, int leagueNumber)
{
    const std::string prefix = "Profile" + std::to_string(installation);
    std::string profile = ReadSettingText(prefix + "League" + std::to_string(leagueNumber), "", "Options");
    if (profile.empty()) profile = ReadSettingText(prefix, "", "Options");
    return profile;
}

std::string SetupRelativePath(const std::string& profile, const RaceEvent& event)
{
    const std::string fileName = event.League + " " + SetupDatePart(event.Date) + ".svm";
    if (!IsUsableProfileName(profile) || !IsPlainFileName(event.Track) || !IsPlainFileName(fileName)) return "";
    return "Userdata\\" + profile + "\\Settings\\" + event.Track + "\\" + fileName;
}

std::string LaunchCommandLine(const LauncherEnvironment& env, const RaceEvent& event)
{
    const std::string profile = ProfileForLeague(env.installation.number, event.ImageIndex);
    if (env.dedicated) {
        std::string line = "\"" + env.simFolder + "\\" + kDedicatedProgram + "\"";
        if (!profile.empty()) line += " +maxplayers " + DedicatedMaxPlayers(env.simFolder, profile);
        return line;
    }
    std::string pieces;
    if (!event.Server.empty()) pieces += "+connect " + event.Server;
    if (!event.ServerPassword.empty()) pieces += " +password " + event.ServerPassword;
    if (ReadSettingNumber("Fullproc", 1, "Options") != 0) pieces += " +fullproc";
    if (ReadSettingNumber("HighPrio", 1, "Options") != 0) pieces += " +highprio";
    if (!profile.empty()) {
        const bool exists = IsUsableProfileName(profile) &&
                            GetFileAttributesA(ProfileFilePath(env.simFolder, profile).c_str()) != INVALID_FILE_ATTRIBUTES;
        if (exists) {
            pieces += " +profile \"" + profile + "\"";
        } else {
            ShowMessage("WARNING: The specified profile (" + profile +
                            ") does not exist. Allowing sim to select profile.",
                        MB_OK);
        }
    }
    return "\"" + env.simFolder + "\\" + env.installation.programName + "\" " + pieces;
}

StartedProgram StartProgram(const std::string& commandLine, const std::string& folder)
{
    SetCurrentDirectoryA(folder.c_str());
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION info = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    StartedProgram started;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr,
                        folder.c_str(), &startup, &info)) {
        started.error = GetLastError();
        return started;
    }
    UniqueHandle thread(info.hThread);
    started.process.reset(info.hProcess);
    return started;
}

void PrepareAndLaunch(LauncherState& state, bool ask, bool start, const LaunchHooks& hooks)
{
    NeededItems needed = CollectNeededItems(*hooks.selectedEvent(), state);
    if (!needed.summary.empty()) {
        int answer = IDYES;
        if (ask)
            answer = ShowMessage("The following items need to be downloaded for this race.\r\n\r\nDownload now?\r\n" +
                                     needed.summary,
                                 MB_YESNOCANCEL | MB_ICONQUESTION);
        if (answer == IDCANCEL) return;
        if (answer == IDYES) {
            // Cancel in one install skips the others and the launch.
            for (auto [items, word] : {std::pair{&needed.sims, "Sim"}, {&needed.tracks, "Track"}, {&needed.cars, "Car"}})
                if (!CancelRequested()) hooks.install(*items, word);
            // The refresh frees the items the lists point to.
            needed = NeededItems();
            hooks.refreshWithoutFetch();
            if (CancelRequested()) return;
        }
    }
    PlaceSetups(state, *hooks.selectedEvent());
    const RaceEvent& event = *hooks.selectedEvent();
    SetModFileValue(state.env.simFolder, event.Vehicle, "CountCautionLaps", event.CountCautionLaps == "0" ? "0" : "1");
    if (CancelRequested() || !PlaceGarageImages(state, *hooks.selectedEvent(), hooks)) return;
    PlaceDashboardImage(state, *hooks.selectedEvent());
    if (!start || CancelRequested()) return;
    StartSim(state, *hooks.selectedEvent(), hooks);
}
