#include "install/ZipExtract.h"

#include <unzip.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>

#include "app/FileReplace.h"
#include "app/Handles.h"
#include "app/MessageBox.h"
#include "app/Records.h"
#include "app/WideText.h"
#include "install/ArchiveFile.h"
#include "app/SafePaths.h"
#include "net/ErrorText.h"
#include "net/LongWork.h"
#include "net/StatusPopup.h"

// Where the extraction walks back to an entry; built by the check of the
// whole archive before anything is written.
struct PlannedEntry {
    unz64_file_pos position = {};
    ArchiveEntryInfo info;
};

// One file entry on its way to disk, prepared on the user-interface thread;
// whichever thread writes it fills in how it came out.
struct FileJob {
    unz64_file_pos position = {};
    const ArchiveEntryInfo* info = nullptr;
    std::wstring outputPath;
    std::wstring writePath;  // outputPath, or a part file beside the file that is there
    std::wstring key;        // outputPath as the file system compares names
    std::wstring writeKey;
    std::string shown;
    bool direct = true;
    bool whole = false;
    // What went wrong, told the user in archive order; none for a broken entry or Cancel.
    const char* failure = nullptr;
    DWORD error = 0;
    uint64_t lastWrite = 0;
};

namespace {

// Large blocks keep the write calls few: under Wine each one is a round
// trip, and 256 KiB already moves at the disk's pace.
constexpr size_t kCopyBufferSize = 256 * 1024;
// The worker takes runs of entries this large or this long, so that handing
// one over costs little beside writing it.
constexpr uint64_t kRunBytes = 1 << 20;
constexpr size_t kRunEntries = 64;
// A folder that cannot be created is tried once more after this pause: a
// virus scanner may still hold a folder of the same name being deleted.
constexpr DWORD kFolderRetryDelayMs = 1000;
constexpr DWORD kDosDirectoryBit = 0x10;
constexpr uint32_t kEncryptedFlag = 0x1;
constexpr uint32_t kUtf8NameFlag = 0x800;
constexpr uint64_t kLocalHeaderSize = 30;

unzFile AsZip(void* archive) { return static_cast<unzFile>(archive); }

// Paths are narrow, for the "A" functions, except those holding a name the
// archive flags as UTF-8: those are wide and go to the "W" functions. Files
// are written through the "W" functions, a narrow path widened as the "A"
// functions would widen it, so that either thread takes one kind of job.
const std::wstring& AsWide(const std::wstring& path) { return path; }
std::wstring AsWide(const std::string& path) { return Widened(path, CP_ACP); }
const std::string& Shown(const std::string& path) { return path; }
std::string Shown(const std::wstring& path) { return Narrowed(path, CP_ACP); }

DWORD Attributes(const std::string& path) { return GetFileAttributesA(path.c_str()); }
DWORD Attributes(const std::wstring& path) { return GetFileAttributesW(path.c_str()); }
bool MakeFolder(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) != FALSE; }
bool MakeFolder(const std::wstring& path) { return CreateDirectoryW(path.c_str(), nullptr) != FALSE; }
bool RemoveFile(const std::wstring& path) { return DeleteFileW(path.c_str()) != FALSE; }

HANDLE CreateForWriting(const std::wstring& path)
{
    return CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool MoveOver(const std::wstring& from, const std::wstring& to)
{
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

template <class Path>
Path PartSuffix()
{
    return Path(kPartialFileSuffix, kPartialFileSuffix + sizeof kPartialFileSuffix - 1);
}

// Where a file that replaces another is written first: beside it under its
// own name and the suffix, or, where that would be too long for the
// platform, under a short name of its own in the same folder.
template <class Path>
Path PartPathFor(const Path& outputPath, size_t cut)
{
    const Path beside = outputPath + PartSuffix<Path>();
    if (beside.size() < static_cast<size_t>(kMaxPathLength)) return beside;
    const char shortName[] = "~";
    return outputPath.substr(0, cut + 1) + Path(shortName, shortName + 1) + PartSuffix<Path>();
}

template <class Path>
Path JoinPath(const Path& folder, const Path& name)
{
    if (folder.empty() || folder.back() == '\\' || folder.back() == '/') return folder + name;
    return folder + Path(1, '\\') + name;
}

template <class Path>
Path BaseNameAndExtension(const Path& name)
{
    const size_t cut = name.find_last_of(Path(1, '\\') + Path(1, '/'));
    return cut == Path::npos ? name : name.substr(cut + 1);
}

template <class Path>
std::wstring NameKey(const Path& name)
{
    return FoldedName(AsWide(name));
}

void ReportFailure(const std::string& text)
{
    ShowStatus(false);
    ShowMessage(text, MB_ICONHAND | MB_OK);
}

std::string FailureText(const char* what, const std::string& path, DWORD error)
{
    return std::string("Unable to unzip file. ") + what + " (" + path + ").  " + ErrorLine(error);
}

bool DosTimeToUtc(uint32_t dosDateTime, FILETIME& utc)
{
    FILETIME local;
    return DosDateTimeToFileTime(HIWORD(dosDateTime), LOWORD(dosDateTime), &local) &&
           LocalFileTimeToFileTime(&local, &utc);
}

template <class Path>
bool EnsureFolderAt(const Path& path)
{
    if (path.empty()) return false;
    const DWORD attributes = Attributes(path);
    if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const size_t cut = path.find_last_of('\\');
    if (cut != Path::npos && cut > 0 && !EnsureFolderAt(path.substr(0, cut))) return false;
    if (MakeFolder(path)) return true;
    const DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS) return true;
    Sleep(kFolderRetryDelayMs);
    if (MakeFolder(path) || GetLastError() == ERROR_ALREADY_EXISTS) return true;
    ReportFailure(FailureText("Failed to create folder file", Shown(path), error));
    return false;
}

bool IsPartFile(const std::wstring& name, DWORD attributes)
{
    const std::wstring suffix = PartSuffix<std::wstring>();
    return !(attributes & FILE_ATTRIBUTE_DIRECTORY) && name.size() > suffix.size() &&
           name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// What a folder holds, by lower-case name. Part files an extraction that was
// cut short left behind are deleted on the way: nothing else would.
std::unordered_map<std::wstring, DWORD> ListFolder(const std::wstring& folder)
{
    std::unordered_map<std::wstring, DWORD> names;
    WIN32_FIND_DATAW found;
    FindHandle find(FindFirstFileW(JoinPath(folder, std::wstring(L"*")).c_str(), &found));
    if (!find) return names;
    do {
        if (IsPartFile(found.cFileName, found.dwFileAttributes))
            DeleteFileW(JoinPath(folder, std::wstring(found.cFileName)).c_str());
        else
            names.emplace(NameKey(std::wstring(found.cFileName)), found.dwFileAttributes);
    } while (FindNextFileW(find.get(), &found));
    return names;
}

using StopCheck = std::function<bool()>;

bool CopyEntryData(unzFile zip, HANDLE out, FileJob& job, std::vector<char>& buffer, const StopCheck& stop)
{
    for (;;) {
        if (stop()) return false;
        const int got = unzReadCurrentFile(zip, buffer.data(), static_cast<unsigned>(buffer.size()));
        if (got == 0) return true;
        if (got < 0) return false;
        DWORD written = 0;
        const BOOL wrote = WriteFile(out, buffer.data(), static_cast<DWORD>(got), &written, nullptr);
        if (!wrote || written != static_cast<DWORD>(got)) {
            // A write that takes only part of the block sets no error: the disk is full.
            job.error = wrote ? ERROR_DISK_FULL : GetLastError();
            job.failure = "Failed to write file";
            return false;
        }
    }
}

bool WriteEntryData(unzFile zip, HANDLE out, FileJob& job, std::vector<char>& buffer, const StopCheck& stop)
{
    if (unzOpenCurrentFile(zip) != UNZ_OK) return false;
    bool whole = CopyEntryData(zip, out, job, buffer, stop);
    // Closing the entry is where minizip tells a CRC mismatch.
    whole = unzCloseCurrentFile(zip) == UNZ_OK && whole;
    if (!whole) return false;
    // Stamped on the open handle: one open less per file; the move keeps the times.
    FILETIME stamp;
    if (!DosTimeToUtc(job.info->dosDateTime, stamp) || !SetFileTime(out, &stamp, nullptr, &stamp))
        GetFileTime(out, nullptr, nullptr, &stamp);
    job.lastWrite = FileTimeNumber(stamp);
    return true;
}

// Writes the job's entry to its write path; a broken or cancelled entry
// leaves nothing there.
void WriteJob(unzFile zip, FileJob& job, std::vector<char>& buffer, const StopCheck& stop)
{
    if (buffer.empty()) buffer.resize(kCopyBufferSize);
    if (unzGoToFilePos64(zip, &job.position) != UNZ_OK) return;
    UniqueHandle out(CreateForWriting(job.writePath));
    if (!out) {
        job.error = GetLastError();
        job.failure = "Failed to create file";
        return;
    }
    job.whole = WriteEntryData(zip, out.get(), job, buffer, stop);
    out.reset();
    if (!job.whole) RemoveFile(job.writePath);
}

}  // namespace

// Writes runs of entries through an archive handle of its own while the
// user-interface thread writes the entries after them: inflating takes a core
// of its own, and under Wine every file waits for the Wine server a few
// times. It only moves bytes: what came out is told and recorded on the
// user-interface thread, in archive order.
class EntryWorker {
public:
    EntryWorker() = default;
    ~EntryWorker();
    EntryWorker(const EntryWorker&) = delete;
    EntryWorker& operator=(const EntryWorker&) = delete;

    bool Start(const std::string& archivePath, uint64_t visibleEnd);
    // The jobs are the worker's until it is idle again.
    void Hand(std::vector<FileJob>& jobs);
    bool Idle() const { return !busy_; }
    bool WaitIdle(DWORD timeoutMs);
    // Drops the entry being written and the rest of the run.
    void Stop() { stop_ = true; }

private:
    void Run();

    ArchiveFile file_;
    void* archive_ = nullptr;  // unzFile
    std::vector<char> buffer_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<FileJob>* jobs_ = nullptr;
    std::atomic<bool> busy_{false};
    std::atomic<bool> stop_{false};
    bool quit_ = false;
    std::thread thread_;
};

bool EntryWorker::Start(const std::string& archivePath, uint64_t visibleEnd)
{
    if (!file_.Open(archivePath)) return false;
    zlib_filefunc64_def functions = file_.Functions(visibleEnd);
    archive_ = unzOpen2_64(archivePath.c_str(), &functions);
    if (!archive_) return false;
    try {
        thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        return false;  // the user-interface thread writes everything itself
    }
    return true;
}

EntryWorker::~EntryWorker()
{
    if (thread_.joinable()) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            quit_ = true;
            stop_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
    if (archive_) unzClose(AsZip(archive_));
}

void EntryWorker::Hand(std::vector<FileJob>& jobs)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        jobs_ = &jobs;
        busy_ = true;
    }
    changed_.notify_all();
}

bool EntryWorker::WaitIdle(DWORD timeoutMs)
{
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return !busy_; });
}

void EntryWorker::Run()
{
    const StopCheck stop = [this] { return stop_.load(); };
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return quit_ || jobs_; });
        if (quit_) return;
        std::vector<FileJob>& jobs = *jobs_;
        lock.unlock();
        for (FileJob& job : jobs) {
            WriteJob(AsZip(archive_), job, buffer_, stop);
            if (!job.whole) break;
        }
        lock.lock();
        jobs_ = nullptr;
        busy_ = false;
        changed_.notify_all();
    }
}

namespace {

// Why the whole archive is refused for this entry, as the user is told; empty when it may be unpacked.
std::string EntryRefusal(const ArchiveEntryInfo& info, const std::string& targetFolder, bool flatten)
{
    const std::string written = flatten && !info.isFolder ? BaseNameAndExtension(info.name) : info.name;
    if (info.nameTooLong || !UnsafeEntryReason(written, targetFolder, info.utf8Name).empty() ||
        (flatten && !UnsafeEntryReason(info.name, targetFolder, info.utf8Name).empty()))
        return "Unable to unzip file. Unsafe path in archive (" + info.name + ").";
    if (info.compressionMethod != 0 && info.compressionMethod != Z_DEFLATED)
        return "Unable to unzip file. Unsupported compression method " + std::to_string(info.compressionMethod) +
               " in archive (" + info.name + ").";
    if (info.flags & kEncryptedFlag) return "Unable to unzip file. Encrypted entry in archive (" + info.name + ").";
    return std::string();
}

}  // namespace

std::string UnsafeEntryReason(const std::string& name, const std::string& targetFolder, bool utf8Name)
{
    if (name.empty()) return "empty name";
    std::string checked = name;
    size_t longest = JoinPath(targetFolder, name).size();
    if (utf8Name) {
        const std::wstring wide = Widened(name, CP_UTF8, MB_ERR_INVALID_CHARS);
        if (wide.empty()) return "not UTF-8";
        checked = Narrowed(wide, CP_UTF8);
        longest = JoinPath(AsWide(targetFolder), wide).size();
    }
    if (!IsConfinedRelativePath(checked, false, true)) return "leaves the target folder";
    if (longest >= static_cast<size_t>(kMaxPathLength)) return "path too long";
    return std::string();
}

ArchiveExtractor::ArchiveExtractor() = default;

ArchiveExtractor::~ArchiveExtractor() { Close(); }

bool ArchiveExtractor::Open(const std::string& archivePath)
{
    Close();
    if (archivePath.empty()) return false;
    char full[kMaxPathLength] = {};
    const DWORD length = GetFullPathNameA(archivePath.c_str(), sizeof full, full, nullptr);
    if (length == 0 || length >= sizeof full) return false;
    auto file = std::make_unique<ArchiveFile>();
    EndRecord end;
    if (!file->Open(full) || !FindEndRecord(*file, end)) return false;
    visibleEnd_ = end.position + kEndRecordSize;
    zlib_filefunc64_def functions = file->Functions(visibleEnd_);
    archive_ = unzOpen2_64(full, &functions);
    if (!archive_) return false;
    file_ = std::move(file);
    directoryEntries_ = CountDirectoryEntries(*file_, end);
    directoryStart_ = end.directoryEnd - std::min(end.directoryEnd, end.directorySize);
    archivePath_ = full;
    char drive[_MAX_DRIVE] = {}, dir[_MAX_DIR] = {}, base[_MAX_FNAME] = {};
    _splitpath(full, drive, dir, base, nullptr);
    defaultTarget_ = std::string(drive) + dir + base;
    return true;
}

bool ArchiveExtractor::Close()
{
    if (!archive_) {
        defaultTarget_.clear();
        return false;
    }
    worker_.reset();
    unzCloseCurrentFile(AsZip(archive_));
    const bool closed = unzClose(AsZip(archive_)) == UNZ_OK;
    archive_ = nullptr;
    file_.reset();
    defaultTarget_.clear();
    folders_.clear();
    lastFolder_ = nullptr;
    return closed;
}

int ArchiveExtractor::EntryCount() const
{
    if (!archive_) return 0;
    unz_global_info64 info = {};
    if (unzGetGlobalInfo64(AsZip(archive_), &info) != UNZ_OK) return 0;
    return static_cast<int>(info.number_entry);
}

bool ArchiveExtractor::MatchesFilter(const std::string& extensionFilter)
{
    ArchiveEntryInfo info;
    if (!ReadEntryInfo(info)) return false;
    const size_t dot = info.name.find_last_of('.');
    const std::string extension = dot == std::string::npos ? std::string() : info.name.substr(dot + 1);
    return lstrcmpiA(extension.c_str(), extensionFilter.c_str()) == 0;
}

bool ArchiveExtractor::FirstEntry(const std::string& extensionFilter)
{
    if (!archive_ || unzGoToFirstFile(AsZip(archive_)) != UNZ_OK) return false;
    if (extensionFilter.empty() || MatchesFilter(extensionFilter)) return true;
    return NextEntry(extensionFilter);
}

bool ArchiveExtractor::NextEntry(const std::string& extensionFilter)
{
    if (!archive_) return false;
    while (unzGoToNextFile(AsZip(archive_)) == UNZ_OK)
        if (extensionFilter.empty() || MatchesFilter(extensionFilter)) return true;
    return false;
}

bool ArchiveExtractor::ReadEntryInfo(ArchiveEntryInfo& info)
{
    info = ArchiveEntryInfo();
    if (!archive_) return false;
    unz_file_info64 raw = {};
    char name[kUtf8NameBufferSize] = {};
    char comment[kEntryCommentBufferSize] = {};
    if (unzGetCurrentFileInfo64(AsZip(archive_), &raw, name, sizeof name, nullptr, 0, comment, sizeof comment) !=
        UNZ_OK)
        return false;
    // minizip leaves a name that fills the buffer unterminated: take only
    // what was stored, and never more than the buffer holds.
    info.utf8Name = (raw.flag & kUtf8NameFlag) != 0;
    const size_t buffer = info.utf8Name ? kUtf8NameBufferSize : kEntryNameBufferSize;
    info.nameTooLong = raw.size_filename >= buffer;
    info.name.assign(name, std::min<size_t>(raw.size_filename, buffer - 1));
    info.comment.assign(comment, std::min<size_t>(raw.size_file_comment, sizeof comment - 1));
    std::replace(info.name.begin(), info.name.end(), '/', '\\');
    if (info.utf8Name) info.wideName = Widened(info.name, CP_UTF8, MB_ERR_INVALID_CHARS);
    info.version = static_cast<uint32_t>(raw.version);
    info.versionNeeded = static_cast<uint32_t>(raw.version_needed);
    info.flags = static_cast<uint32_t>(raw.flag);
    info.compressionMethod = static_cast<uint32_t>(raw.compression_method);
    info.dosDateTime = static_cast<uint32_t>(raw.dosDate);
    info.crc32 = static_cast<uint32_t>(raw.crc);
    info.compressedSize = raw.compressed_size;
    info.uncompressedSize = raw.uncompressed_size;
    info.internalAttributes = static_cast<uint32_t>(raw.internal_fa);
    info.externalAttributes = static_cast<uint32_t>(raw.external_fa);
    // Many tools mark folders by the trailing slash alone, with attributes 0 or a Unix mode.
    info.isFolder = (info.externalAttributes & kDosDirectoryBit) != 0 || (!info.name.empty() && info.name.back() == '\\');
    return true;
}

template <class Path>
ArchiveExtractor::FolderNames* ArchiveExtractor::KnownFolder(const Path& folder)
{
    std::wstring key = NameKey(folder);
    // Entries mostly come folder by folder.
    if (lastFolder_ && key == lastFolderKey_) return lastFolder_;
    auto known = folders_.find(key);
    if (known == folders_.end()) {
        // What is on disk is looked at, and told, only after every entry
        // before is in place.
        if (!Settle()) return nullptr;
        const DWORD attributes = Attributes(folder);
        if (attributes == INVALID_FILE_ATTRIBUTES ? !EnsureFolderAt(folder) : !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            return nullptr;
        FolderNames names;
        if (attributes != INVALID_FILE_ATTRIBUTES) names = ListFolder(AsWide(folder));
        known = folders_.emplace(key, std::move(names)).first;
    }
    lastFolderKey_ = std::move(key);
    lastFolder_ = &known->second;
    return lastFolder_;
}

bool ArchiveExtractor::StopRequested()
{
    KeepResponsive();
    cancelled_ = cancelled_ || CancelRequested();
    return cancelled_;
}

template <class Path>
bool ArchiveExtractor::PrepareFile(const Path& outputPath, const ArchiveEntryInfo& info, FileJob& job)
{
    const size_t cut = outputPath.find_last_of('\\');
    FolderNames* names = cut == Path::npos ? nullptr : KnownFolder(outputPath.substr(0, cut));
    if (!names) return false;
    // A file neither found nor written here yet goes straight to its name:
    // a broken entry is deleted and nothing is lost. One that is there is
    // written beside it first, so that a broken entry neither passes for good
    // nor destroys the file it would replace.
    const auto slot = names->emplace(NameKey(outputPath.substr(cut + 1)), FILE_ATTRIBUTE_NORMAL);
    job.direct = slot.second;
    job.shown = Shown(outputPath);
    // A read-only file (or a folder) in the way is not replaced: Wine's move
    // would replace a read-only file that Windows keeps.
    if (!job.direct && (slot.first->second & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
        // Told after the entries before it are in place.
        if (Settle()) ReportFailure(FailureText("Failed to create file", job.shown, ERROR_ACCESS_DENIED));
        return false;
    }
    job.info = &info;
    job.outputPath = AsWide(outputPath);
    job.writePath = job.direct ? job.outputPath : AsWide(PartPathFor(outputPath, cut));
    job.key = NameKey(job.outputPath);
    job.writeKey = NameKey(job.writePath);
    // An entry that writes where one not yet in place writes too (the same
    // name twice, or the short part name of two long ones) waits for it.
    return !(inFlight_.count(job.key) || inFlight_.count(job.writeKey)) || Settle();
}

template <class Path>
bool ArchiveExtractor::PrepareAs(const Path& folder, const Path& name, const ArchiveEntryInfo& info, bool flatten,
                                 FileJob& job)
{
    if (info.isFolder) {
        Path path = JoinPath(folder, name);
        while (path.size() > 1 && path.back() == '\\') path.pop_back();
        return KnownFolder(path) != nullptr;
    }
    return PrepareFile(JoinPath(folder, flatten ? BaseNameAndExtension(name) : name), info, job);
}

bool ArchiveExtractor::ExtractPlanned(const PlannedEntry& entry, const std::string& targetFolder, bool flatten)
{
    FileJob job;
    job.position = entry.position;
    const ArchiveEntryInfo& info = entry.info;
    const bool prepared = info.utf8Name ? PrepareAs(AsWide(targetFolder), info.wideName, info, flatten, job)
                                        : PrepareAs(targetFolder, info.name, info, flatten, job);
    return prepared && (!job.info || Dispatch(std::move(job)));
}

// An idle worker gathers the next run of entries; while it writes, this
// thread writes the entries after its run.
bool ArchiveExtractor::Dispatch(FileJob&& job)
{
    if (worker_ && worker_->Idle()) {
        if (handedOut_ && !Settle()) return false;
        inFlight_.insert(job.key);
        inFlight_.insert(job.writeKey);
        gatheredBytes_ += job.info->uncompressedSize;
        handed_.push_back(std::move(job));
        if (gatheredBytes_ >= kRunBytes || handed_.size() >= kRunEntries) HandOver();
        return true;
    }
    inFlight_.insert(job.key);
    inFlight_.insert(job.writeKey);
    pending_.push_back(std::move(job));
    FileJob& mine = pending_.back();
    WriteJob(AsZip(archive_), mine, buffer_, [this] { return StopRequested(); });
    // A failure is told by Settle, after the entries before it.
    return mine.whole;
}

void ArchiveExtractor::HandOver()
{
    worker_->Hand(handed_);
    handedOut_ = true;
    gatheredBytes_ = 0;
}

bool ArchiveExtractor::Commit(FileJob& job)
{
    if (!job.whole) {
        if (job.failure) ReportFailure(FailureText(job.failure, job.shown, job.error));
        return false;
    }
    if (!job.direct && !MoveOver(job.writePath, job.outputPath)) {
        const DWORD error = GetLastError();
        RemoveFile(job.writePath);
        ReportFailure(FailureText("Failed to create file", job.shown, error));
        return false;
    }
    written_.push_back({job.outputPath, job.info->crc32, job.info->uncompressedSize, job.lastWrite});
    return true;
}

// Waits for the worker's run, then puts in place, in archive order, what it
// and this thread wrote: the first entry that failed is told, and the ones
// after it go, as if the extraction had ended there.
bool ArchiveExtractor::Settle()
{
    if (!handed_.empty() && !handedOut_) HandOver();
    if (handedOut_) {
        if (cancelled_) worker_->Stop();
        while (!worker_->WaitIdle(kPumpIntervalMs))
            if (StopRequested()) worker_->Stop();
    }
    bool committed = true;
    for (std::vector<FileJob>* jobs : {&handed_, &pending_}) {
        for (FileJob& job : *jobs) {
            if (committed)
                committed = Commit(job);
            else if (job.whole)
                RemoveFile(job.writePath);
        }
        jobs->clear();
    }
    handedOut_ = false;
    inFlight_.clear();
    return committed;
}

// A second thread pays off only for more than one run of entries.
void ArchiveExtractor::StartWorker(const std::vector<PlannedEntry>& plan)
{
    size_t files = 0;
    uint64_t bytes = 0;
    for (const PlannedEntry& entry : plan) {
        if (entry.info.isFolder) continue;
        ++files;
        bytes += entry.info.uncompressedSize;
    }
    if (files < 2 || (bytes < 2 * kRunBytes && files < 2 * kRunEntries)) return;
    auto worker = std::make_unique<EntryWorker>();
    if (worker->Start(archivePath_, visibleEnd_)) worker_ = std::move(worker);
}

bool ArchiveExtractor::ExtractEntry(const std::string& targetFolder, bool flatten)
{
    const std::string folder = targetFolder.empty() ? defaultTarget_ : targetFolder;
    PlannedEntry entry;
    if (!archive_ || folder.empty() || !KnownFolder(folder) || !ReadEntryInfo(entry.info) ||
        unzGetFilePos64(AsZip(archive_), &entry.position) != UNZ_OK)
        return false;
    if (!EntryRefusal(entry.info, folder, flatten).empty()) return false;
    const bool placed = ExtractPlanned(entry, folder, flatten);
    return Settle() && placed;
}

bool ArchiveExtractor::RefuseDamaged()
{
    refused_ = true;
    ReportFailure("Unable to unzip file. The archive is damaged or crafted (" + archivePath_ + ").");
    return false;
}

// Where the entry's local header and data lie in the file.
bool ArchiveExtractor::ReadSpan(const ArchiveEntryInfo& info, std::pair<uint64_t, uint64_t>& span)
{
    if (unzOpenCurrentFile2(AsZip(archive_), nullptr, nullptr, 1) != UNZ_OK) return false;
    const uint64_t data = unzGetCurrentFileZStreamPos64(AsZip(archive_));
    const int localExtra = unzGetLocalExtrafield(AsZip(archive_), nullptr, 0);
    unzCloseCurrentFile(AsZip(archive_));
    const uint64_t header = kLocalHeaderSize + info.name.size() + static_cast<uint64_t>(std::max(localExtra, 0));
    if (data < header || data > directoryStart_ || info.compressedSize > directoryStart_ - data) return false;
    span = {data - header, data + info.compressedSize};
    return true;
}

// Checks every entry before anything is written. Entries whose spans overlap
// share their data: one small deflated stream unpacked many times over.
bool ArchiveExtractor::PlanExtraction(const std::string& targetFolder, bool flatten, std::vector<PlannedEntry>& plan)
{
    unz_global_info64 global = {};
    if (unzGetGlobalInfo64(AsZip(archive_), &global) != UNZ_OK || global.number_entry == 0) return false;
    if (global.number_entry != directoryEntries_) return RefuseDamaged();
    std::vector<std::pair<uint64_t, uint64_t>> spans;
    plan.reserve(static_cast<size_t>(global.number_entry));
    spans.reserve(static_cast<size_t>(global.number_entry));
    for (uint64_t i = 0; i < global.number_entry; ++i) {
        if (StopRequested()) return false;
        PlannedEntry entry;
        if ((i == 0 ? unzGoToFirstFile(AsZip(archive_)) : unzGoToNextFile(AsZip(archive_))) != UNZ_OK ||
            !ReadEntryInfo(entry.info) || unzGetFilePos64(AsZip(archive_), &entry.position) != UNZ_OK)
            return RefuseDamaged();
        const std::string refusal = EntryRefusal(entry.info, targetFolder, flatten);
        if (!refusal.empty()) {
            refused_ = true;
            ReportFailure(refusal);
            return false;
        }
        spans.emplace_back();
        if (!ReadSpan(entry.info, spans.back())) return RefuseDamaged();
        plan.push_back(std::move(entry));
    }
    std::sort(spans.begin(), spans.end());
    for (size_t i = 1; i < spans.size(); ++i)
        if (spans[i].first < spans[i - 1].second) return RefuseDamaged();
    return true;
}

bool ArchiveExtractor::ExtractAll(const std::string& targetFolder, bool flatten)
{
    refused_ = false;
    cancelled_ = false;
    written_.clear();
    if (!archive_ || targetFolder.empty()) return false;
    const CancelOffer offer;
    folders_.clear();
    lastFolder_ = nullptr;
    std::vector<PlannedEntry> plan;
    if (!PlanExtraction(targetFolder, flatten, plan) || !KnownFolder(targetFolder)) return false;
    StartWorker(plan);
    bool placed = true;
    for (const PlannedEntry& entry : plan) {
        if (StopRequested() || !ExtractPlanned(entry, targetFolder, flatten)) {
            placed = false;
            break;
        }
    }
    const bool settled = Settle();
    worker_.reset();
    return settled && placed;
}

ExtractOutcome ExtractArchiveChecked(const std::string& archivePath, const std::string& targetFolder, bool flatten,
                                     std::vector<ExtractedFile>* written)
{
    ArchiveExtractor extractor;
    if (!extractor.Open(archivePath)) return ExtractOutcome::Failed;
    const bool extracted = extractor.ExtractAll(targetFolder, flatten);
    if (written) *written = extractor.Written();
    if (extracted) return ExtractOutcome::Extracted;
    if (extractor.Cancelled()) return ExtractOutcome::Cancelled;
    return extractor.Refused() ? ExtractOutcome::Refused : ExtractOutcome::Failed;
}

bool ExtractArchive(const std::string& archivePath, const std::string& targetFolder, bool flatten)
{
    return ExtractArchiveChecked(archivePath, targetFolder, flatten) == ExtractOutcome::Extracted;
}

bool EnsureFolder(const std::string& path) { return EnsureFolderAt(path); }

bool EnsureParentFolder(const std::string& path)
{
    const size_t cut = path.find_last_of('\\');
    if (cut == std::string::npos) return false;
    return EnsureFolder(path.substr(0, cut));
}

bool StampFileTime(const std::string& path, uint32_t dosDateTime)
{
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    FILETIME created, accessed, written, stamp;
    if (!GetFileTime(file.get(), &created, &accessed, &written)) return false;
    if (!DosTimeToUtc(dosDateTime, stamp)) return false;
    return SetFileTime(file.get(), &stamp, &accessed, &stamp) != FALSE;
}
