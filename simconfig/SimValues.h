#pragma once
#include <string>

// Values of the sim's settings files (profiles, "Multiplayer.ini", the
// dedicated server's settings). The sim writes values in double quotes and
// may follow them with a "//" comment.

// Cut at the first "//", drop every double quote, trim blanks at both ends.
std::string CleanSimValue(const std::string& raw);

// Reads a value (1024-byte buffer) and cleans it.
std::string ReadSimValue(const std::string& file, const std::string& section,
                         const std::string& key, const std::string& def);

// Reads a cleaned value as a whole number from its leading digits (none: 0).
int ReadSimNumber(const std::string& file, const std::string& section,
                  const std::string& key, const std::string& def);

// The launcher mark: "\"v\" // Modified by ZANT Launcher (default)". The
// default names the sim's own value for the key so a player can undo it.
std::string LauncherMark(const std::string& value, const std::string& simDefault);

// Writes `value` with the launcher mark; the result of the write is ignored
// by every caller, it is returned for tests.
bool WriteMarkedValue(const std::string& file, const std::string& section,
                      const std::string& key, const std::string& value,
                      const std::string& simDefault);
