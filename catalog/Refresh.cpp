#include "catalog/Refresh.h"

#include <windows.h>
#include <algorithm>
#include <cctype>
#include <cstdio>

#include "app/FileHead.h"
#include "app/FileReplace.h"
#include "app/Handles.h"
#include "app/IniFile.h"
#include "app/MessageBox.h"
#include "app/Settings.h"
#include "app/UpdateSignature.h"
#include "app/Version.h"
#include "net/Download.h"
#include "net/ErrorText.h"
#include "net/LongWork.h"
#include "net/StatusPopup.h"

namespace {

// The head of a response that is no events file tells what the server meant.
constexpr size_t kResponseHeadLength = 639;
// A fetched events file waits here until it is known to be one.
constexpr char kReceivedEventsFileName[] = "zant-received.ini";

// The catalog is read in this order; records are destroyed in another.
constexpr CategoryId kLoadOrder[] = {CategoryId::Sims, CategoryId::Tracks, CategoryId::Mods, CategoryId::Cars,
                                     CategoryId::Setups};
constexpr CategoryId kDestroyOrder[] = {CategoryId::Tracks, CategoryId::Cars, CategoryId::Setups, CategoryId::Mods,
                                        CategoryId::Sims};

void DestroyRecords(LauncherState& state)
{
    state.schedule.ClearEvents();
    for (CategoryId id : kDestroyOrder) state.Catalog(id).clear();
}

// Fetches the update's signature and checks the downloaded file against it
// and the league's key; the file is left open in `held`. A file that does
// not verify is deleted and the driver told why.
bool VerifyUpdate(const LauncherState& state, const std::string& address, const std::string& localFile,
                  const std::string& version, UniqueHandle& held)
{
    const std::string signatureFile = localFile + ".minisig";
    HttpErrorReply missing;
    const bool fetched = DownloadFile(address + ".minisig", signatureFile, state.env.defaultLeague,
                                      "Downloading program update\r\n", &missing);
    ClearCancel();
    held.reset(CreateFileA(localFile.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string problem = "The signature is missing.";
    if (fetched && held) {
        UniqueHandle signature(CreateFileA(signatureFile.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        std::string file, signatureText;
        ReadWholeFile(held.get(), file);
        if (signature) ReadWholeFile(signature.get(), signatureText);
        problem = UpdateSignatureProblem(file, signatureText, version, kUpdatePublicKey);
    }
    DeleteFileA(signatureFile.c_str());
    if (problem.empty()) return true;
    held.reset();
    DeleteFileA(localFile.c_str());
    ShowStatus(false);
    ShowMessage("The update to version " + version + " could not be verified and was not started.\r\n" + problem,
                MB_OK | MB_ICONSTOP);
    return false;
}

// Offers the update the events file names. Returns Done when the refresh goes on.
RefreshResult OfferUpdate(LauncherState& state, const std::string& eventsFile, const std::string& serverVersion,
                          const RefreshHooks& hooks)
{
    // The version becomes part of a file name: anything but a plain version
    // could lead the update anywhere.
    if (!IsPlainVersionText(serverVersion)) return RefreshResult::Done;
    if (!IsNewerVersion(GetOwnVersion(), serverVersion)) return RefreshResult::Done;
    ShowStatus(false);
    if (ShowMessage("A new version of ZANT Launcher is available (" + serverVersion +
                        "). \r\nDownload and upgrade now?",
                    MB_YESNO | MB_ICONQUESTION) != IDYES)
        return RefreshResult::Done;

    const std::string address = ReadIniText(eventsFile, "Application", "File");
    const std::string localFile = state.env.dataFolder + "zantlauncher_" + serverVersion + ".exe";
    if (!DownloadFile(address, localFile, state.env.defaultLeague, "Downloading program update\r\n")) {
        // A cancelled update is one that failed: the refresh goes on.
        ClearCancel();
        ShowStatus(false);
        return RefreshResult::Done;
    }
    // Nothing may replace the checked file before it runs: it stays open,
    // shared for reading only, until the process has started.
    UniqueHandle checked;
    if (!VerifyUpdate(state, address, localFile, serverVersion, checked)) return RefreshResult::Done;
    // Quoted: the data folder's path holds blanks, and an unquoted one would
    // start whatever program lies at the path's first blank.
    std::string commandLine = "\"" + localFile + "\" -d" + state.env.simFolder;
    ShowStatus(false);
    Sleep(1000);

    STARTUPINFOA startup = {sizeof startup};
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION process = {};
    if (CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                       &startup, &process)) {
        UniqueHandle thread(process.hThread), program(process.hProcess);
        if (hooks.endProgram) hooks.endProgram();
        return RefreshResult::UpdateStarted;
    }
    const DWORD error = GetLastError();
    ShowStatus(false);
    ShowMessage("Unable to run upgrade file (" + localFile + ").  Error: " + GetErrorText(error) + " (" +
                    std::to_string(error) + ")",
                MB_OK | MB_ICONSTOP);
    state.busy = false;
    return RefreshResult::UpdateNotStarted;
}

void UpdateSeriesBanner(LauncherState& state, const std::string& eventsFile)
{
    const int newest = ReadIniNumber(eventsFile, "SeriesImage", "Version");
    if (newest <= ReadSettingNumber("SeriesImageVersion", 22)) return;
    const std::string address = ReadIniText(eventsFile, "SeriesImage", "File");
    if (DownloadFile(address, state.env.LeagueFolder() + "series.bmp", state.env.defaultLeague,
                     "Downloading image update\r\n"))
        WriteSettingNumber("SeriesImageVersion", newest);
    ClearCancel();
}

void ShowInvalidResponse(const std::string& message)
{
    ShowStatus(false);
    ShowMessage(message, MB_OK | MB_ICONWARNING);
}

// Fetches the events file. A reply that is none (an error page, a page
// without "Version") is reported and never replaces the last good file.
// True when a new events file is in place.
bool FetchEventsFile(const LauncherState& state, const std::string& eventsFile)
{
    const LeagueRecord& league = state.env.defaultLeague;
    const std::string received = state.env.LeagueFolder() + kReceivedEventsFileName;
    HttpErrorReply errorReply;
    if (!DownloadFile(state.localEvent.File, received, league, "Retrieving ZANT events\r\n", &errorReply)) {
        // Cancelled, it failed like any other: the previous events file serves.
        ClearCancel();
        if (errorReply.status != 0) ShowInvalidResponse(InvalidResponseText(errorReply.body, league.name));
        return false;
    }
    if (ReadIniText(received, "Application", "Version").empty()) {
        ShowInvalidResponse(InvalidResponseMessage(received, league.name));
        DeleteFileA(received.c_str());
        return false;
    }
    if (!MoveFileExA(received.c_str(), eventsFile.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) {
        const DWORD code = GetLastError();
        DeleteFileA(received.c_str());
        ShowStatus(false);
        ShowMessage("Unable to get file. Failed to create file (" + eventsFile + ").  " + ErrorLine(code),
                    MB_OK | MB_ICONSTOP);
        return false;
    }
    return true;
}

EventRow LocalRow(RaceEvent& localEvent)
{
    EventRow row;
    row.texts[kEventColumn] = "Local";
    row.texts[kSessionColumn] = "Offline";
    row.image = 0;
    row.noteImage = 0;
    row.event = &localEvent;
    return row;
}

}  // namespace

void InitLocalEvent(LauncherState& state)
{
    RaceEvent& local = state.localEvent;
    local.league = &state.env.defaultLeague;
    local.ID = 0;
    local.VehicleIDs = {1, 2, 3};
    local.Name = "[Local]";
    local.Vehicle = "[All]";
    local.TeamSpeak = "ts3server://";
    local.File = state.env.defaultLeague.webBase + "/schedule/launcher.php?server=" + (state.env.dedicated ? "Y" : "N");
}

std::string InvalidResponseMessage(const std::string& eventsFile, const std::string& leagueName)
{
    std::string head;
    if (!ReadFileHead(eventsFile, kResponseHeadLength, head))
        return "An invalid update information file was received.  File (simfetch.ini) cannot be found.";
    return InvalidResponseText(head, leagueName);
}

std::string InvalidResponseText(const std::string& response, const std::string& leagueName)
{
    std::string text = response.substr(0, kResponseHeadLength);
    text = text.c_str();  // the response is read as a text: it ends at a zero byte
    if (text.empty()) return "An empty response was received from " + leagueName;
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (text.find("AUTHORIZATION REQUIRED") != std::string::npos)
        return "The server requires authentication and the provided username/password is incorrect.";
    if (text.find("NOT FOUND") != std::string::npos)
        return "A valid ZANT Launcher file could not be found on '" + leagueName;
    return "A valid ZANT Launcher file was received from " + leagueName;
}

RefreshResult Refresh(LauncherState& state, bool fetch, const RefreshHooks& hooks)
{
    state.busy = true;
    const int selectedId = hooks.selectedEventId ? hooks.selectedEventId() : state.localEvent.ID;
    DestroyRecords(state);
    state.lastClickedColumn.fill(0);

    const std::string cacheFile = state.CacheFile();
    const std::string eventsFile = state.EventsFile();
    const LeagueRecord& league = state.env.defaultLeague;

    // Without a new events file the refresh goes on with the last good one.
    if (fetch && FetchEventsFile(state, eventsFile)) {
        const std::string serverVersion = ReadIniText(eventsFile, "Application", "Version");
        const RefreshResult update = OfferUpdate(state, eventsFile, serverVersion, hooks);
        if (update != RefreshResult::Done) return update;
        UpdateSeriesBanner(state, eventsFile);
    }

    if (fetch) {
        ShowStatus(true, "Getting status of race servers...");
        state.schedule.caches.Clear();
    }
    state.schedule.rows.push_back(LocalRow(state.localEvent));

    ScheduleContext context;
    context.installation = state.env.installation.number;
    context.profiles = state.profiles;
    context.query = hooks.query;
    if (!context.query) {
        // Every race server asked at once: silent ones cost one wait, not one each.
        context.askAll = AskServersAtOnce;
        context.keepReply = [&state](const std::string& reply) { StoreStatusReply(state.env.dataFolder, reply); };
    }
    // The events file is read once, for the schedule and the catalog alike.
    const IniDocument events = IniDocument::Load(eventsFile);
    LoadEvents(state.env.simFolder + "LauncherConfig.ini", context, state.schedule);
    LoadEvents(events, context, state.schedule);

    const IniDocument cache = IniDocument::Load(cacheFile);
    for (CategoryId id : kLoadOrder)
        LoadCategory(GetCategory(id), events, cache, state.env.installation.number, league, state.Catalog(id));
    if (hooks.describeContent) hooks.describeContent();

    const int sortValue = ReadSettingNumber("Version", 0) >= 2 ? ReadSettingNumber("Sort Series", 0) : 0;
    SortEventRows(state.schedule.rows, sortValue);
    WriteSettingNumber("Version", 2);
    ShowStatus(false);

    state.selectedEventRow = 0;
    const auto& rows = state.schedule.rows;
    const auto match =
        std::find_if(rows.begin(), rows.end(), [selectedId](const EventRow& row) { return row.event->ID == selectedId; });
    if (match != rows.end()) state.selectedEventRow = static_cast<int>(match - rows.begin());

    ShowStatus(false);
    if (hooks.loadLeagueContent) hooks.loadLeagueContent(fetch);
    state.busy = false;
    return RefreshResult::Done;
}
