#pragma once
#include <windows.h>
#include <ioapi.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/Handles.h"

// A zip archive file as minizip reads it. minizip reads its records a few
// bytes at a time and goes back and forth between the central directory and
// the entries' data: two cached windows serve those reads instead of a
// system call each.
class ArchiveFile {
public:
    bool Open(const std::string& path);
    uint64_t Size() const { return size_; }
    // Up to size bytes from position; fewer only at the end of the file.
    size_t ReadAt(uint64_t position, void* data, size_t size);

    // minizip's file functions over this file, which must outlive their use.
    // minizip looks for the end record only in the 64 KiB before what it
    // takes for the end of the file, so a longer archive comment would hide
    // it: visibleEnd is where the end record ends.
    zlib_filefunc64_def Functions(uint64_t visibleEnd);

private:
    static voidpf ZCALLBACK OpenHook(voidpf opaque, const void* path, int mode);
    static uLong ZCALLBACK ReadHook(voidpf opaque, voidpf stream, void* data, uLong size);
    static uLong ZCALLBACK WriteHook(voidpf opaque, voidpf stream, const void* data, uLong size);
    static ZPOS64_T ZCALLBACK TellHook(voidpf opaque, voidpf stream);
    static long ZCALLBACK SeekHook(voidpf opaque, voidpf stream, ZPOS64_T offset, int origin);
    static int ZCALLBACK CloseHook(voidpf opaque, voidpf stream);
    static int ZCALLBACK ErrorHook(voidpf opaque, voidpf stream);

    struct Window {
        uint64_t start = 0;
        size_t length = 0;
        unsigned lastUse = 0;
        std::vector<char> bytes;
    };
    DWORD ReadFrom(uint64_t position, void* data, DWORD size);
    Window* WindowHolding(uint64_t position);
    Window& Refill(uint64_t position);

    UniqueHandle file_;
    uint64_t size_ = 0;
    Window windows_[2];
    unsigned uses_ = 0;
    uint64_t cursor_ = 0;  // minizip's reading position
    uint64_t filePointer_ = 0;  // where the handle's own position stands
    uint64_t visibleEnd_ = 0;
};

inline constexpr uint64_t kEndRecordSize = 22;

// Where the archive's end record lies and where the central directory it
// names lies: right before it, or before the zip64 end record.
struct EndRecord {
    uint64_t position = 0;
    uint64_t directoryEnd = 0;
    uint64_t directorySize = 0;
};

// Finds the end record anywhere its comment allows (the last 64 KiB and 22
// bytes); false when there is none.
bool FindEndRecord(ArchiveFile& file, EndRecord& end);

// The entries in the central directory, walked header by header, whatever
// the end record claims; kNoDirectory when its bytes are not a run of entry
// headers that fills it exactly.
inline constexpr uint64_t kNoDirectory = ~uint64_t(0);
uint64_t CountDirectoryEntries(ArchiveFile& file, const EndRecord& end);
