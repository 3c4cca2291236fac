#include "app/FileReplace.h"

#include <windows.h>

#include "app/Handles.h"

namespace {

constexpr DWORD kReadChunkSize = 64 * 1024;

bool WriteAll(HANDLE file, const std::string& content)
{
    size_t written = 0;
    while (written < content.size()) {
        const size_t left = content.size() - written;
        const DWORD chunk = left > kReadChunkSize ? kReadChunkSize : static_cast<DWORD>(left);
        DWORD done = 0;
        if (!WriteFile(file, content.data() + written, chunk, &done, nullptr) || done == 0) return false;
        written += done;
    }
    return true;
}

bool WriteFlushedFile(const std::string& path, const std::string& content)
{
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    return WriteAll(file.get(), content) && FlushFileBuffers(file.get());
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::string& content)
{
    content.clear();
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && ReadWholeFile(file.get(), content);
}

bool ReadWholeFile(HANDLE file, std::string& content)
{
    content.clear();
    char buffer[kReadChunkSize];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, buffer, sizeof buffer, &got, nullptr)) {
            content.clear();
            return false;
        }
        if (got == 0) return true;
        content.append(buffer, got);
    }
}

bool ReplaceFileContent(const std::string& path, const std::string& content)
{
    const std::string temp = path + ".tmp";
    if (WriteFlushedFile(temp, content) &&
        MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return true;
    }
    const DWORD error = GetLastError();
    DeleteFileA(temp.c_str());
    SetLastError(error);
    return false;
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

bool EndsInCarriageReturn(const std::string& line)
{
    return !line.empty() && line.back() == '\r';
}
