#pragma once
#include <string>

// Paths are narrow texts of at most this many characters, terminator included.
inline constexpr int kMaxPathLength = 260;

// A league whose content the launcher fetches.
struct LeagueRecord {
    int number = 0;
    std::string name;
    std::string webBase;      // HTTP address of the league web server, no trailing slash
    std::string userName;     // sent with every download for this league
    std::string password;
    bool deleteFiles = true;  // delete an item's downloaded file once it is installed
};

// The sim installation the launcher runs in.
struct SimInstallation {
    int number = 0;           // 1 or more; tells installations apart in settings and caches
    std::string simFolder;    // ends in a backslash
    std::string programName;  // "VORA.exe" or "VORA4GB.exe"
};

// The default league's name and web server.
inline constexpr char kDefaultLeagueName[] = "Gridline Leagues";
inline constexpr char kDefaultWebBase[] = ZANT_WEB_BASE;
