#pragma once
#include <string>

// The dedicated server's settings: its own profile "DedicatedServer" (the
// same two files a player profile has) and the caution-lap rule of the
// sim's mod files. Every operation takes the sim folder (ending in a
// backslash).

inline constexpr char kServerProfileName[] = "DedicatedServer";

inline constexpr int kMinServerPort = 1025;
inline constexpr int kMaxServerPort = 65535;
// The sim's second port lies this far above the query port.
inline constexpr int kGamePortOffset = 100;

// Practice starts on the half hour from 6:00 am to 10:00 pm.
inline constexpr int kPracticeStartCount = 33;
inline constexpr int kDelayChoiceCount = 6;
inline constexpr int kNoChoice = -1;

struct ServerOptions {
    int port = 0;
    int practiceStart = kNoChoice;    // choice 0 .. 32
    int delayAfterRace = kNoChoice;   // choice 0 .. 5
    bool mustBeStopped = false;
    bool allowSpectators = true;
    bool allowSpectatorChat = true;
    bool privateQualifying = true;
    bool impound = false;
    bool cautionLapsCount = true;
};

// The on/off settings written as soon as their box is clicked.
enum class ServerSwitch { MustBeStopped, AllowSpectators, AllowSpectatorChat, PrivateQualifying, Impound };

// Reads everything, the port first; missing files and keys give the sim's
// defaults, values that select no choice leave it at kNoChoice.
ServerOptions ReadServerOptions(const std::string& simFolder);

void WriteServerSwitch(const std::string& simFolder, ServerSwitch setting, bool on);
// A choice out of range writes nothing.
void WritePracticeStart(const std::string& simFolder, int choice);
// No choice (or one out of range) writes no delay.
void WriteDelayAfterRace(const std::string& simFolder, int choice);
// Both keys; the caller has checked the range.
void WriteServerPort(const std::string& simFolder, int port);
// "CountCautionLaps" into every mod file of the sim.
void WriteCautionLapsRule(const std::string& simFolder, bool count);

// Practice start choices: minutes after midnight, the list's text
// ("6:00 am", "Noon", "10:00 pm"), and the choice a stored value selects.
int PracticeStartMinutes(int choice);
std::string PracticeStartText(int choice);
int PracticeStartChoice(int minutes);

// Delay choices: seconds, the list's text, and the choice a stored value
// (a cleaned text) selects.
int DelaySeconds(int choice);
std::string DelayText(int choice);
int DelayChoice(const std::string& storedValue);

// The port the field's text names, when it is a whole number from 1025 to
// 65535 (blanks around it allowed); false for anything else.
bool ParseServerPort(const std::string& text, int* port);
// "Please enter an integer between 1025 and 65535."
std::string PortRangeMessage();
