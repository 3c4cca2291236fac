#pragma once
#include <string>
#include <vector>

// Checks of relative paths that come from outside (archive entry names,
// catalog entries), so that nothing they name lands outside its folder.

// The pieces of a path between slashes and backslashes, empty ones too.
std::vector<std::string> PathComponents(const std::string& path);

// "..", and names of dots and blanks only, which the platform trims to "..".
bool IsParentStep(const std::string& component);

// CON, PRN, AUX, NUL, COM0-9, LPT0-9 and the console names: the platform opens
// them as devices in any folder, also with an extension ("nul.txt").
bool IsReservedDeviceName(const std::string& component);

// Control characters, ":" (drives and alternate data streams) and the
// characters no file name may hold; wildcards only when allowWildcards.
bool HasForbiddenCharacter(const std::string& path, bool allowWildcards);

// A relative path that stays below its base folder: not absolute, no drive,
// UNC or device prefix, no parent step, no device name, nothing forbidden.
// mustNameSomething also refuses a path naming the base folder itself ("", ".").
bool IsConfinedRelativePath(const std::string& path, bool allowWildcards, bool mustNameSomething);
