// Stands in for the sim's programs (and for installers and updates) in the
// demo league: it appends the command line it was started with to
// "<program>.log" beside itself and ends, so that a start can be checked.
#include <windows.h>

#include <string>

#include "app/Handles.h"

namespace {

constexpr DWORD kPathSize = MAX_PATH;

// "C:\Sim\VORA.exe" gives "C:\Sim\VORA.log"; a name without an extension
// gets ".log" appended.
std::string LogPathFor(const std::string& program)
{
    size_t nameStart = program.find_last_of("\\/");
    size_t dot = program.find_last_of('.');
    if (dot == std::string::npos || (nameStart != std::string::npos && dot < nameStart)) return program + ".log";
    return program.substr(0, dot) + ".log";
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char program[kPathSize] = {};
    DWORD length = GetModuleFileNameA(nullptr, program, kPathSize);
    if (length == 0 || length >= kPathSize) return 1;

    UniqueHandle log(CreateFileA(LogPathFor(program).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                 OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!log) return 2;
    std::string line = std::string(GetCommandLineA()) + "\r\n";
    DWORD written = 0;
    if (!WriteFile(log.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) ||
        written != line.size())
        return 3;
    return 0;
}
