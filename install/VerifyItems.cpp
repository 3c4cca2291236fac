#include "install/VerifyItems.h"

#include <algorithm>
#include <atomic>
#include <cstdio>

#include "app/MessageBox.h"
#include "app/Parallel.h"
#include "install/InstallPipeline.h"
#include "net/LongWork.h"
#include "net/StatusPopup.h"

namespace {

constexpr double kMegabyte = 1024.0 * 1024.0;
// The popup's text changes at most this often: each change crosses to its thread.
constexpr ULONGLONG kProgressIntervalMs = 100;

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

// One file to check, by its item.
struct FileToCheck {
    size_t item;
    const RecordedFile* file;
    FileCheck result = FileCheck::Cancelled;
};

// The whole run: what is checked and how far it got. The workers count
// files and bytes; the user-interface thread shows them and decides on Cancel.
struct VerifyRun {
    std::vector<RecordedItem> items;
    std::vector<std::string> notChecked;
    std::vector<FileToCheck> files;
    uint64_t bytes = 0;
    std::atomic<size_t> filesDone{0};
    std::atomic<size_t> lastStarted{0};
    std::atomic<uint64_t> bytesDone{0};
    std::atomic<bool> stop{false};
    ULONGLONG lastShown = 0;

    void Show()
    {
        const ULONGLONG tick = GetTickCount64();
        if (files.empty() || (lastShown != 0 && tick - lastShown < kProgressIntervalMs)) return;
        lastShown = tick;
        const std::string& name = items[files[lastStarted].item].item->item->Name;
        ShowStatus(true, "Verifying " + name + "\r\n" + std::to_string(filesDone) + " of " +
                             std::to_string(files.size()) + " files (" + Megabytes(bytesDone) + " of " +
                             Megabytes(bytes) + " MB)");
    }
};

void ReadRecords(const LauncherEnvironment& env, const std::vector<ItemToVerify>& items, VerifyRun& run)
{
    for (const ItemToVerify& item : items) {
        if (item.item->notInstalled) continue;
        RecordedItem recorded{&item, {}};
        if (!ReadFileRecord(ItemRecordPath(env, *item.item, item.categoryWord), recorded.files)) {
            run.notChecked.push_back(item.item->Name);
            continue;
        }
        run.items.push_back(std::move(recorded));
    }
    for (size_t index = 0; index < run.items.size(); ++index) {
        for (const RecordedFile& file : run.items[index].files) {
            run.files.push_back({index, &file});
            run.bytes += file.size;
        }
    }
}

// Reads the files on the workers while this thread keeps the window alive;
// false when cancelled.
bool CheckFiles(const std::string& simFolder, VerifyRun& run)
{
    std::vector<FileChecker> checkers(ParallelWorkers(), FileChecker(simFolder));
    const auto check = [&](unsigned worker, size_t index) {
        FileToCheck& file = run.files[index];
        if (run.stop) return;
        run.lastStarted = index;
        uint64_t read = 0;
        file.result = checkers[worker].Check(*file.file, [&](uint64_t bytes) {
            read += bytes;
            run.bytesDone += bytes;
            return !run.stop;
        });
        // A file missing or cut short counts whole, so the total comes out right.
        if (file.result != FileCheck::Cancelled && read < file.file->size) run.bytesDone += file.file->size - read;
        ++run.filesDone;
    };
    run.Show();
    RunInParallel(run.files.size(), check, [&run] {
        KeepResponsive();
        if (CancelRequested()) run.stop = true;
        run.Show();
    });
    for (const FileToCheck& file : run.files) {
        RecordedItem& item = run.items[file.item];
        if (file.result == FileCheck::Changed) ++item.changed;
        if (file.result == FileCheck::Missing) ++item.missing;
    }
    return !run.stop && !CancelRequested();
}

std::string ClosingText(const VerifyRun& run, double seconds)
{
    char head[160];
    std::snprintf(head, sizeof head, "Checked %u items (%u files, %s MB) in %.1f s. ",
                  static_cast<unsigned>(run.items.size()), static_cast<unsigned>(run.files.size()),
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
    return FileRecordPath(env.LeagueFolder(), ItemCacheEntry(env, item, categoryWord, item.ID).section);
}

bool VerifyItems(const LauncherEnvironment& env, const std::vector<ItemToVerify>& items)
{
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    VerifyRun run;
    ReadRecords(env, items, run);
    const CancelOffer offer;
    const bool whole = CheckFiles(env.simFolder, run);
    bool same = true;
    for (const RecordedItem& item : run.items) {
        if (item.changed + item.missing == 0) continue;
        same = false;
        WriteCacheModified(ItemCacheEntry(env, *item.item->item, item.item->categoryWord, item.item->item->ID), true);
    }
    ShowStatus(false);
    if (!whole) return false;
    QueryPerformanceCounter(&end);
    const double seconds = static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    ShowMessage(ClosingText(run, seconds), MB_OK | (same ? MB_ICONINFORMATION : MB_ICONWARNING));
    return true;
}

bool ItemFilesChanged(const LauncherEnvironment& env, const ContentItem& item, const std::string& categoryWord)
{
    std::vector<RecordedFile> files;
    return ReadFileRecord(ItemRecordPath(env, item, categoryWord), files) &&
           CountChangedFiles(env.simFolder, files) > 0;
}
