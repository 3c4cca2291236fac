#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

// A size or time the platform gives in two halves, as one number.
inline uint64_t JoinedNumber(DWORD high, DWORD low) { return (static_cast<uint64_t>(high) << 32) | low; }
// A FILETIME's 100 ns ticks since 1601.
inline uint64_t FileTimeNumber(const FILETIME& time) { return JoinedNumber(time.dwHighDateTime, time.dwLowDateTime); }

// Reads a whole file as bytes; false when it is missing or cannot be read.
// Opened with shared reading so the sim may hold it open meanwhile.
bool ReadWholeFile(const std::string& path, std::string& content);
// The same from an open file's current position to its end.
bool ReadWholeFile(HANDLE file, std::string& content);

// Gives the file the new content in one step: the content goes to a temporary
// file beside it, is flushed to disk, and then takes the file's place. A
// machine that stops half way leaves either the old or the new file, never a
// cut one. On failure the old file is untouched and the temporary is removed.
bool ReplaceFileContent(const std::string& path, const std::string& content);

// The lines of a text, split at line feeds. A carriage return before a line
// feed stays with its line, so lines written back unchanged keep their bytes.
// A last line without a line feed counts; an empty text has no lines.
std::vector<std::string> SplitLines(const std::string& text);

// Whether a line ends in a carriage return (a DOS line end once the line feed
// is gone).
bool EndsInCarriageReturn(const std::string& line);
