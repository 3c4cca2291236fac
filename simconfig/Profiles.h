#pragma once
#include <string>
#include <vector>

// The sim's player profiles and the single settings the Options dialog edits.
// Every operation takes the sim folder (ending in a backslash); an operation
// on no profile (an empty name) writes nothing.

std::string ProfileFilePath(const std::string& simFolder, const std::string& profile);
std::string MultiplayerFilePath(const std::string& simFolder, const std::string& profile);
// The two settings files every profile has, the dedicated server's included.
enum class ProfileFile { Player, Multiplayer };
std::string ProfileFilePath(const std::string& simFolder, const std::string& profile, ProfileFile file);
std::string VideoConfigPath(const std::string& simFolder);

// A name the settings operations accept: not empty, and one plain folder
// name, so no write can leave the profile's folder.
bool IsUsableProfileName(const std::string& profile);

// The folders below "UserData" that hold a file named after the folder plus
// ".PLR" (any case), in the order of the directory search.
std::vector<std::string> EnumerateProfiles(const std::string& simFolder);

// "Reset Defaults...": refuses without a profile, asks, then writes the
// recommended values into the profile's two files and the video
// configuration. True when it wrote.
bool ResetProfileToRecommended(const std::string& simFolder, const std::string& profile);

// "VORAConfig.ini", section "COMPONENTS": the bare value 5 for "CPURating",
// "ObjDetail" and "TexDetail".
void WriteVideoConfiguration(const std::string& simFolder);

// The eight choices of the self-in-rear-view list; the values are bit sets
// (1 rear wing and wheels, 2 body and suspension, 4 cockpit).
inline constexpr int kRearViewChoiceCount = 8;
inline constexpr int kRearViewEverything = 7;  // the choice written as 15
int RearViewValue(int choice);                 // -1 for no such choice

// Writers; false when nothing was written (no profile, no such choice).
bool WriteRearView(const std::string& simFolder, const std::string& profile, int choice);
bool WriteFrameRateLimit(const std::string& simFolder, const std::string& profile,
                         const std::string& text);
bool WriteTemporaryCars(const std::string& simFolder, const std::string& profile, bool on);
bool WriteVirtualMirrors(const std::string& simFolder, const std::string& profile, bool on);
// Spectator mode is one setting of all profiles.
void WriteSpectatorMode(const std::string& simFolder, const std::vector<std::string>& profiles,
                        bool on);

// Readers, each value cleaned; a missing file or key reads as the sim's
// default. With no profile they return that default too.
std::string ReadFrameRateLimit(const std::string& simFolder, const std::string& profile);
// The choice the profile's "Self In Cockpit Rearview" selects, or
// `currentChoice` when its value selects none.
int ReadRearViewChoice(const std::string& simFolder, const std::string& profile,
                       int currentChoice);
bool ReadTemporaryCars(const std::string& simFolder, const std::string& profile);
bool ReadVirtualMirrors(const std::string& simFolder, const std::string& profile);
bool ReadSpectatorMode(const std::string& simFolder, const std::string& profile);
