#pragma once
#include <string>

// The launcher's own options of the Options dialog, stored under "Options"
// when the dialog is confirmed.
struct LauncherOptions {
    bool deleteFiles = true;   // "Delete Files"
    bool fullproc = true;      // "Fullproc"
    bool highPriority = true;  // "HighPrio"
    bool bookmark = true;      // "Bookmark"
    bool use4GBExe = false;    // "4GBExe"
};

LauncherOptions ReadLauncherOptions();
void WriteLauncherOptions(const LauncherOptions& options);

// The profile the launcher uses for the installation ("Profile%i").
std::string ReadDefaultProfile(int installation);
void WriteDefaultProfile(int installation, const std::string& profile);

// Starts the sim's video configuration program from the sim folder without
// waiting for it; reports a failure itself. True when it started.
bool StartVideoConfigurationProgram(const std::string& simFolder);
