#pragma once
#include <windows.h>
#include <functional>
#include <string>

#include "app/Records.h"

// The folders and records settled at start-up, held by the main window for
// the life of the program.
struct LauncherEnvironment {
    bool dedicated = false;       // "VORA Dedicated.exe" lies in the sim folder
    std::string simFolder;        // the launcher's own folder, ending in a backslash
    std::string dataFolder;       // documents folder + "\ZANT Launcher\", else the sim folder
    LeagueRecord defaultLeague;
    SimInstallation installation;
    bool downloadsHidden = true;  // from "Show Downloads"

    // Holds the events file, the install caches and the series banner.
    std::string LeagueFolder() const { return dataFolder + defaultLeague.name + "\\"; }
};

// Drive and directory of a path, as _splitpath gives them ("C:" + "\a\b\").
std::string FolderOfPath(const std::string& path);

// The launcher's own executable path, empty when it cannot be read.
std::string ModuleFilePath();

// The user's documents folder, empty when there is none.
std::string DocumentsFolder();

// Settles folders, the default league, the installation number and the
// program name. documentsFolder empty: the data folder is the sim folder.
// "Delete downloaded files after they are installed", as the options store it.
bool ReadDeleteFilesSetting();

LauncherEnvironment SettleEnvironment(const std::string& modulePath, const std::string& documentsFolder);

// The number of the sim installation in simFolder: the number it was given
// before, or the next free one, recorded under "Locations".
int NumberInstallation(const std::string& simFolder);

// The sim's program as chosen by "4GBExe".
std::string SimProgramName();

// What the start-up checks need from the outside world; tests replace it.
struct StartupHooks {
    std::string directXLibrary = "d3d9.dll";
    std::string directXAddress = std::string(kDefaultWebBase) + "/DirectX9c.zip";
    // Opens an address with the shell; returns ShellExecute's result.
    std::function<INT_PTR(const std::string& address)> openAddress;
};

enum class StartupVerdict { ShowWindow, Exit };

// The environment checks that run before the window opens: an old
// installation, the dedicated server, DirectX. Sets *dedicated when the
// dedicated server lies beside the launcher.
StartupVerdict RunStartupChecks(const std::string& modulePath, const StartupHooks& hooks, bool* dedicated);
