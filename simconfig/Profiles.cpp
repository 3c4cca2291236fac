#include "simconfig/Profiles.h"

#include <windows.h>

#include "app/Handles.h"
#include "app/IniFile.h"
#include "app/MessageBox.h"
#include "simconfig/SimValues.h"

namespace {

const char kGraphicOptions[] = "Graphic Options";
const char kMultiplayerOptions[] = "Multiplayer General Options";

struct RecommendedValue {
    ProfileFile file;
    const char* section;
    const char* key;
    const char* value;
    const char* simDefault;
};

// Written in this order by the reset.
const RecommendedValue kRecommendedValues[] = {
    {ProfileFile::Multiplayer, kMultiplayerOptions, "Auto Join Chat Server", "0", "1"},
    {ProfileFile::Player, "DRIVING AIDS", "Data Acquisition Rate", "0", "8"},
    {ProfileFile::Player, "DRIVING AIDS", "Data Acquisition In Race", "0", "1"},
    {ProfileFile::Player, "DRIVING AIDS", "Data Acquisition EXE", "", "DataAnalysis.exe"},
    {ProfileFile::Player, "Race Conditions", "QUICK ParcFerme", "0", "3"},
    {ProfileFile::Player, "Sound Options", "Maximum Effects", "24", "16"},
    {ProfileFile::Player, "Sound Options", "Music", "0", "1"},
    {ProfileFile::Player, "Sound Options", "Engine Volume", "1.00000", "0.7"},
    {ProfileFile::Player, "Sound Options", "Player Volume Ratio", "1.50000", "1"},
    {ProfileFile::Player, "Sound Options", "Other Volume Ratio", "0.70000", "1"},
    {ProfileFile::Player, kGraphicOptions, "Texture Detail", "3", "1"},
    {ProfileFile::Player, kGraphicOptions, "Cockpit Vibration Mult1", "0.00000", "1.0"},
    {ProfileFile::Player, kGraphicOptions, "Cockpit Vibration Mult2", "0.00000", "1.0"},
    {ProfileFile::Player, kGraphicOptions, "HUD MFD", "2", "1"},
    {ProfileFile::Player, kGraphicOptions, "LCD Display Modes", "29", "21"},
    {ProfileFile::Player, kGraphicOptions, "Player Detail", "1", "1"},
    {ProfileFile::Player, kGraphicOptions, "Player Texture Override", "3", "-1"},
    {ProfileFile::Player, kGraphicOptions, "Opponent Detail", "1", "0"},
    {ProfileFile::Player, kGraphicOptions, "Opponent Texture Override", "3", "-1"},
    {ProfileFile::Player, kGraphicOptions, "Load Opponent Cockpits", "0", "1"},
    {ProfileFile::Player, kGraphicOptions, "Shadows", "2", "3"},
    {ProfileFile::Player, kGraphicOptions, "Special FX", "2", "3"},
    {ProfileFile::Player, kGraphicOptions, "Track Detail", "2", "1"},
    {ProfileFile::Player, kGraphicOptions, "Rearview_Front_Clip", "0.75000", "0"},
    {ProfileFile::Player, kGraphicOptions, "Rearview_Back_Clip", "1000.0000", "0"},
    {ProfileFile::Player, "Game Options", "Spotter Detail", "4", "3"},
};

bool EqualsIgnoringCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto upper = [](char c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; };
        if (upper(a[i]) != upper(b[i])) return false;
    }
    return true;
}

bool IsDotEntry(const char* name)
{
    return std::string(name) == "." || std::string(name) == "..";
}

// Whether `folder` holds a plain file named `fileName` (any case).
bool FolderHoldsFile(const std::string& folder, const std::string& fileName)
{
    WIN32_FIND_DATAA entry;
    FindHandle search(FindFirstFileA((folder + "\\*").c_str(), &entry));
    if (!search) return false;
    do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
            !IsDotEntry(entry.cFileName) && EqualsIgnoringCase(entry.cFileName, fileName))
            return true;
    } while (FindNextFileA(search.get(), &entry));
    return false;
}

bool IsDigitsOnly(const std::string& text)
{
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

}  // namespace

std::string ProfileFilePath(const std::string& simFolder, const std::string& profile)
{
    return simFolder + "Userdata\\" + profile + "\\" + profile + ".PLR";
}

std::string MultiplayerFilePath(const std::string& simFolder, const std::string& profile)
{
    return simFolder + "Userdata\\" + profile + "\\Multiplayer.ini";
}

std::string ProfileFilePath(const std::string& simFolder, const std::string& profile, ProfileFile file)
{
    return file == ProfileFile::Player ? ProfileFilePath(simFolder, profile) : MultiplayerFilePath(simFolder, profile);
}

std::string VideoConfigPath(const std::string& simFolder)
{
    return simFolder + "VORAConfig.ini";
}

bool IsUsableProfileName(const std::string& profile)
{
    if (profile.empty() || profile == "." || profile == "..") return false;
    return profile.find_first_of("\\/:") == std::string::npos;
}

std::vector<std::string> EnumerateProfiles(const std::string& simFolder)
{
    std::vector<std::string> profiles;
    std::string userData = simFolder + "UserData";
    WIN32_FIND_DATAA entry;
    FindHandle search(FindFirstFileA((userData + "\\*").c_str(), &entry));
    if (!search) return profiles;
    do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 || IsDotEntry(entry.cFileName))
            continue;
        std::string name = entry.cFileName;
        if (FolderHoldsFile(userData + "\\" + name, name + ".PLR")) profiles.push_back(name);
    } while (FindNextFileA(search.get(), &entry));
    return profiles;
}

bool ResetProfileToRecommended(const std::string& simFolder, const std::string& profile)
{
    if (!IsUsableProfileName(profile)) {
        ShowMessage("Please select a profile to reset. Run the sim to create a profile if one "
                    "does not exist.",
                    MB_OK | MB_ICONSTOP);
        return false;
    }
    if (ShowMessage("Reset the '" + profile +
                        "' profile to recommended settings?\r\nThis will change the PLR file.",
                    MB_YESNO | MB_ICONQUESTION) != IDYES)
        return false;

    for (const RecommendedValue& row : kRecommendedValues)
        WriteMarkedValue(ProfileFilePath(simFolder, profile, row.file), row.section, row.key, row.value,
                         row.simDefault);
    WriteVideoConfiguration(simFolder);
    return true;
}

void WriteVideoConfiguration(const std::string& simFolder)
{
    std::string file = VideoConfigPath(simFolder);
    for (const char* key : {"CPURating", "ObjDetail", "TexDetail"})
        WriteIniText(file, "COMPONENTS", key, "5");
}

int RearViewValue(int choice)
{
    if (choice < 0 || choice >= kRearViewChoiceCount) return -1;
    return choice == kRearViewEverything ? 15 : choice;
}

bool WriteRearView(const std::string& simFolder, const std::string& profile, int choice)
{
    int value = RearViewValue(choice);
    if (!IsUsableProfileName(profile) || value < 0) return false;
    std::string file = ProfileFilePath(simFolder, profile);
    std::string text = std::to_string(value);
    WriteMarkedValue(file, kGraphicOptions, "Self In TV Rearview", text, "0");
    WriteMarkedValue(file, kGraphicOptions, "Self In Cockpit Rearview", text, "4");
    return true;
}

bool WriteFrameRateLimit(const std::string& simFolder, const std::string& profile,
                         const std::string& text)
{
    if (!IsUsableProfileName(profile)) return false;
    // Anything but plain digits ("Unlimited", "60 fps") means no limit.
    WriteMarkedValue(ProfileFilePath(simFolder, profile), kGraphicOptions, "Max Framerate",
                     IsDigitsOnly(text) ? text : "0", "0");
    return true;
}

bool WriteTemporaryCars(const std::string& simFolder, const std::string& profile, bool on)
{
    if (!IsUsableProfileName(profile)) return false;
    WriteMarkedValue(MultiplayerFilePath(simFolder, profile), kMultiplayerOptions,
                     "Delay Vehicle Graphics", on ? "1" : "0", "1");
    return true;
}

bool WriteVirtualMirrors(const std::string& simFolder, const std::string& profile, bool on)
{
    if (!IsUsableProfileName(profile)) return false;
    WriteMarkedValue(ProfileFilePath(simFolder, profile), kGraphicOptions,
                     "Virtual Rearview In Cockpit", on ? "1" : "0", "0");
    return true;
}

void WriteSpectatorMode(const std::string& simFolder, const std::vector<std::string>& profiles,
                        bool on)
{
    std::string value = std::string("\"") + (on ? "1" : "0") +
                        "\" // Join games in spectator mode (rather than with a separate vehicle)";
    for (const std::string& profile : profiles) {
        if (IsUsableProfileName(profile))
            WriteIniText(MultiplayerFilePath(simFolder, profile), kMultiplayerOptions,
                         "Spectator Mode", value);
    }
}

std::string ReadFrameRateLimit(const std::string& simFolder, const std::string& profile)
{
    if (!IsUsableProfileName(profile)) return "0";
    return ReadSimValue(ProfileFilePath(simFolder, profile), kGraphicOptions, "Max Framerate", "0");
}

int ReadRearViewChoice(const std::string& simFolder, const std::string& profile,
                       int currentChoice)
{
    if (!IsUsableProfileName(profile)) return currentChoice;
    int value = ReadSimNumber(ProfileFilePath(simFolder, profile), kGraphicOptions,
                              "Self In Cockpit Rearview", "0");
    if (value >= 0 && value <= 6) return value;
    if (value == 15) return kRearViewEverything;
    return currentChoice;
}

bool ReadTemporaryCars(const std::string& simFolder, const std::string& profile)
{
    if (!IsUsableProfileName(profile)) return true;
    return ReadSimNumber(MultiplayerFilePath(simFolder, profile), kMultiplayerOptions,
                         "Delay Vehicle Graphics", "1") > 0;
}

bool ReadVirtualMirrors(const std::string& simFolder, const std::string& profile)
{
    if (!IsUsableProfileName(profile)) return false;
    return ReadSimNumber(ProfileFilePath(simFolder, profile), kGraphicOptions,
                         "Virtual Rearview In Cockpit", "0") > 0;
}

bool ReadSpectatorMode(const std::string& simFolder, const std::string& profile)
{
    if (!IsUsableProfileName(profile)) return false;
    return ReadSimNumber(MultiplayerFilePath(simFolder, profile), kMultiplayerOptions,
                         "Spectator Mode", "0") != 0;
}
