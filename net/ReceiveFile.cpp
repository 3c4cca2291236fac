#include "net/ReceiveFile.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/FileReplace.h"
#include "app/IniFile.h"

namespace {

constexpr char kTempPrefix[] = "zdl";
constexpr char kTempExtension[] = ".tmp";
constexpr char kRecordExtension[] = ".inf";
constexpr char kRecordSection[] = "Download";
constexpr unsigned kFnvOffset = 2166136261u;
constexpr unsigned kFnvPrime = 16777619u;
constexpr DWORD kHashChunkSize = 1024 * 1024;
constexpr unsigned long long kTicksPerDay = 864000000000ULL;  // 100 ns ticks

// File names compare without regard to case.
unsigned NameHash(const std::string& name)
{
    unsigned hash = kFnvOffset;
    for (unsigned char c : name) {
        hash ^= static_cast<unsigned char>(std::tolower(c));
        hash *= kFnvPrime;
    }
    return hash;
}

std::string FolderOf(const std::string& path)
{
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// The companion of a temporary file: the same name with another extension.
std::string RecordPathFor(const std::string& tempPath)
{
    return tempPath.substr(0, tempPath.size() - (sizeof kTempExtension - 1)) + kRecordExtension;
}

bool ReadRecord(const std::string& tempPath, ResumeRecord& record)
{
    const IniDocument ini = IniDocument::Load(RecordPathFor(tempPath));
    record.url = ini.Text(kRecordSection, "Url");
    record.etag = ini.Text(kRecordSection, "ETag");
    record.lastModified = ini.Text(kRecordSection, "Last-Modified");
    record.totalLength = std::strtoull(ini.Text(kRecordSection, "Length").c_str(), nullptr, 10);
    return !record.url.empty() && record.totalLength > 0 && !record.Validator().empty();
}


void RemoveOlderThan(const std::string& pattern, const std::string& folder, unsigned long long limit)
{
    WIN32_FIND_DATAA found;
    FindHandle find(FindFirstFileA((folder + pattern).c_str(), &found));
    if (!find) return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && FileTimeNumber(found.ftLastWriteTime) < limit)
            DeleteFileA((folder + found.cFileName).c_str());
    } while (FindNextFileA(find.get(), &found));
}

}  // namespace

ReceiveFile::~ReceiveFile()
{
    if (keep_) {
        file_.reset();
        return;
    }
    Discard();
}

bool ReceiveFile::OpenTemp(const std::string& target, DWORD disposition)
{
    // A read-only file or a folder at the target could not be replaced at the
    // end; refuse it now, before anything is transferred.
    const DWORD attributes = GetFileAttributesA(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    tempPath_ = TempPathFor(target);
    file_.reset(CreateFileA(tempPath_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, disposition,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_) {
        // Not ours: a file of that name we cannot open is left alone.
        tempPath_.clear();
        return false;
    }
    return true;
}

bool ReceiveFile::Create(const std::string& target)
{
    Discard();
    keep_ = false;
    if (!OpenTemp(target, CREATE_ALWAYS)) return false;
    DeleteFileA(RecordPathFor(tempPath_).c_str());
    return true;
}

uint64_t ReceiveFile::Reopen(const std::string& target, const std::string& url, ResumeRecord& record)
{
    Discard();
    keep_ = false;
    const std::string tempPath = TempPathFor(target);
    record = ResumeRecord();
    if (!ReadRecord(tempPath, record) || record.url != url || !OpenTemp(target, OPEN_EXISTING)) {
        RemoveLeftover(target);
        record = ResumeRecord();
        return 0;
    }
    LARGE_INTEGER end = {};
    const uint64_t held = SetFilePointerEx(file_.get(), end, &end, FILE_END) ? end.QuadPart : 0;
    // Nothing, or all of it without the commit: there is nothing to ask for.
    if (held == 0 || held >= record.totalLength) {
        Discard();
        record = ResumeRecord();
        return 0;
    }
    keep_ = true;
    return held;
}

bool ReceiveFile::Write(const char* data, DWORD size)
{
    DWORD written = 0;
    if (!WriteFile(file_.get(), data, size, &written, nullptr)) return false;
    if (written != size) {
        SetLastError(ERROR_HANDLE_DISK_FULL);
        return false;
    }
    return true;
}

uint64_t ReceiveFile::Size() const
{
    LARGE_INTEGER size = {};
    return file_ && GetFileSizeEx(file_.get(), &size) ? static_cast<uint64_t>(size.QuadPart) : 0;
}

bool ReceiveFile::AddContentTo(Sha256& hash)
{
    LARGE_INTEGER start = {};
    if (!file_ || !SetFilePointerEx(file_.get(), start, nullptr, FILE_BEGIN)) return false;
    std::vector<char> chunk(kHashChunkSize);
    DWORD got = 0;
    bool read = true;
    while ((read = ReadFile(file_.get(), chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr)) && got)
        hash.Add(chunk.data(), got);
    return SetFilePointerEx(file_.get(), start, nullptr, FILE_END) && read;
}

void ReceiveFile::KeepForResume(const ResumeRecord& record)
{
    if (tempPath_.empty()) return;
    const std::string path = RecordPathFor(tempPath_);
    // Quoted, as the profile readers strip one pair of quotes: an entity
    // tag keeps its own.
    keep_ = WriteIniText(path, kRecordSection, "Url", record.url) &&
            WriteIniText(path, kRecordSection, "ETag", "\"" + record.etag + "\"") &&
            WriteIniText(path, kRecordSection, "Last-Modified", record.lastModified) &&
            WriteIniText(path, kRecordSection, "Length", std::to_string(record.totalLength));
    if (!keep_) DeleteFileA(path.c_str());
}

bool ReceiveFile::Commit(const std::string& target)
{
    file_.reset();
    if (tempPath_.empty()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    if (!MoveFileExA(tempPath_.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED))
        return false;
    DeleteFileA(RecordPathFor(tempPath_).c_str());
    tempPath_.clear();
    keep_ = false;
    return true;
}

void ReceiveFile::Discard()
{
    const DWORD error = GetLastError();
    file_.reset();
    if (!tempPath_.empty()) {
        DeleteFileA(tempPath_.c_str());
        DeleteFileA(RecordPathFor(tempPath_).c_str());
    }
    tempPath_.clear();
    keep_ = false;
    SetLastError(error);
}

std::string ReceiveFile::TempPathFor(const std::string& target)
{
    const std::string folder = FolderOf(target);
    const std::string name = target.substr(folder.empty() ? 0 : folder.size() + 1);
    char fileName[32];
    std::snprintf(fileName, sizeof fileName, "%s%08X%s", kTempPrefix, NameHash(name), kTempExtension);
    return folder.empty() ? std::string(fileName) : folder + "\\" + fileName;
}

void ReceiveFile::RemoveLeftover(const std::string& target)
{
    const std::string tempPath = TempPathFor(target);
    DeleteFileA(tempPath.c_str());
    DeleteFileA(RecordPathFor(tempPath).c_str());
}

void ReceiveFile::RemoveStaleLeftovers(const std::string& folder, int maxAgeDays)
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const unsigned long long limit = FileTimeNumber(now) - static_cast<unsigned long long>(maxAgeDays) * kTicksPerDay;
    for (const char* pattern : {"zdl*.tmp", "zdl*.inf"}) RemoveOlderThan(pattern, folder, limit);
}
