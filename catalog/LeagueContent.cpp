#include "catalog/LeagueContent.h"

#include <windows.h>

#include <algorithm>
#include <cctype>

#include "app/FileHead.h"
#include "app/IniFile.h"
#include "app/MessageBox.h"
#include "app/SafeNames.h"
#include "net/LongWork.h"
#include "net/Download.h"
#include "net/ErrorText.h"
#include "net/StatusPopup.h"

namespace {

// The first line of a reply is judged by at most this many characters.
constexpr DWORD kReplyLineLength = 638;
const char kFetchStatusTitle[] = "Checking for league cars\r\n";
// A fetched reply waits under this suffix until it proved to be a content file.
const char kFetchSuffix[] = ".new";

// Downloads the content file beside its copy and lets it replace the copy
// only when it is one; a reply that is not is reported and dropped.
bool FetchContentFile(const LeagueRecord& league, const std::string& copyPath)
{
    const std::string fetched = copyPath + kFetchSuffix;
    HttpErrorReply errorReply;
    if (!DownloadFile(league.webBase, fetched, league, kFetchStatusTitle, &errorReply)) {
        // Cancelled, it failed like any other: the last good copy serves.
        ClearCancel();
        DeleteFileA(fetched.c_str());
        // An error page says what went wrong as any other reply does.
        if (errorReply.status != 0) ShowMessage(LeagueReplyText(errorReply.body, league), MB_OK);
        return false;
    }
    ShowStatus(false);
    if (LeagueNumberInCopy(fetched) == 0) {
        ShowMessage(LeagueReplyMessage(fetched, league), MB_OK);
        DeleteFileA(fetched.c_str());
        return false;
    }
    if (!MoveFileExA(fetched.c_str(), copyPath.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD code = GetLastError();
        DeleteFileA(fetched.c_str());
        ShowMessage("Unable to get file. Failed to create file (" + copyPath + ").  " + ErrorLine(code),
                    MB_OK | MB_ICONSTOP);
        return false;
    }
    return true;
}

}  // namespace

EventButtonStates EventButtons(const RaceEvent& event, const LauncherState& state)
{
    EventButtonStates states;
    states.launch = (!event.Server.empty() || event.league == &state.env.defaultLeague) &&
                    !state.env.installation.programName.empty();
    states.teamSpeak = IsTeamSpeakAddress(event.TeamSpeak) || &event == &state.localEvent;
    return states;
}

std::string LeagueContentCopyPath(const LauncherEnvironment& env, const LeagueRecord& league)
{
    const std::string fileName = LocalFileName(league.webBase);
    if (fileName.empty() || !IsPlainFileName(league.name)) return "";
    return env.dataFolder + league.name + "\\" + fileName;
}

std::string LeagueReplyMessage(const std::string& replyFile, const LeagueRecord& league)
{
    std::string head;
    if (!ReadFileHead(replyFile, kReplyLineLength, head))
        return "An invalid ZANT Launcher file was received from " + league.name + "\n\n" + league.webBase;
    return LeagueReplyText(head, league);
}

std::string LeagueReplyText(const std::string& reply, const LeagueRecord& league)
{
    std::string line = reply.substr(0, std::min<size_t>(reply.find('\n'), kReplyLineLength));
    line = line.c_str();  // read as text: a zero byte ends it
    if (line.empty()) return "An empty response was received from " + league.name;
    std::transform(line.begin(), line.end(), line.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (line.find("AUTHORIZATION REQUIRED") != std::string::npos)
        return "The server requires authentication and the provided username/password is incorrect.";
    if (line.find("NOT FOUND") != std::string::npos)
        return "A valid ZANT Launcher file could not be found on '" + league.name;
    return "A valid ZANT Launcher file was received from " + league.name;
}

LeagueRecord* PartnerLeagueOf(const RaceEvent& event, const LauncherState& state)
{
    const bool partner = event.league != nullptr && event.league != &state.env.defaultLeague;
    return state.env.dedicated || !partner ? nullptr : event.partnerLeague.get();
}

int LeagueNumberInCopy(const std::string& copyPath)
{
    return ReadIniNumber(copyPath, "Application", "GRDID");
}

void ReadLeagueCopy(const LauncherEnvironment& env, const std::string& copyPath, const LeagueRecord& league,
                    CategoryId id, ContentList& target)
{
    LoadContentItems(GetCategory(id), copyPath, env.LeagueFolder() + kSeriesCacheFileName, env.installation.number,
                     league, env.defaultLeague, target);
}

void LoadLeagueContent(LauncherState& state, RaceEvent& event, bool fetch)
{
    state.leagueCars.clear();
    state.leagueSetups.clear();
    LeagueRecord* partner = PartnerLeagueOf(event, state);
    if (!partner) return;

    LeagueRecord& league = *partner;
    const std::string copyPath = LeagueContentCopyPath(state.env, league);
    if (copyPath.empty()) return;
    CreateDirectoryA((state.env.dataFolder + league.name).c_str(), nullptr);

    const bool fetchedValid = fetch && FetchContentFile(league, copyPath);
    league.number = LeagueNumberInCopy(copyPath);
    if (fetch && !fetchedValid) return;
    ReadLeagueCopy(state.env, copyPath, league, CategoryId::Cars, state.leagueCars);
    ReadLeagueCopy(state.env, copyPath, league, CategoryId::Setups, state.leagueSetups);
}
