#include "simconfig/PlayerOptions.h"

#include <windows.h>

#include "app/Handles.h"
#include "app/MessageBox.h"
#include "app/Settings.h"
#include "net/ErrorText.h"

namespace {

const char kOptionsKey[] = "Options";

bool ReadFlag(const char* name, bool def)
{
    return ReadSettingNumber(name, def ? 1 : 0, kOptionsKey) != 0;
}

void WriteFlag(const char* name, bool on)
{
    WriteSettingNumber(name, on ? 1 : 0, kOptionsKey);
}

std::string DefaultProfileSetting(int installation)
{
    return "Profile" + std::to_string(installation);
}

}  // namespace

LauncherOptions ReadLauncherOptions()
{
    LauncherOptions options;
    options.deleteFiles = ReadFlag("Delete Files", true);
    options.fullproc = ReadFlag("Fullproc", true);
    options.highPriority = ReadFlag("HighPrio", true);
    options.bookmark = ReadFlag("Bookmark", true);
    options.use4GBExe = ReadFlag("4GBExe", false);
    return options;
}

void WriteLauncherOptions(const LauncherOptions& options)
{
    WriteFlag("Delete Files", options.deleteFiles);
    WriteFlag("Fullproc", options.fullproc);
    WriteFlag("HighPrio", options.highPriority);
    WriteFlag("Bookmark", options.bookmark);
    WriteFlag("4GBExe", options.use4GBExe);
}

std::string ReadDefaultProfile(int installation)
{
    return ReadSettingText(DefaultProfileSetting(installation), "", kOptionsKey);
}

void WriteDefaultProfile(int installation, const std::string& profile)
{
    WriteSettingText(DefaultProfileSetting(installation), profile, kOptionsKey);
}

bool StartVideoConfigurationProgram(const std::string& simFolder)
{
    // The program finds its files relative to the current directory.
    SetCurrentDirectoryA(simFolder.c_str());
    std::string commandLine = "\"VORA Config.exe\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr,
                        simFolder.c_str(), &startup, &process)) {
        const DWORD error = GetLastError();
        ShowMessage("Unable to run VORA Config.exe.  " + ErrorLine(error), MB_OK | MB_ICONSTOP);
        return false;
    }
    // Not waited for: the launcher stays usable while it runs.
    UniqueHandle thread(process.hThread);
    UniqueHandle handle(process.hProcess);
    return true;
}
