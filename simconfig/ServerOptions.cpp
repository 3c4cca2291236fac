#include "simconfig/ServerOptions.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include <windows.h>

#include "app/IniFile.h"
#include "simconfig/ModFiles.h"
#include "simconfig/Profiles.h"
#include "simconfig/SimValues.h"

namespace {

const char kGeneralOptions[] = "Multiplayer General Options";
const char kServerOptions[] = "Multiplayer Server Options";
const char kRaceConditions[] = "Race Conditions";
const char kPortComment[] = "// range is 1025 - 65535";
const char kCautionLapsKey[] = "CountCautionLaps";

constexpr int kFirstPracticeMinutes = 6 * 60;
constexpr int kPracticeStepMinutes = 30;
constexpr int kDelaySeconds[kDelayChoiceCount] = {0, 60, 300, 600, 900, 1800};
const char* const kDelayTexts[kDelayChoiceCount] = {"None",       "1 minute",   "5 minutes", "10 minutes",
                                                    "15 minutes (default)", "30 minutes"};

// The mod files whose rule the dialog shows, in the order they are asked.
const char* const kCautionLapMods[] = {"CUP", "TRUCK", "VORA", "NW"};

struct SwitchKey {
    ProfileFile file;
    const char* section;
    const char* key;
    const char* readDefault;
    const char* markDefault;
};

SwitchKey KeyOf(ServerSwitch setting)
{
    switch (setting) {
    case ServerSwitch::MustBeStopped:
        return {ProfileFile::Multiplayer, kServerOptions, "Must Be Stopped", "0", "0"};
    case ServerSwitch::AllowSpectators:
        return {ProfileFile::Multiplayer, kServerOptions, "Allow Spectators", "1", "1"};
    case ServerSwitch::AllowSpectatorChat:
        return {ProfileFile::Multiplayer, kServerOptions, "Allow Spectator Chat", "1", "1"};
    case ServerSwitch::PrivateQualifying:
        return {ProfileFile::Player, kRaceConditions, "MULTI PrivateQualifying", "1", "1"};
    case ServerSwitch::Impound:
    default:
        // The sim's own default for impound is on although a missing key reads as off.
        return {ProfileFile::Player, kRaceConditions, "MULTI ParcFerme", "0", "1"};
    }
}

// A sim whose dedicated server never ran has no profile folder yet, and the
// settings written for it would silently go nowhere.
void MakeServerProfileFolder(const std::string& simFolder)
{
    const std::string userData = simFolder + "Userdata";
    CreateDirectoryA(userData.c_str(), nullptr);
    CreateDirectoryA((userData + "\\" + kServerProfileName).c_str(), nullptr);
}

std::string ServerFilePath(const std::string& simFolder, ProfileFile file)
{
    return ProfileFilePath(simFolder, kServerProfileName, file);
}

bool ReadSwitch(const std::string& simFolder, ServerSwitch setting)
{
    const SwitchKey key = KeyOf(setting);
    return ReadSimNumber(ServerFilePath(simFolder, key.file), key.section, key.key, key.readDefault) != 0;
}

bool ReadCautionLapsRule(const std::string& simFolder)
{
    for (const char* mod : kCautionLapMods)
        if (GetModFileValue(simFolder, mod, kCautionLapsKey) == "0") return false;
    return true;
}

std::string Trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

ServerOptions ReadServerOptions(const std::string& simFolder)
{
    ServerOptions options;
    const std::string multiplayer = ServerFilePath(simFolder, ProfileFile::Multiplayer);
    options.port = ReadSimNumber(multiplayer, kGeneralOptions, "Query Port Start", "0");
    options.practiceStart = PracticeStartChoice(ReadSimNumber(
        ServerFilePath(simFolder, ProfileFile::Player), kRaceConditions, "Practice1StartingTime", "750"));
    options.delayAfterRace = DelayChoice(ReadSimValue(multiplayer, kServerOptions, "Delay After Race", "0"));
    options.mustBeStopped = ReadSwitch(simFolder, ServerSwitch::MustBeStopped);
    options.allowSpectators = ReadSwitch(simFolder, ServerSwitch::AllowSpectators);
    options.allowSpectatorChat = ReadSwitch(simFolder, ServerSwitch::AllowSpectatorChat);
    options.privateQualifying = ReadSwitch(simFolder, ServerSwitch::PrivateQualifying);
    options.impound = ReadSwitch(simFolder, ServerSwitch::Impound);
    options.cautionLapsCount = ReadCautionLapsRule(simFolder);
    return options;
}

void WriteServerSwitch(const std::string& simFolder, ServerSwitch setting, bool on)
{
    const SwitchKey key = KeyOf(setting);
    MakeServerProfileFolder(simFolder);
    WriteMarkedValue(ServerFilePath(simFolder, key.file), key.section, key.key, on ? "1" : "0",
                     key.markDefault);
}

void WritePracticeStart(const std::string& simFolder, int choice)
{
    if (choice < 0 || choice >= kPracticeStartCount) return;
    MakeServerProfileFolder(simFolder);
    WriteMarkedValue(ServerFilePath(simFolder, ProfileFile::Player), kRaceConditions, "Practice1StartingTime",
                     std::to_string(PracticeStartMinutes(choice)), "750");
}

void WriteDelayAfterRace(const std::string& simFolder, int choice)
{
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.5f", static_cast<double>(DelaySeconds(choice)));
    MakeServerProfileFolder(simFolder);
    WriteMarkedValue(ServerFilePath(simFolder, ProfileFile::Multiplayer), kServerOptions, "Delay After Race",
                     seconds, "900.00000");
}

void WriteServerPort(const std::string& simFolder, int port)
{
    MakeServerProfileFolder(simFolder);
    const std::string file = ServerFilePath(simFolder, ProfileFile::Multiplayer);
    WriteIniText(file, kGeneralOptions, "Query Port Start", "\"" + std::to_string(port) + "\"" + kPortComment);
    WriteIniText(file, kGeneralOptions, "Port Start",
                 "\"" + std::to_string(port + kGamePortOffset) + "\"" + kPortComment);
}

void WriteCautionLapsRule(const std::string& simFolder, bool count)
{
    // No series code: every mod file of the sim gets the rule.
    // Every mod file of the sim gets the rule, also one without the line yet.
    SetModFileValue(simFolder, "", kCautionLapsKey, count ? "1" : "0", true);
}

int PracticeStartMinutes(int choice)
{
    return kFirstPracticeMinutes + kPracticeStepMinutes * choice;
}

std::string PracticeStartText(int choice)
{
    if (choice < 0 || choice >= kPracticeStartCount) return "";
    const int minutes = PracticeStartMinutes(choice);
    const int hour = minutes / 60;
    if (minutes == 12 * 60) return "Noon";
    const int shownHour = hour > 12 ? hour - 12 : hour;
    char text[16];
    std::snprintf(text, sizeof text, "%d:%02d %s", shownHour, minutes % 60, hour < 12 ? "am" : "pm");
    return text;
}

int PracticeStartChoice(int minutes)
{
    // Whole-number division toward zero: 765 (12:45) shows as 12:30.
    const int choice = (minutes - kFirstPracticeMinutes) / kPracticeStepMinutes;
    return choice >= 0 && choice < kPracticeStartCount ? choice : kNoChoice;
}

int DelaySeconds(int choice)
{
    return choice >= 0 && choice < kDelayChoiceCount ? kDelaySeconds[choice] : 0;
}

std::string DelayText(int choice)
{
    return choice >= 0 && choice < kDelayChoiceCount ? kDelayTexts[choice] : "";
}

int DelayChoice(const std::string& storedValue)
{
    // Only a number selects a choice: "abc" must not pass for "None".
    const std::string text = Trimmed(storedValue);
    if (text.empty()) return kNoChoice;
    char* end = nullptr;
    const double seconds = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size()) return kNoChoice;
    for (int choice = 0; choice < kDelayChoiceCount; ++choice)
        if (seconds == kDelaySeconds[choice]) return choice;
    return kNoChoice;
}

bool ParseServerPort(const std::string& text, int* port)
{
    std::string digits = Trimmed(text);
    if (digits.empty()) return false;
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size() - 1));
    // Six digits already lie beyond the range; the limit also keeps the
    // conversion below from overflowing.
    if (digits.size() > 5) return false;
    for (char c : digits)
        if (c < '0' || c > '9') return false;
    const int value = std::atoi(digits.c_str());
    if (value < kMinServerPort || value > kMaxServerPort) return false;
    *port = value;
    return true;
}

std::string PortRangeMessage()
{
    std::string message = "Please enter an integer between %1 and %2.";
    message.replace(message.find("%1"), 2, std::to_string(kMinServerPort));
    message.replace(message.find("%2"), 2, std::to_string(kMaxServerPort));
    return message;
}
