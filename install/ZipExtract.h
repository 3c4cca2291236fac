#pragma once
#include <windows.h>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

// Unpacking of the league's zip archives over minizip's reading interface.

// The entry the archive's cursor stands on.
struct ArchiveEntryInfo {
    std::string name;     // path inside the archive, forward slashes made backslashes
    std::wstring wideName;  // a UTF-8 name converted; empty when it is not valid UTF-8
    std::string comment;
    uint32_t version = 0;             // version made by
    uint32_t versionNeeded = 0;
    uint32_t flags = 0;               // general purpose bit flags
    uint32_t compressionMethod = 0;   // 0 stored, 8 deflated
    uint32_t dosDateTime = 0;         // MS-DOS date in the high word, time in the low word
    uint32_t crc32 = 0;
    uint64_t compressedSize = 0;
    uint64_t uncompressedSize = 0;
    uint32_t internalAttributes = 0;
    uint32_t externalAttributes = 0;  // MS-DOS attributes in the low byte
    bool isFolder = false;            // MS-DOS directory bit (0x10) set, or the name ends in a slash
    bool utf8Name = false;            // flag bit 11: the name is UTF-8, not in the system's code page
    bool nameTooLong = false;         // the stored name did not fit the name buffer
};

// Entry names are read through a buffer of this many characters, terminator
// included; a UTF-8 name may take up to four bytes a character.
inline constexpr unsigned kEntryNameBufferSize = 260;
inline constexpr unsigned kUtf8NameBufferSize = 4 * kEntryNameBufferSize;
inline constexpr unsigned kEntryCommentBufferSize = 255;

// Each file is written under this suffix beside its final name and moved
// into place only once its data came out whole and its CRC matched.
inline constexpr char kPartialFileSuffix[] = ".zant-part";

// Why an archive entry name may not be written; empty when it is safe. A safe
// name is relative, has no drive, UNC or device prefix, no ".." component, no
// ":" (alternate data streams), no reserved device name (CON, NUL, COM1 ...)
// and fits the platform's path length when joined to targetFolder. A UTF-8 name is checked as it will be created:
// converted, its length counted in characters.
std::string UnsafeEntryReason(const std::string& name, const std::string& targetFolder, bool utf8Name = false);

// A file an extraction put down, as it was written: what a later check of
// the installed files compares against.
struct ExtractedFile {
    std::wstring path;        // full path
    uint32_t crc32 = 0;
    uint64_t size = 0;
    uint64_t lastWrite = 0;   // FILETIME as one number
};

class ArchiveFile;
struct PlannedEntry;
struct FileJob;
class EntryWorker;

class ArchiveExtractor {
public:
    ArchiveExtractor();
    ~ArchiveExtractor();
    ArchiveExtractor(const ArchiveExtractor&) = delete;
    ArchiveExtractor& operator=(const ArchiveExtractor&) = delete;

    // Opens the archive at path (made full first); closes any archive open before.
    bool Open(const std::string& archivePath);
    // True when the archive closed cleanly. Forgets the default target folder.
    bool Close();
    bool IsOpen() const { return archive_ != nullptr; }

    // Entries in the archive; 0 without an open archive or on error.
    int EntryCount() const;
    // Cursor moves; with a filter, the next entry whose extension (after the
    // last dot, no dot) equals it regardless of case.
    bool FirstEntry(const std::string& extensionFilter = std::string());
    bool NextEntry(const std::string& extensionFilter = std::string());
    bool ReadEntryInfo(ArchiveEntryInfo& info);

    // Extracts the entry at the cursor into targetFolder (empty: the default
    // target folder); flatten drops the entry's folders.
    bool ExtractEntry(const std::string& targetFolder, bool flatten);
    // Checks every entry, then extracts them all; the first failure ends it,
    // entries already written stay. An archive is refused whole, before
    // anything is written, for an unsafe name, a compression method other
    // than stored and deflated, an encrypted entry, entries that share their
    // data, or an end record that miscounts the central directory. While it
    // runs the status popup offers Cancel, which ends it after dropping the
    // entry being written. A second thread inflates and writes runs of
    // entries while this one writes the entries after them; what came out is
    // put in place, told and recorded here, in archive order.
    bool ExtractAll(const std::string& targetFolder, bool flatten);

    // The archive's full path without extension: a folder beside it.
    const std::string& DefaultTargetFolder() const { return defaultTarget_; }
    // Whether the last ExtractAll refused the archive (and said why).
    bool Refused() const { return refused_; }
    // Whether the last ExtractAll ended on Cancel.
    bool Cancelled() const { return cancelled_; }
    // The files the last ExtractAll wrote, in archive order.
    const std::vector<ExtractedFile>& Written() const { return written_; }

private:
    // Lower-case names in one folder, with their attributes.
    using FolderNames = std::unordered_map<std::wstring, DWORD>;

    bool MatchesFilter(const std::string& extensionFilter);
    bool PlanExtraction(const std::string& targetFolder, bool flatten, std::vector<PlannedEntry>& plan);
    bool ReadSpan(const ArchiveEntryInfo& info, std::pair<uint64_t, uint64_t>& span);
    bool RefuseDamaged();
    bool ExtractPlanned(const PlannedEntry& entry, const std::string& targetFolder, bool flatten);
    template <class Path>
    bool PrepareAs(const Path& folder, const Path& name, const ArchiveEntryInfo& info, bool flatten, FileJob& job);
    template <class Path>
    bool PrepareFile(const Path& outputPath, const ArchiveEntryInfo& info, FileJob& job);
    bool Dispatch(FileJob&& job);
    void HandOver();
    bool Commit(FileJob& job);
    // Puts in place what was written so far, in archive order; false when
    // an entry failed (and was told).
    bool Settle();
    void StartWorker(const std::vector<PlannedEntry>& plan);
    bool StopRequested();
    // EnsureFolder, once per folder and extraction: what the folder held
    // before, and what this extraction wrote into it since.
    template <class Path>
    FolderNames* KnownFolder(const Path& folder);

    void* archive_ = nullptr;  // unzFile
    std::unique_ptr<ArchiveFile> file_;
    std::string archivePath_;
    std::string defaultTarget_;
    uint64_t directoryEntries_ = 0;  // as walked, not as the end record says
    uint64_t directoryStart_ = 0;
    std::unordered_map<std::wstring, FolderNames> folders_;  // by lower-case path
    std::wstring lastFolderKey_;
    FolderNames* lastFolder_ = nullptr;
    std::vector<char> buffer_;
    uint64_t visibleEnd_ = 0;
    std::unique_ptr<EntryWorker> worker_;
    std::vector<FileJob> handed_;   // the worker's run
    std::vector<FileJob> pending_;  // written here since the run began
    std::unordered_set<std::wstring> inFlight_;  // keys of the entries not yet in place
    uint64_t gatheredBytes_ = 0;
    bool handedOut_ = false;
    std::vector<ExtractedFile> written_;
    bool refused_ = false;
    bool cancelled_ = false;
};

// Unpacks archivePath into targetFolder; false when it cannot be opened or
// any entry failed (the failures of creating and writing files and folders
// have been reported to the user).
bool ExtractArchive(const std::string& archivePath, const std::string& targetFolder, bool flatten = false);

// The same, telling apart a refused archive (already reported), where a
// second attempt is pointless, and one cancelled by the user, which ends the
// command without a message.
enum class ExtractOutcome { Extracted, Failed, Refused, Cancelled };
// With written given, it receives the files put down (also when it failed).
ExtractOutcome ExtractArchiveChecked(const std::string& archivePath, const std::string& targetFolder,
                                     bool flatten = false, std::vector<ExtractedFile>* written = nullptr);

// Creates path with every missing ancestor; false (without a message) when a
// file of that name is in the way, or with a message when creating failed twice.
bool EnsureFolder(const std::string& path);
// Creates the folder that will hold the file at path.
bool EnsureParentFolder(const std::string& path);
// Sets a file's creation and last-write times from an MS-DOS date and time
// read as local time; the last-access time is kept.
bool StampFileTime(const std::string& path, uint32_t dosDateTime);
