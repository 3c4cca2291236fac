#pragma once
#include <string>

// Whether a name from the league's files can stand as one file or folder name
// inside a folder of ours: not empty, no path separator, no drive colon, no
// wildcard, not "." or "..", and no control characters.
bool IsPlainFileName(const std::string& name);

// The folder with a backslash at its end.
std::string WithTrailingBackslash(const std::string& folder);
