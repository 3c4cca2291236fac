#include "install/ZipExtract.h"

#include <unzip.h>

#include <algorithm>

#include "app/Handles.h"
#include "app/MessageBox.h"
#include "app/Records.h"
#include "install/SafePaths.h"
#include "net/ErrorText.h"
#include "net/StatusPopup.h"

namespace {

// Large blocks keep the write calls few: under Wine each one is a round
// trip, and 256 KiB already moves at the disk's pace.
constexpr size_t kCopyBufferSize = 256 * 1024;
// A folder that cannot be created is tried once more after this pause: a
// virus scanner may still hold a folder of the same name being deleted.
constexpr DWORD kFolderRetryDelayMs = 1000;
constexpr DWORD kDosDirectoryBit = 0x10;

unzFile AsZip(void* archive) { return static_cast<unzFile>(archive); }

std::string JoinPath(const std::string& folder, const std::string& name)
{
    if (folder.empty() || folder.back() == '\\' || folder.back() == '/') return folder + name;
    return folder + "\\" + name;
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

std::string BaseNameAndExtension(const std::string& name)
{
    const size_t cut = name.find_last_of("\\/");
    return cut == std::string::npos ? name : name.substr(cut + 1);
}

bool DosTimeToUtc(uint32_t dosDateTime, FILETIME& utc)
{
    FILETIME local;
    return DosDateTimeToFileTime(HIWORD(dosDateTime), LOWORD(dosDateTime), &local) &&
           LocalFileTimeToFileTime(&local, &utc);
}

}  // namespace

std::string UnsafeEntryReason(const std::string& name, const std::string& targetFolder)
{
    if (name.empty()) return "empty name";
    if (!IsConfinedRelativePath(name, false, true)) return "leaves the target folder";
    const size_t longest = JoinPath(targetFolder, name).size() + sizeof kPartialFileSuffix - 1;
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
    archive_ = unzOpen(full);
    if (!archive_) return false;
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
    unzCloseCurrentFile(AsZip(archive_));
    const bool closed = unzClose(AsZip(archive_)) == UNZ_OK;
    archive_ = nullptr;
    defaultTarget_.clear();
    knownFolders_.clear();
    return closed;
}

int ArchiveExtractor::EntryCount() const
{
    if (!archive_) return 0;
    unz_global_info info = {};
    if (unzGetGlobalInfo(AsZip(archive_), &info) != UNZ_OK) return 0;
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
    unz_file_info raw = {};
    char name[kEntryNameBufferSize] = {};
    char comment[kEntryCommentBufferSize] = {};
    if (unzGetCurrentFileInfo(AsZip(archive_), &raw, name, sizeof name, nullptr, 0, comment, sizeof comment) !=
        UNZ_OK)
        return false;
    // minizip leaves a name that fills the buffer unterminated: take only
    // what was stored, and never more than the buffer holds.
    info.nameTooLong = raw.size_filename >= sizeof name;
    info.name.assign(name, std::min<size_t>(raw.size_filename, sizeof name - 1));
    info.comment.assign(comment, std::min<size_t>(raw.size_file_comment, sizeof comment - 1));
    std::replace(info.name.begin(), info.name.end(), '/', '\\');
    info.version = static_cast<uint32_t>(raw.version);
    info.versionNeeded = static_cast<uint32_t>(raw.version_needed);
    info.flags = static_cast<uint32_t>(raw.flag);
    info.compressionMethod = static_cast<uint32_t>(raw.compression_method);
    info.dosDateTime = static_cast<uint32_t>(raw.dosDate);
    info.crc32 = static_cast<uint32_t>(raw.crc);
    info.compressedSize = static_cast<uint32_t>(raw.compressed_size);
    info.uncompressedSize = static_cast<uint32_t>(raw.uncompressed_size);
    info.internalAttributes = static_cast<uint32_t>(raw.internal_fa);
    info.externalAttributes = static_cast<uint32_t>(raw.external_fa);
    info.isFolder = (info.externalAttributes & kDosDirectoryBit) != 0;
    return true;
}

bool ArchiveExtractor::EnsureKnownFolder(const std::string& folder, bool* fresh)
{
    auto known = knownFolders_.find(folder);
    if (known == knownFolders_.end()) {
        const bool existed = GetFileAttributesA(folder.c_str()) != INVALID_FILE_ATTRIBUTES;
        if (!EnsureFolder(folder)) return false;
        known = knownFolders_.emplace(folder, !existed).first;
    }
    if (fresh) *fresh = known->second;
    return true;
}

bool ArchiveExtractor::CopyEntryData(HANDLE out, const std::string& outputPath)
{
    if (buffer_.empty()) buffer_.resize(kCopyBufferSize);
    for (;;) {
        const int got = unzReadCurrentFile(AsZip(archive_), buffer_.data(), static_cast<unsigned>(buffer_.size()));
        if (got == 0) return true;
        if (got < 0) return false;
        DWORD written = 0;
        if (!WriteFile(out, buffer_.data(), static_cast<DWORD>(got), &written, nullptr) ||
            written != static_cast<DWORD>(got)) {
            const DWORD error = GetLastError();
            ReportFailure(FailureText("Failed to write file", outputPath, error));
            return false;
        }
    }
}

bool ArchiveExtractor::ExtractEntry(const std::string& targetFolder, bool flatten)
{
    const std::string folder = targetFolder.empty() ? defaultTarget_ : targetFolder;
    if (!archive_ || folder.empty() || !EnsureKnownFolder(folder)) return false;
    ArchiveEntryInfo info;
    if (!ReadEntryInfo(info)) return false;
    if (!UnsafeEntryReason(info.name, folder).empty() || info.nameTooLong) return false;
    if (info.isFolder) {
        std::string path = JoinPath(folder, info.name);
        while (path.size() > 1 && path.back() == '\\') path.pop_back();
        return EnsureKnownFolder(path);
    }

    const std::string outputPath = JoinPath(folder, flatten ? BaseNameAndExtension(info.name) : info.name);
    const size_t cut = outputPath.find_last_of('\\');
    bool freshFolder = false;
    if (cut == std::string::npos || !EnsureKnownFolder(outputPath.substr(0, cut), &freshFolder)) return false;

    // In a folder this extraction created, no earlier file can be lost: the
    // data goes straight to its name and a broken entry is deleted. Anywhere
    // else it goes to a file beside the final one first, so that a broken
    // entry neither passes for good nor destroys the file it would replace.
    std::string key = outputPath;
    CharLowerBuffA(&key[0], static_cast<DWORD>(key.size()));
    const bool direct = freshFolder && writtenFiles_.insert(key).second;
    if (!direct) {
        // A read-only file (or a folder) in the way is not replaced: Wine's
        // move would replace a read-only file that Windows keeps.
        const DWORD existing = GetFileAttributesA(outputPath.c_str());
        if (existing != INVALID_FILE_ATTRIBUTES &&
            (existing & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
            ReportFailure(FailureText("Failed to create file", outputPath, ERROR_ACCESS_DENIED));
            return false;
        }
    }
    const std::string partPath = direct ? outputPath : outputPath + kPartialFileSuffix;
    UniqueHandle out(CreateFileA(partPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                 nullptr));
    if (!out) {
        ReportFailure(FailureText("Failed to create file", outputPath, GetLastError()));
        return false;
    }
    if (unzOpenCurrentFile(AsZip(archive_)) != UNZ_OK) {
        out.reset();
        DeleteFileA(partPath.c_str());
        return false;
    }
    bool whole = CopyEntryData(out.get(), outputPath);
    // Closing the entry is where minizip tells a CRC mismatch.
    whole = unzCloseCurrentFile(AsZip(archive_)) == UNZ_OK && whole;
    if (whole) {
        // Stamped on the open handle: one open less per file; the move keeps the times.
        FILETIME stamp;
        if (DosTimeToUtc(info.dosDateTime, stamp)) SetFileTime(out.get(), &stamp, nullptr, &stamp);
    }
    out.reset();
    if (!whole) {
        DeleteFileA(partPath.c_str());
        return false;
    }
    if (!direct && !MoveFileExA(partPath.c_str(), outputPath.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        const DWORD error = GetLastError();
        DeleteFileA(partPath.c_str());
        ReportFailure(FailureText("Failed to create file", outputPath, error));
        return false;
    }
    return true;
}

bool ArchiveExtractor::CheckEntryNames(const std::string& targetFolder, bool flatten)
{
    for (bool more = FirstEntry(); more; more = NextEntry()) {
        ArchiveEntryInfo info;
        if (!ReadEntryInfo(info)) return false;
        const std::string written = flatten && !info.isFolder ? BaseNameAndExtension(info.name) : info.name;
        if (info.nameTooLong || !UnsafeEntryReason(written, targetFolder).empty() ||
            (flatten && !UnsafeEntryReason(info.name, targetFolder).empty())) {
            refusedUnsafe_ = true;
            ReportFailure("Unable to unzip file. Unsafe path in archive (" + info.name + ").");
            return false;
        }
    }
    return true;
}

bool ArchiveExtractor::ExtractAll(const std::string& targetFolder, bool flatten)
{
    refusedUnsafe_ = false;
    if (!archive_ || targetFolder.empty()) return false;
    knownFolders_.clear();
    writtenFiles_.clear();
    if (!EnsureKnownFolder(targetFolder)) return false;
    if (EntryCount() == 0) return false;
    if (!CheckEntryNames(targetFolder, flatten)) return false;
    if (!FirstEntry() || !ExtractEntry(targetFolder, flatten)) return false;
    while (NextEntry())
        if (!ExtractEntry(targetFolder, flatten)) return false;
    return true;
}

ExtractOutcome ExtractArchiveChecked(const std::string& archivePath, const std::string& targetFolder, bool flatten)
{
    ArchiveExtractor extractor;
    if (!extractor.Open(archivePath)) return ExtractOutcome::Failed;
    if (extractor.ExtractAll(targetFolder, flatten)) return ExtractOutcome::Extracted;
    return extractor.RefusedUnsafe() ? ExtractOutcome::Refused : ExtractOutcome::Failed;
}

bool ExtractArchive(const std::string& archivePath, const std::string& targetFolder, bool flatten)
{
    return ExtractArchiveChecked(archivePath, targetFolder, flatten) == ExtractOutcome::Extracted;
}

bool EnsureFolder(const std::string& path)
{
    if (path.empty()) return false;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const size_t cut = path.find_last_of('\\');
    if (cut != std::string::npos && cut > 0 && !EnsureFolder(path.substr(0, cut))) return false;
    if (CreateDirectoryA(path.c_str(), nullptr)) return true;
    const DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS) return true;
    Sleep(kFolderRetryDelayMs);
    if (CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) return true;
    ReportFailure(FailureText("Failed to create folder file", path, error));
    return false;
}

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
