#include "app/Startup.h"

#include <shellapi.h>
#include <shlobj.h>
#include <cstdlib>

#include "app/Handles.h"
#include "app/MessageBox.h"
#include "app/Settings.h"

namespace {

// A sim launcher left over from an older installation ships a much larger
// library of this name.
constexpr double kOldInstallationLibrarySize = 1000000.0;

UniqueHandle OpenForReading(const std::string& path)
{
    return UniqueHandle(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool IsOldInstallation(const std::string& libraryPath)
{
    UniqueHandle file = OpenForReading(libraryPath);
    if (!file) return false;
    DWORD high = 0;
    const DWORD low = GetFileSize(file.get(), &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return false;
    const double size = static_cast<double>(high) * 4294967296.0 + static_cast<double>(low);
    return size > kOldInstallationLibrarySize;
}

INT_PTR OpenWithShell(const std::string& address)
{
    return reinterpret_cast<INT_PTR>(
        ShellExecuteA(nullptr, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
}

}  // namespace

std::string FolderOfPath(const std::string& path)
{
    char drive[_MAX_DRIVE] = {};
    char dir[_MAX_DIR] = {};
    _splitpath(path.c_str(), drive, dir, nullptr, nullptr);
    return std::string(drive) + dir;
}

std::string ModuleFilePath()
{
    char path[kMaxPathLength] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    // A path cut at the buffer's end is no path.
    if (length == 0 || length >= sizeof path) return std::string();
    return path;
}

std::string DocumentsFolder()
{
    char path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, path))) return std::string();
    return path;
}

int NumberInstallation(const std::string& simFolder)
{
    int number = ReadSettingNumber(simFolder, 0, "Locations");
    if (number == 0) {
        number = ReadSettingNumber("Count", 0, "Locations") + 1;
        WriteSettingNumber("Count", number, "Locations");
        WriteSettingNumber(simFolder, number, "Locations");
    }
    return number;
}

std::string SimProgramName()
{
    return ReadSettingNumber("4GBExe", 0, "Options") != 0 ? "VORA4GB.exe" : "VORA.exe";
}

bool ReadDeleteFilesSetting() { return ReadSettingNumber("Delete Files", 1, "Options") != 0; }

LauncherEnvironment SettleEnvironment(const std::string& modulePath, const std::string& documentsFolder)
{
    LauncherEnvironment env;
    env.simFolder = modulePath.empty() ? std::string() : FolderOfPath(modulePath);
    env.dataFolder = env.simFolder;
    if (!documentsFolder.empty()) {
        env.dataFolder = documentsFolder + "\\ZANT Launcher\\";
        CreateDirectoryA(env.dataFolder.c_str(), nullptr);  // may exist already
    }

    env.defaultLeague.number = 0;
    env.defaultLeague.name = kDefaultLeagueName;
    env.defaultLeague.webBase = kDefaultWebBase;
    env.defaultLeague.deleteFiles = ReadDeleteFilesSetting();
    env.downloadsHidden = ReadSettingNumber("Show Downloads", 0, "Options") == 0;

    env.installation.number = NumberInstallation(env.simFolder);
    env.installation.simFolder = env.simFolder;
    env.installation.programName = SimProgramName();
    return env;
}

StartupVerdict RunStartupChecks(const std::string& modulePath, const StartupHooks& hooks, bool* dedicated)
{
    if (!modulePath.empty()) {
        const std::string folder = FolderOfPath(modulePath);
        if (IsOldInstallation(folder + "libleverage.dll")) {
            ShowMessage("It appears the ZANT Launcher is being run from a previous VORA installation. "
                        "The ZANT Launcher will now exit.",
                        MB_OK | MB_ICONSTOP);
            return StartupVerdict::Exit;
        }
        if (OpenForReading(folder + "VORA Dedicated.exe")) *dedicated = true;
    }

    if (!*dedicated) {
        LibraryHandle directX(LoadLibraryExA(hooks.directXLibrary.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
        if (!directX &&
            ShowMessage("This system does not appear to have DirectX 9 installed. Download DirectX 9 now?",
                        MB_YESNO | MB_ICONSTOP) == IDYES) {
            const INT_PTR result =
                hooks.openAddress ? hooks.openAddress(hooks.directXAddress) : OpenWithShell(hooks.directXAddress);
            if (result <= 32) {
                char text[128];
                wsprintfA(text, "An error occured while downloading DirectX9.  Error code: %i\n",
                          static_cast<int>(result));
                ShowMessage(text, MB_OK | MB_ICONSTOP);
            }
            // Either way the browser (or nothing) takes over: the window never opens.
            return StartupVerdict::Exit;
        }
    }
    return StartupVerdict::ShowWindow;
}
