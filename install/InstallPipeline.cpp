#include "install/InstallPipeline.h"

#include <windows.h>

#include "app/Handles.h"
#include "app/MessageBox.h"
#include "app/Sha256.h"
#include "install/FileRecord.h"
#include "install/RemoveFiles.h"
#include "app/SafePaths.h"
#include "install/ZipExtract.h"
#include "net/Download.h"
#include "net/ErrorText.h"
#include "net/LongWork.h"
#include "net/StatusPopup.h"

namespace {

// An archive that failed is unpacked once more after this pause: a virus
// scanner often still holds the freshly downloaded file.
constexpr DWORD kUnzipRetryDelayMs = 1000;

std::string JoinPath(const std::string& folder, const std::string& name)
{
    if (folder.empty() || folder.back() == '\\') return folder + name;
    return folder + "\\" + name;
}

// Catalog paths are relative to the sim folder; one written with a leading
// separator ("\\GameData") means the same place.
std::string CatalogRelative(const std::string& path)
{
    return !path.empty() && (path[0] == '\\' || path[0] == '/') ? path.substr(1) : path;
}

// Where the item's archive goes and what its deletions are relative to.
std::string TargetFolder(const LauncherEnvironment& env, const ContentItem& item)
{
    return JoinPath(env.simFolder, CatalogRelative(item.PrefixPath));
}

const LeagueRecord& LeagueOf(const ContentItem& item, const LauncherEnvironment& env)
{
    return item.league ? *item.league : env.defaultLeague;
}

// Two failures end a whole install: the window comes back first, so the
// message does not appear over a hidden or half-painted window.
void Stop(const InstallContext& context, const std::string& text, UINT type)
{
    if (context.showMainWindow) context.showMainWindow();
    ShowStatus(false);
    ShowMessage(text, type);
}

bool AskToRunExecutable(const std::string& fileName)
{
    return ShowMessage("WARNING: This download will launch an executable.\r\nDo you want to download and run " +
                           fileName + "?",
                       MB_YESNO | MB_ICONQUESTION) == IDYES;
}

// Entries are relative to the item's target folder.
void DeleteListed(const std::string& targetFolder, const std::vector<std::string>& entries, bool folders)
{
    for (const std::string& entry : entries) {
        if (entry.empty()) continue;
        const std::string path = JoinPath(targetFolder, CatalogRelative(entry));
        ShowStatus(true, "Deleting " + path + "...");
        if (folders)
            DeleteFolderTree(path);
        else
            DeleteMatchingFiles(path);
    }
}

enum class ItemResult { Done, Skipped, StopAll };

// One automatic second attempt; a refused or cancelled archive is not tried again.
ExtractOutcome UnzipWithRetry(const std::string& localFile, const std::string& targetFolder,
                              std::vector<ExtractedFile>& written)
{
    ShowStatus(true, "Unzipping " + localFile + "...");
    const ExtractOutcome outcome = ExtractArchiveChecked(localFile, targetFolder, false, &written);
    if (outcome != ExtractOutcome::Failed) return outcome;
    Sleep(kUnzipRetryDelayMs);
    ShowStatus(true, "Retrying unzip of " + localFile + "...");
    return ExtractArchiveChecked(localFile, targetFolder, false, &written);
}

// Runs an installer and waits for it, the window answering meanwhile; 0
// when it ran, else the start error. Cancel stops the wait, not the setup,
// which goes on by itself (CancelRequested() then tells).
DWORD RunInstaller(const std::string& localFile, DWORD& exitCode)
{
    // Quoted: an unquoted path with blanks ("...\ZANT Launcher\...") could
    // start a program named after its first word instead.
    std::string commandLine = "\"" + localFile + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                        &startup, &process))
        return GetLastError();
    UniqueHandle processHandle(process.hProcess), threadHandle(process.hThread);
    CancelOffer cancel;
    ShowStatus(true, "Waiting for " + LocalFileName(localFile) + " to finish");
    WaitResponsive(processHandle.get());
    ShowStatus(false);
    if (!GetExitCodeProcess(processHandle.get(), &exitCode) || exitCode == STILL_ACTIVE) exitCode = 0;
    return 0;
}

// The cache's state, and the record of the files the install put down: a
// removal, or an installer whose files nobody knows, leaves none.
void RecordOutcome(const LauncherEnvironment& env, const ContentItem& item, const std::string& word, bool installed,
                   const std::vector<RecordedFile>& files)
{
    const CacheEntry entry = ItemCacheEntry(env, item, word, item.ID);
    WriteCacheInstalled(entry, installed);
    for (int toggle : item.toggleIds) WriteCacheInstalled(ItemCacheEntry(env, item, word, toggle), !installed);
    WriteCacheDate(entry, item.date);
    WriteCacheModified(entry, false);
    const std::string record = FileRecordPath(env.LeagueFolder(), entry.section);
    if (installed && item.FileType == 1)
        WriteFileRecord(record, files);
    else
        DeleteFileA(record.c_str());
}

// Fetches the item's file; false skips the item (the download said why). A
// file that is not the one the league's catalog names goes at once: it is
// neither unpacked nor run.
bool FetchItem(const ContentItem& item, const LeagueRecord& league, const std::string& localFile)
{
    if (item.FileType == 2 && !AskToRunExecutable(LocalFileName(item.File))) return false;
    std::string received;
    if (!DownloadFile(item.File, localFile, league.userName, league.password, "Downloading " + item.Name + "\r\n",
                      nullptr, item.SHA256.empty() ? nullptr : &received))
        return false;
    if (item.SHA256.empty() || SameSha256(item.SHA256, received)) return true;
    DeleteFileA(localFile.c_str());
    ShowStatus(false);
    ShowMessage("Unable to install " + item.Name + ". The downloaded file does not match the league's catalog.\r\n"
                    "SHA-256 expected " + item.SHA256 + ", received " + received + ".",
                MB_ICONHAND | MB_OK);
    return false;
}

// Unpacks the item's archive into its place, every profile's settings
// folder for a setup; files receives what was put down.
ItemResult UnpackItem(const InstallContext& context, const ContentItem& item, const std::string& word,
                      const std::string& localFile, std::vector<RecordedFile>& files)
{
    const LauncherEnvironment& env = *context.env;
    std::vector<std::string> targets;
    if (word == "Setup") {
        if (context.profiles)
            for (const std::string& profile : *context.profiles)
                targets.push_back(env.simFolder + "Userdata\\" + profile + "\\Settings\\");
        // A setup that reached nobody is not installed.
        if (targets.empty()) {
            Stop(context, "Unable to install " + item.Name + ". There is no player profile to put it in; it is "
                          "not recorded as installed.", MB_ICONWARNING | MB_OK);
            return ItemResult::Skipped;
        }
    } else {
        targets.push_back(TargetFolder(env, item));
    }
    for (const std::string& target : targets) {
        std::vector<ExtractedFile> written;
        const ExtractOutcome outcome = UnzipWithRetry(localFile, target, written);
        // Cancel ends the whole command without a word.
        if (outcome == ExtractOutcome::Cancelled) {
            ShowStatus(false);
            return ItemResult::StopAll;
        }
        if (outcome != ExtractOutcome::Extracted) {
            Stop(context, "An error occurred while unzipping " + localFile, MB_OK);
            return ItemResult::StopAll;
        }
        const std::vector<RecordedFile> recorded = RecordedFiles(env.simFolder, written);
        files.insert(files.end(), recorded.begin(), recorded.end());
    }
    return ItemResult::Done;
}

// Runs the item's installer; one that ends with a failure code (a setup the
// driver cancelled) installed nothing that can be counted on.
ItemResult RunSetupItem(const InstallContext& context, const ContentItem& item, const std::string& localFile)
{
    ShowStatus(false);
    DWORD exitCode = 0;
    if (const DWORD error = RunInstaller(localFile, exitCode)) {
        Stop(context, "Unable to run setup file (" + localFile + ").  " + ErrorLine(error), MB_ICONHAND | MB_OK);
        return ItemResult::StopAll;
    }
    if (CancelRequested()) return ItemResult::StopAll;
    if (exitCode != 0) {
        ShowMessage("The installer of " + item.Name + " ended with code " + std::to_string(exitCode) +
                        "; it is not recorded as installed.",
                    MB_ICONWARNING | MB_OK);
        return ItemResult::Skipped;
    }
    return ItemResult::Done;
}

ItemResult ProcessItem(const InstallContext& context, const ContentItem& item, const std::string& word,
                       bool remove)
{
    const LauncherEnvironment& env = *context.env;
    const LeagueRecord& league = LeagueOf(item, env);
    if (!remove && item.FileType != 1 && item.FileType != 2) return ItemResult::Skipped;

    // Everything the item names must stay in its place before anything is
    // downloaded or deleted for it.
    const std::string fileName = LocalFileName(item.File);
    std::string unsafe = UnsafeItemPath(item, league);
    if (unsafe.empty() && fileName.empty() && !remove) unsafe = item.File;
    if (!unsafe.empty()) {
        ShowStatus(false);
        ShowMessage("Unable to install " + item.Name + ". Its catalog entry leads outside the sim folder (" + unsafe +
                        ").",
                    MB_ICONHAND | MB_OK);
        return ItemResult::Skipped;
    }

    const std::string leagueFolder = env.dataFolder + league.name;
    const std::string downloadFolder = leagueFolder + "\\" + word;
    // A partner league's folder may not exist yet.
    CreateDirectoryA(leagueFolder.c_str(), nullptr);
    CreateDirectoryA(downloadFolder.c_str(), nullptr);
    const std::string localFile = fileName.empty() ? std::string() : downloadFolder + "\\" + fileName;

    // A failed download skips the item; a cancelled one ends the command.
    if (!remove && !FetchItem(item, league, localFile))
        return CancelRequested() ? ItemResult::StopAll : ItemResult::Skipped;
    const std::string targetFolder = TargetFolder(env, item);
    DeleteListed(targetFolder, item.deleteFolders, true);
    DeleteListed(targetFolder, item.deleteFiles, false);
    std::vector<RecordedFile> files;
    if (!remove) {
        const ItemResult installed = item.FileType == 1 ? UnpackItem(context, item, word, localFile, files)
                                                        : RunSetupItem(context, item, localFile);
        if (installed != ItemResult::Done) return installed;
    }

    RecordOutcome(env, item, word, !remove, files);
    if (league.deleteFiles && !localFile.empty()) DeleteFileA(localFile.c_str());
    if (!item.DoneMsg.empty()) {
        ShowStatus(false);
        ShowMessage(item.DoneMsg, MB_ICONINFORMATION | MB_OK);
    }
    return ItemResult::Done;
}

}  // namespace


CacheEntry ItemCacheEntry(const LauncherEnvironment& env, const ContentItem& item, const std::string& categoryWord,
                          int id)
{
    return CacheEntryFor(env.LeagueFolder(), item.league, env.defaultLeague, env.installation.number, categoryWord, id);
}

std::string UnsafeItemPath(const ContentItem& item, const LeagueRecord& league)
{
    if (league.name.empty() || PathComponents(league.name).size() != 1 ||
        !IsConfinedRelativePath(league.name, false, true))
        return league.name;
    if (!IsConfinedRelativePath(CatalogRelative(item.PrefixPath), false, false)) return item.PrefixPath;
    for (const std::string& folder : item.deleteFolders)
        if (!folder.empty() && !IsConfinedRelativePath(CatalogRelative(folder), true, true)) return folder;
    for (const std::string& file : item.deleteFiles)
        if (!file.empty() && !IsConfinedRelativePath(CatalogRelative(file), true, true)) return file;
    return std::string();
}

void InstallItems(const InstallContext& context, const std::vector<ContentItem*>& items,
                  const std::string& categoryWord, bool remove)
{
    for (const ContentItem* item : items) {
        if (ProcessItem(context, *item, categoryWord, remove) == ItemResult::StopAll) return;
    }
    // Nothing of the install may stay on screen once it is over.
    ShowStatus(false);
}

void MarkItemsAsCurrent(const LauncherEnvironment& env, const std::vector<ContentItem*>& items,
                        const std::string& categoryWord)
{
    for (const ContentItem* item : items) {
        const bool current = !item->notInstalled && !item->outOfDate;
        const CacheEntry entry = ItemCacheEntry(env, *item, categoryWord, item->ID);
        WriteCacheInstalled(entry, !current);
        for (int toggle : item->toggleIds) WriteCacheInstalled(ItemCacheEntry(env, *item, categoryWord, toggle), false);
        WriteCacheDate(entry, item->date);
        // The driver vouches for the files as they are.
        WriteCacheModified(entry, false);
    }
}
