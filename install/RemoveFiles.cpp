#include "install/RemoveFiles.h"

#include <windows.h>

#include "app/Handles.h"
#include "app/MessageBox.h"
#include "app/Startup.h"
#include "net/ErrorText.h"

namespace {

// A second attempt at removing a folder waits this long: a virus scanner or
// an indexer often still holds a handle to a file just deleted inside it.
constexpr DWORD kFolderRetryDelayMs = 1000;

// What a search start may fail with when there is simply nothing there.
bool IsNothingThere(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_NOT_READY ||
           error == ERROR_INVALID_DRIVE;
}

// Shows a deletion warning; true when the user wants the step tried again.
bool AskRetry(const std::string& text)
{
    return ShowMessage(text, MB_ABORTRETRYIGNORE) == IDRETRY;
}

std::string WithError(const std::string& text, DWORD error)
{
    return text + ErrorLine(error);
}

bool HasWildcard(const std::string& path)
{
    return path.find_first_of("*?") != std::string::npos;
}

std::string JoinPath(const std::string& folder, const std::string& name)
{
    if (folder.empty() || folder.back() == '\\') return folder + name;
    return folder + "\\" + name;
}

bool IsDotEntry(const char* name)
{
    return lstrcmpiA(name, ".") == 0 || lstrcmpiA(name, "..") == 0;
}

// Clears the read-only bit and keeps every other attribute.
bool ClearReadOnly(const std::string& path, DWORD attributes)
{
    if (!(attributes & FILE_ATTRIBUTE_READONLY)) return true;
    return SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY) != FALSE;
}

// The directory component of a path without its drive, as _splitpath gives it.
std::string DirectoryOfPattern(const std::string& pattern)
{
    char dir[_MAX_DIR] = {};
    _splitpath(pattern.c_str(), nullptr, dir, nullptr, nullptr);
    return dir;
}

// A folder link: entering it would delete another tree's contents.
bool IsLink(DWORD attributes)
{
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Removes a folder link itself, never what it leads to. Giving up on a link
// leaves it and goes on with the folder's other entries.
void RemoveLink(const std::string& path)
{
    while (!RemoveDirectoryA(path.c_str())) {
        if (!AskRetry("Warning: Unable to delete folder: " + path)) return;
    }
}

// False when the user gave up on the file.
bool DeleteOneFile(const std::string& file, DWORD attributes)
{
    while (!ClearReadOnly(file, attributes)) {
        if (!AskRetry(WithError("Warning: Unable to delete file: " + file + "\r\nUnable to set attributes on file.\r\n",
                                GetLastError())))
            return false;
    }
    while (!DeleteFileA(file.c_str())) {
        if (!AskRetry(WithError("Warning: Unable to delete file: " + file + "\r\n", GetLastError()))) return false;
    }
    return true;
}

// Removes the emptied folder, with one automatic second try.
void RemoveEmptiedFolder(const std::string& path)
{
    for (;;) {
        // A folder gone meanwhile is left to the removal below to report.
        const DWORD attributes = GetFileAttributesA(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || ClearReadOnly(path, attributes)) break;
        if (!AskRetry("Warning: Unable to delete folder: " + path + ". Unable to set attributes on folder.")) return;
    }
    for (;;) {
        if (RemoveDirectoryA(path.c_str())) return;
        Sleep(kFolderRetryDelayMs);
        if (RemoveDirectoryA(path.c_str())) return;
        if (!AskRetry("Warning: Unable to delete folder: " + path)) return;
    }
}

}  // namespace

void DeleteMatchingFiles(const std::string& pattern)
{
    const std::string folder = FolderOfPath(pattern);
    WIN32_FIND_DATAA entry = {};
    FindHandle search;
    for (;;) {
        search.reset(FindFirstFileA(pattern.c_str(), &entry));
        if (search) break;
        const DWORD error = GetLastError();
        if (IsNothingThere(error)) return;
        const std::string text = "Warning: Unable to delete file: " + pattern + "\r\nUnable to enumerate first file.\r\n";
        if (!AskRetry(WithError(text, error))) return;
    }
    for (;;) {
        const bool isFolder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (!IsDotEntry(entry.cFileName) && !isFolder &&
            !DeleteOneFile(JoinPath(folder, entry.cFileName), entry.dwFileAttributes))
            return;
        for (;;) {
            if (FindNextFileA(search.get(), &entry)) break;
            const DWORD error = GetLastError();
            if (error == ERROR_NO_MORE_FILES) return;
            if (!AskRetry(WithError("Warning: Unable to delete files in " + DirectoryOfPattern(pattern) +
                                        "\r\nUnable to enumerate files.\r\n",
                                    error)))
                return;
        }
    }
}

void DeleteFolderTree(const std::string& path)
{
    const bool wildcard = HasWildcard(path);
    if (!wildcard && IsLink(GetFileAttributesA(path.c_str()))) {
        RemoveLink(path);
        return;
    }
    const std::string pattern = wildcard ? path : JoinPath(path, "*");
    const std::string base = wildcard ? FolderOfPath(path) : path;
    const std::string warning = "Warning: Unable to delete folder: " + path;

    WIN32_FIND_DATAA entry = {};
    FindHandle search;
    for (;;) {
        search.reset(FindFirstFileA(pattern.c_str(), &entry));
        if (search) break;
        if (IsNothingThere(GetLastError())) return;
        if (!AskRetry("Warning: Unable to delete folder:" + path + ".  Unable to enumerate first file.")) return;
    }
    for (bool more = true; more;) {
        if (!IsDotEntry(entry.cFileName)) {
            const std::string item = JoinPath(base, entry.cFileName);
            if (IsLink(entry.dwFileAttributes) && (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                RemoveLink(item);
            } else if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                DeleteFolderTree(item);
            } else {
                bool gaveUp = false;
                while (!gaveUp && !ClearReadOnly(item, entry.dwFileAttributes))
                    gaveUp = !AskRetry(warning + ".  Unable to set attributes on file: " + item);
                while (!gaveUp && !DeleteFileA(item.c_str()))
                    gaveUp = !AskRetry(warning + ". Unable to delete file: " + item);
                if (gaveUp) return;
            }
        }
        for (;;) {
            if (FindNextFileA(search.get(), &entry)) break;
            if (GetLastError() == ERROR_NO_MORE_FILES) {
                more = false;
                break;
            }
            if (!AskRetry(warning + ". Unable to enumerate files.")) return;
        }
    }
    search.reset();
    if (wildcard) return;
    RemoveEmptiedFolder(path);
}
