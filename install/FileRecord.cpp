#include "install/FileRecord.h"

#include <zlib.h>

#include <atomic>
#include <cinttypes>
#include <cstdio>

#include "app/FileReplace.h"
#include "app/Handles.h"
#include "app/Parallel.h"
#include "app/WideText.h"

namespace {

// Large reads: a check runs at the disk's pace, not the system calls'.
constexpr size_t kCheckBlockSize = 1 << 20;
constexpr size_t kFilesWorthThreads = 64;

bool ParseLine(const std::string& line, RecordedFile& file)
{
    unsigned crc = 0;
    unsigned long long size = 0, lastWrite = 0;
    int pathStart = 0;
    if (std::sscanf(line.c_str(), "%8x %llu %16llx %n", &crc, &size, &lastWrite, &pathStart) != 3 ||
        pathStart <= 0)
        return false;
    file.crc32 = crc;
    file.size = size;
    file.lastWrite = lastWrite;
    file.path = line.substr(static_cast<size_t>(pathStart));
    while (!file.path.empty() && (file.path.back() == '\r' || file.path.back() == '\n')) file.path.pop_back();
    return !file.path.empty();
}

// A recorded file's path, for the wide functions.
std::wstring RecordedFilePath(const std::wstring& simFolder, const RecordedFile& file)
{
    return simFolder + Widened(file.path, CP_UTF8);
}

}  // namespace

std::string FileRecordPath(const std::string& leagueFolder, const std::string& section)
{
    return leagueFolder + "Installed\\" + section + ".txt";
}

std::vector<RecordedFile> RecordedFiles(const std::string& simFolder, const std::vector<ExtractedFile>& written)
{
    const std::wstring sim = FoldedName(Widened(simFolder, CP_ACP));
    std::vector<RecordedFile> files;
    files.reserve(written.size());
    for (const ExtractedFile& file : written) {
        if (sim.empty() || file.path.size() <= sim.size() || FoldedName(file.path.substr(0, sim.size())) != sim)
            continue;
        files.push_back({file.crc32, file.size, file.lastWrite, Narrowed(file.path.substr(sim.size()), CP_UTF8)});
    }
    return files;
}

bool WriteFileRecord(const std::string& recordPath, const std::vector<RecordedFile>& files)
{
    std::string text;
    text.reserve(files.size() * 80);
    char head[64];
    for (const RecordedFile& file : files) {
        std::snprintf(head, sizeof head, "%08X %" PRIu64 " %016" PRIX64 " ", file.crc32, file.size, file.lastWrite);
        text += head + file.path + "\r\n";
    }
    CreateDirectoryA(recordPath.substr(0, recordPath.find_last_of('\\')).c_str(), nullptr);
    return ReplaceFileContent(recordPath, text);
}

bool ReadFileRecord(const std::string& recordPath, std::vector<RecordedFile>& files)
{
    files.clear();
    std::string text;
    if (!ReadWholeFile(recordPath, text)) return false;
    for (const std::string& line : SplitLines(text)) {
        RecordedFile file;
        if (ParseLine(line, file)) files.push_back(std::move(file));
    }
    return true;
}

size_t CountChangedFiles(const std::string& simFolder, const std::vector<RecordedFile>& files)
{
    const std::wstring sim = Widened(simFolder, CP_ACP);
    std::atomic<size_t> changed{0};
    const auto look = [&](unsigned, size_t index) {
        const RecordedFile& file = files[index];
        WIN32_FILE_ATTRIBUTE_DATA found;
        if (!GetFileAttributesExW(RecordedFilePath(sim, file).c_str(), GetFileExInfoStandard, &found) ||
            (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
            JoinedNumber(found.nFileSizeHigh, found.nFileSizeLow) != file.size ||
            FileTimeNumber(found.ftLastWriteTime) != file.lastWrite)
            ++changed;
    };
    // Threads pay off only for many files.
    if (files.size() < kFilesWorthThreads)
        for (size_t index = 0; index < files.size(); ++index) look(0, index);
    else
        RunInParallel(files.size(), look);
    return changed;
}

FileChecker::FileChecker(const std::string& simFolder) : simFolder_(Widened(simFolder, CP_ACP)) {}

FileCheck FileChecker::Check(const RecordedFile& file, const Progress& progress)
{
    UniqueHandle in(CreateFileW(RecordedFilePath(simFolder_, file).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!in) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FileCheck::Missing
                                                                               : FileCheck::Changed;
    }
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(in.get(), &size) || static_cast<uint64_t>(size.QuadPart) != file.size)
        return FileCheck::Changed;
    if (buffer_.empty()) buffer_.resize(kCheckBlockSize);
    uLong crc = crc32_z(0, nullptr, 0);
    uint64_t total = 0;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(in.get(), buffer_.data(), static_cast<DWORD>(buffer_.size()), &got, nullptr))
            return FileCheck::Changed;
        if (got == 0) break;
        crc = crc32_z(crc, buffer_.data(), got);
        total += got;
        if (progress && !progress(got)) return FileCheck::Cancelled;
    }
    return total == file.size && crc == file.crc32 ? FileCheck::Same : FileCheck::Changed;
}
