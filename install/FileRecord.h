#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
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

// The quick check: how many listed files are missing or differ in size or
// last-write time from what was installed; nothing is read. The files are
// looked at on a few threads at once: each look is a round trip to the
// system, and they add up for a large item.
size_t CountChangedFiles(const std::string& simFolder, const std::vector<RecordedFile>& files);

// The full check of one file: present, same size, same CRC-32 over all its bytes.
enum class FileCheck { Same, Changed, Missing, Cancelled };
class FileChecker {
public:
    explicit FileChecker(const std::string& simFolder);
    // Called after every block read with its size; false stops the check
    // (the file then counts as Cancelled).
    using Progress = std::function<bool(uint64_t bytes)>;
    FileCheck Check(const RecordedFile& file, const Progress& progress);

private:
    std::wstring simFolder_;
    std::vector<unsigned char> buffer_;
};
