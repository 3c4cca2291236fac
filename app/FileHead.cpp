#include "app/FileHead.h"

#include <windows.h>

#include "app/Handles.h"

bool ReadFileHead(const std::string& path, size_t limit, std::string& head)
{
    head.clear();
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    head.resize(limit);
    DWORD read = 0;
    if (limit > 0 && !ReadFile(file.get(), &head[0], static_cast<DWORD>(limit), &read, nullptr)) read = 0;
    head.resize(read);
    return true;
}
