#include "net/ReceiveFile.h"

namespace {

constexpr char kTempPrefix[] = "zdl";

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
    const std::string folder = FolderOf(target);
    char tempPath[MAX_PATH] = "";
    if (!GetTempFileNameA(folder.empty() ? "." : folder.c_str(), kTempPrefix, 0, tempPath)) return false;
    tempPath_ = tempPath;
    file_.reset(CreateFileA(tempPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            nullptr));
    if (!file_) {
        Discard();
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
