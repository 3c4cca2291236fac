#include "install/VerifyItems.h"

#include <algorithm>
#include <cstdio>

#include "app/MessageBox.h"
#include "net/LongWork.h"
#include "net/StatusPopup.h"

namespace {

constexpr double kMegabyte = 1024.0 * 1024.0;
// The popup's text changes at most this often: each change crosses to its thread.
constexpr ULONGLONG kProgressIntervalMs = 100;

CacheEntry EntryOf(const LauncherEnvironment& env, const ContentItem& item, const std::string& word)
{
    return CacheEntryFor(env.LeagueFolder(), item.league, env.defaultLeague, env.installation.number, word, item.ID);
}

std::string Megabytes(uint64_t bytes)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(bytes) / kMegabyte);
    return text;
}

struct RecordedItem {
    const ItemToVerify* item;
    std::vector<RecordedFile> files;
    unsigned changed = 0;
    unsigned missing = 0;
};

// The whole run's counts, for the popup and the closing box.
struct VerifyRun {
    std::vector<RecordedItem> items;
    std::vector<std::string> notChecked;
    size_t files = 0, filesDone = 0;
    uint64_t bytes = 0, bytesDone = 0;
    ULONGLONG lastShown = 0;

    void Show(const std::string& name, bool now)
    {
        const ULONGLONG tick = GetTickCount64();
        if (!now && tick - lastShown < kProgressIntervalMs) return;
        lastShown = tick;
        ShowStatus(true, "Verifying " + name + "\r\n" + std::to_string(filesDone) + " of " + std::to_string(files) +
                             " files (" + Megabytes(bytesDone) + " of " + Megabytes(bytes) + " MB)");
    }
};

VerifyRun ReadRecords(const LauncherEnvironment& env, const std::vector<ItemToVerify>& items)
{
    VerifyRun run;
    for (const ItemToVerify& item : items) {
        if (item.item->notInstalled) continue;
        RecordedItem recorded{&item, {}};
        if (!ReadFileRecord(ItemRecordPath(env, *item.item, item.categoryWord), recorded.files)) {
            run.notChecked.push_back(item.item->Name);
            continue;
        }
        for (const RecordedFile& file : recorded.files) run.bytes += file.size;
        run.files += recorded.files.size();
        run.items.push_back(std::move(recorded));
    }
    return run;
}

// False when cancelled.
bool CheckItem(const std::string& simFolder, RecordedItem& item, VerifyRun& run, FileChecker& checker)
{
    const std::string& name = item.item->item->Name;
    run.Show(name, true);
    const auto progress = [&](uint64_t bytes) {
        run.bytesDone += bytes;
        run.Show(name, false);
        KeepResponsive();
        return !CancelRequested();
    };
    for (const RecordedFile& file : item.files) {
        const uint64_t before = run.bytesDone;
        const FileCheck result = checker.Check(simFolder, file, progress);
        if (result == FileCheck::Cancelled || CancelRequested()) return false;
        if (result == FileCheck::Changed) ++item.changed;
        if (result == FileCheck::Missing) ++item.missing;
        // A file missing or cut short counts whole, so the total comes out right.
        run.bytesDone = before + file.size;
        ++run.filesDone;
    }
    return true;
}

std::string ClosingText(const VerifyRun& run, double seconds)
{
    char head[160];
    std::snprintf(head, sizeof head, "Checked %u items (%u files, %s MB) in %.1f s. ",
                  static_cast<unsigned>(run.items.size()), static_cast<unsigned>(run.files),
                  Megabytes(run.bytes).c_str(), seconds);
    std::string lines;
    unsigned differing = 0;
    for (const RecordedItem& item : run.items) {
        if (item.changed + item.missing == 0) continue;
        ++differing;
        lines += "\r\n" + item.item->item->Name + ": " + std::to_string(item.changed) + " changed, " +
                 std::to_string(item.missing) + " missing";
    }
    std::string text = head;
    if (differing == 0)
        text += "Every file is as installed.";
    else
        text += std::to_string(differing) + " items differ:" + lines +
                "\r\n\r\nThey now read as out of date; download them to repair.";
    if (!run.notChecked.empty()) {
        text += "\r\n\r\nNot checked (installed before file records were kept): ";
        for (size_t i = 0; i < run.notChecked.size(); ++i) text += (i ? ", " : "") + run.notChecked[i];
    }
    return text;
}

}  // namespace

std::string ItemRecordPath(const LauncherEnvironment& env, const ContentItem& item, const std::string& categoryWord)
{
    return FileRecordPath(env.LeagueFolder(), EntryOf(env, item, categoryWord).section);
}

bool VerifyItems(const LauncherEnvironment& env, const std::vector<ItemToVerify>& items)
{
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    VerifyRun run = ReadRecords(env, items);
    const CancelOffer offer;
    FileChecker checker;
    bool whole = true;
    for (RecordedItem& item : run.items) {
        whole = CheckItem(env.simFolder, item, run, checker);
        if (item.changed + item.missing) WriteCacheModified(EntryOf(env, *item.item->item, item.item->categoryWord), true);
        if (!whole) break;
    }
    ShowStatus(false);
    if (!whole) return false;
    QueryPerformanceCounter(&end);
    const double seconds = static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    const bool same = std::all_of(run.items.begin(), run.items.end(),
                                  [](const RecordedItem& item) { return item.changed + item.missing == 0; });
    ShowMessage(ClosingText(run, seconds), MB_OK | (same ? MB_ICONINFORMATION : MB_ICONWARNING));
    return true;
}

bool ItemFilesChanged(const LauncherEnvironment& env, const ContentItem& item, const std::string& categoryWord,
                      InstalledFolders& folders)
{
    std::vector<RecordedFile> files;
    return ReadFileRecord(ItemRecordPath(env, item, categoryWord), files) && folders.ChangedFiles(files) > 0;
}
