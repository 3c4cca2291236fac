#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "install/ZipExtract.h"

// The record an archive install keeps of the files it put down, so that the
// launcher can tell later whether they still are as installed: a text file
// of one line per file, "<CRC-32> <size> <last-write time> <path>", the CRC
// as 8 hexadecimal digits, the time as the FILETIME's 16, the path (UTF-8)
// relative to the sim folder.

struct RecordedFile {
    uint32_t crc32 = 0;
    uint64_t size = 0;
    uint64_t lastWrite = 0;  // FILETIME as one number
    std::string path;        // below the sim folder, UTF-8
};

// League folder + "Installed\" + the item's cache section + ".txt".
std::string FileRecordPath(const std::string& leagueFolder, const std::string& section);

// What an extraction wrote, as the record lists it; files outside the sim
// folder (there are none) are left out.
std::vector<RecordedFile> RecordedFiles(const std::string& simFolder, const std::vector<ExtractedFile>& written);

// Writes the record whole beside its place and then moves it there; false
// when it could not be written (the old record then stays).
bool WriteFileRecord(const std::string& recordPath, const std::vector<RecordedFile>& files);
// False when there is no record; lines that are not a record's are skipped.
bool ReadFileRecord(const std::string& recordPath, std::vector<RecordedFile>& files);

// The quick check: every listed file is there with the size and last-write
// time it was installed with; nothing is read. Each folder is listed once
// and the listing serves every later question about it.
class InstalledFolders {
public:
    explicit InstalledFolders(const std::string& simFolder);
    // How many listed files are missing or differ in size or time.
    size_t ChangedFiles(const std::vector<RecordedFile>& files);

private:
    struct Stamp {
        uint64_t size;
        uint64_t lastWrite;
    };
    using Listing = std::unordered_map<std::wstring, Stamp>;  // by lower-case name
    const Listing& FolderListing(const std::wstring& folder);

    std::wstring simFolder_;
    std::unordered_map<std::wstring, Listing> folders_;  // by lower-case path
};

// The full check of one file: present, same size, same CRC-32 over all its bytes.
enum class FileCheck { Same, Changed, Missing, Cancelled };
class FileChecker {
public:
    // Called after every block read with its size; false stops the check
    // (the file then counts as Cancelled).
    using Progress = std::function<bool(uint64_t bytes)>;
    FileCheck Check(const std::string& simFolder, const RecordedFile& file, const Progress& progress);

private:
    std::vector<unsigned char> buffer_;
};

// The path of a recorded file, for the wide functions.
std::wstring RecordedFilePath(const std::string& simFolder, const RecordedFile& file);
