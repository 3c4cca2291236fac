#include "net/ReceiveFile.h"

#include <cctype>
#include <cstdio>

namespace {

constexpr char kTempPrefix[] = "zdl";
constexpr char kTempExtension[] = ".tmp";
constexpr unsigned kFnvOffset = 2166136261u;
constexpr unsigned kFnvPrime = 16777619u;

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

} // namespace

bool ReceiveFile::Create(const std::string& target)
{
    Discard();
    // A read-only file or a folder at the target could not be replaced at the
    // end; refuse it now, before anything is transferred.
    const DWORD attributes = GetFileAttributesA(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    tempPath_ = TempPathFor(target);
    file_.reset(CreateFileA(tempPath_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            nullptr));
    if (!file_) {
        // Not ours: a file of that name we cannot open is left alone.
        tempPath_.clear();
        return false;
    }
    return true;
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

bool ReceiveFile::Commit(const std::string& target)
{
    file_.reset();
    if (tempPath_.empty()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    if (!MoveFileExA(tempPath_.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED))
        return false;
    tempPath_.clear();
    return true;
}

void ReceiveFile::Discard()
{
    const DWORD error = GetLastError();
    file_.reset();
    if (!tempPath_.empty()) DeleteFileA(tempPath_.c_str());
    tempPath_.clear();
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
    DeleteFileA(TempPathFor(target).c_str());
}
