#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// Unpacking of the league's zip archives over minizip's reading interface.

// The entry the archive's cursor stands on.
struct ArchiveEntryInfo {
    std::string name;     // path inside the archive, forward slashes made backslashes
    std::string comment;
    uint32_t version = 0;             // version made by
    uint32_t versionNeeded = 0;
    uint32_t flags = 0;               // general purpose bit flags
    uint32_t compressionMethod = 0;   // 0 stored, 8 deflated
    uint32_t dosDateTime = 0;         // MS-DOS date in the high word, time in the low word
    uint32_t crc32 = 0;
    uint32_t compressedSize = 0;
    uint32_t uncompressedSize = 0;
    uint32_t internalAttributes = 0;
    uint32_t externalAttributes = 0;  // MS-DOS attributes in the low byte
    bool isFolder = false;            // MS-DOS directory bit (0x10) set
    bool nameTooLong = false;         // the stored name did not fit the name buffer
};

// Entry names are read through a buffer of this many characters, terminator included.
inline constexpr unsigned kEntryNameBufferSize = 260;
inline constexpr unsigned kEntryCommentBufferSize = 255;

// Each file is written under this suffix beside its final name and moved
// into place only once its data came out whole and its CRC matched.
inline constexpr char kPartialFileSuffix[] = ".zant-part";

// Why an archive entry name may not be written; empty when it is safe. A safe
// name is relative, has no drive, UNC or device prefix, no ".." component, no
// ":" (alternate data streams), no reserved device name (CON, NUL, COM1 ...)
// and fits the platform's path length when joined to targetFolder, with room
// for the partial-file suffix.
std::string UnsafeEntryReason(const std::string& name, const std::string& targetFolder);

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
    // Checks every entry's name, then extracts them all; the first failure
    // ends it, entries already written stay. An archive with an unsafe name
    // is refused whole, before anything is written.
    bool ExtractAll(const std::string& targetFolder, bool flatten);

    // The archive's full path without extension: a folder beside it.
    const std::string& DefaultTargetFolder() const { return defaultTarget_; }
    // Whether the last ExtractAll refused the archive for an unsafe entry name.
    bool RefusedUnsafe() const { return refusedUnsafe_; }

private:
    bool MatchesFilter(const std::string& extensionFilter);
    bool CheckEntryNames(const std::string& targetFolder, bool flatten);
    bool CopyEntryData(HANDLE out, const std::string& outputPath);
    // EnsureFolder, once per folder and extraction; *fresh tells whether
    // this extraction created the folder.
    bool EnsureKnownFolder(const std::string& folder, bool* fresh = nullptr);

    void* archive_ = nullptr;  // unzFile
    std::string defaultTarget_;
    std::unordered_map<std::string, bool> knownFolders_;  // created (true) or found during this extraction
    std::unordered_set<std::string> writtenFiles_;        // lower-case output paths of this extraction
    std::vector<char> buffer_;
    bool refusedUnsafe_ = false;
};

// Unpacks archivePath into targetFolder; false when it cannot be opened or
// any entry failed (the failures of creating and writing files and folders
// have been reported to the user).
bool ExtractArchive(const std::string& archivePath, const std::string& targetFolder, bool flatten = false);

// The same, telling apart a refused archive (an unsafe entry name, already
// reported): a second attempt at one is pointless.
enum class ExtractOutcome { Extracted, Failed, Refused };
ExtractOutcome ExtractArchiveChecked(const std::string& archivePath, const std::string& targetFolder,
                                     bool flatten = false);

// Creates path with every missing ancestor; false (without a message) when a
// file of that name is in the way, or with a message when creating failed twice.
bool EnsureFolder(const std::string& path);
// Creates the folder that will hold the file at path.
bool EnsureParentFolder(const std::string& path);
// Sets a file's creation and last-write times from an MS-DOS date and time
// read as local time; the last-access time is kept.
bool StampFileTime(const std::string& path, uint32_t dosDateTime);
