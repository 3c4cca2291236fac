#include "install/ArchiveFile.h"

#include <algorithm>
#include <cstring>

namespace {

// Large enough for a run of directory headers or of small entries, small
// enough that fetching one local header costs little.
constexpr size_t kWindowSize = 64 * 1024;
constexpr size_t kDirectReadSize = 16 * 1024;
// The end record's comment can be this long, and the record starts before it.
constexpr uint64_t kLongestComment = 0xFFFF;
constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr uint32_t kZip64EndSignature = 0x06064b50;
constexpr uint32_t kDirectorySignature = 0x02014b50;
constexpr size_t kZip64LocatorSize = 20;
constexpr size_t kZip64EndSize = 56;
constexpr size_t kDirectoryHeaderSize = 46;

uint64_t Little(const unsigned char* bytes, int count)
{
    uint64_t value = 0;
    for (int i = count; i-- > 0;) value = value << 8 | bytes[i];
    return value;
}

}  // namespace

bool ArchiveFile::Open(const std::string& path)
{
    file_.reset(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size = {};
    if (!file_ || !GetFileSizeEx(file_.get(), &size)) return false;
    size_ = static_cast<uint64_t>(size.QuadPart);
    return true;
}

// Reads at a position, moving the file pointer only when it is elsewhere:
// under Wine a read at an explicit offset costs several times a plain one.
DWORD ArchiveFile::ReadFrom(uint64_t position, void* data, DWORD size)
{
    if (position != filePointer_) {
        LARGE_INTEGER to = {};
        to.QuadPart = static_cast<LONGLONG>(position);
        if (!SetFilePointerEx(file_.get(), to, nullptr, FILE_BEGIN)) return 0;
        filePointer_ = position;
    }
    DWORD got = 0;
    if (!ReadFile(file_.get(), data, size, &got, nullptr)) got = 0;
    filePointer_ += got;
    return got;
}

ArchiveFile::Window* ArchiveFile::WindowHolding(uint64_t position)
{
    for (Window& window : windows_)
        if (position >= window.start && position - window.start < window.length) return &window;
    return nullptr;
}

ArchiveFile::Window& ArchiveFile::Refill(uint64_t position)
{
    Window& window = windows_[0].lastUse <= windows_[1].lastUse ? windows_[0] : windows_[1];
    window.bytes.resize(kWindowSize);
    window.start = position;
    window.length = ReadFrom(position, window.bytes.data(), static_cast<DWORD>(kWindowSize));
    return window;
}

size_t ArchiveFile::ReadAt(uint64_t position, void* data, size_t size)
{
    char* out = static_cast<char*>(data);
    // An entry's data comes in large sequential reads: straight from the
    // file, as copying it through a window costs more than it saves.
    if (size >= kDirectReadSize && !WindowHolding(position)) {
        const DWORD wanted = static_cast<DWORD>(std::min<uint64_t>(size, size_ - std::min(size_, position)));
        return ReadFrom(position, out, wanted);
    }
    size_t done = 0;
    while (done < size && position < size_) {
        Window* window = WindowHolding(position);
        if (!window) window = &Refill(position);
        if (window->length == 0) break;
        window->lastUse = ++uses_;
        const size_t offset = static_cast<size_t>(position - window->start);
        const size_t take = std::min(size - done, window->length - offset);
        std::memcpy(out + done, window->bytes.data() + offset, take);
        done += take;
        position += take;
    }
    return done;
}

zlib_filefunc64_def ArchiveFile::Functions(uint64_t visibleEnd)
{
    visibleEnd_ = visibleEnd;
    cursor_ = 0;
    zlib_filefunc64_def functions = {};
    functions.zopen64_file = OpenHook;
    functions.zread_file = ReadHook;
    functions.zwrite_file = WriteHook;
    functions.ztell64_file = TellHook;
    functions.zseek64_file = SeekHook;
    functions.zclose_file = CloseHook;
    functions.zerror_file = ErrorHook;
    functions.opaque = this;
    return functions;
}

voidpf ZCALLBACK ArchiveFile::OpenHook(voidpf opaque, const void*, int) { return opaque; }

uLong ZCALLBACK ArchiveFile::ReadHook(voidpf, voidpf stream, void* data, uLong size)
{
    ArchiveFile& file = *static_cast<ArchiveFile*>(stream);
    const size_t got = file.ReadAt(file.cursor_, data, size);
    file.cursor_ += got;
    return static_cast<uLong>(got);
}

uLong ZCALLBACK ArchiveFile::WriteHook(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T ZCALLBACK ArchiveFile::TellHook(voidpf, voidpf stream) { return static_cast<ArchiveFile*>(stream)->cursor_; }

long ZCALLBACK ArchiveFile::SeekHook(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    ArchiveFile& file = *static_cast<ArchiveFile*>(stream);
    // minizip steps back with offsets that wrap around: unsigned sums do the same.
    if (origin == ZLIB_FILEFUNC_SEEK_SET)
        file.cursor_ = offset;
    else if (origin == ZLIB_FILEFUNC_SEEK_CUR)
        file.cursor_ += offset;
    else if (origin == ZLIB_FILEFUNC_SEEK_END)
        file.cursor_ = file.visibleEnd_ + offset;
    else
        return -1;
    return 0;
}

// The extractor owns the file and closes it.
int ZCALLBACK ArchiveFile::CloseHook(voidpf, voidpf) { return 0; }

int ZCALLBACK ArchiveFile::ErrorHook(voidpf, voidpf) { return 0; }

bool FindEndRecord(ArchiveFile& file, EndRecord& end)
{
    const uint64_t size = file.Size();
    if (size < kEndRecordSize) return false;
    const uint64_t first = size - std::min(size, kEndRecordSize + kLongestComment);
    std::vector<unsigned char> tail(static_cast<size_t>(size - first));
    if (file.ReadAt(first, tail.data(), tail.size()) != tail.size()) return false;
    // The last record whose comment reaches the end of the file, else (bytes
    // appended to the archive) the last record at all.
    size_t found = tail.size();
    for (size_t at = tail.size() - kEndRecordSize + 1; at-- > 0;) {
        if (Little(&tail[at], 4) != kEndSignature) continue;
        if (found == tail.size()) found = at;
        if (at + kEndRecordSize + Little(&tail[at + 20], 2) == tail.size()) {
            found = at;
            break;
        }
    }
    if (found == tail.size()) return false;
    end.position = first + found;
    end.directoryEnd = end.position;
    end.directorySize = Little(&tail[found + 12], 4);

    // A zip64 archive: the locator right before the end record leads to the
    // zip64 end record, which holds the directory's real size.
    unsigned char locator[kZip64LocatorSize], record[kZip64EndSize];
    if (end.position < kZip64LocatorSize ||
        file.ReadAt(end.position - kZip64LocatorSize, locator, sizeof locator) != sizeof locator ||
        Little(locator, 4) != kZip64LocatorSignature)
        return true;
    end.directoryEnd = Little(locator + 8, 8);
    if (file.ReadAt(end.directoryEnd, record, sizeof record) != sizeof record ||
        Little(record, 4) != kZip64EndSignature)
        return false;
    end.directorySize = Little(record + 40, 8);
    return true;
}

uint64_t CountDirectoryEntries(ArchiveFile& file, const EndRecord& end)
{
    if (end.directorySize > end.directoryEnd) return kNoDirectory;
    uint64_t at = end.directoryEnd - end.directorySize, count = 0;
    unsigned char header[kDirectoryHeaderSize];
    while (at < end.directoryEnd) {
        if (end.directoryEnd - at < sizeof header || file.ReadAt(at, header, sizeof header) != sizeof header ||
            Little(header, 4) != kDirectorySignature)
            return kNoDirectory;
        at += sizeof header + Little(header + 28, 2) + Little(header + 30, 2) + Little(header + 32, 2);
        ++count;
    }
    return at == end.directoryEnd ? count : kNoDirectory;
}
