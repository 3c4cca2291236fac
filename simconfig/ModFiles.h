#pragma once
#include <string>
#include <vector>

// Editors of the sim's own text files. None of them reports anything: a file
// that cannot be edited keeps its old content.

// Makes the sim load setupFile (relative to the sim folder) for the track and
// vehicle classes: rewrites the File line of every AutoLoadEntry for them in
// the gal file, or appends a new entry when there is none. A missing gal file
// is created with the one entry; one that cannot be read is left as it is
// and gives false, with the last error set.
bool SetAutoLoadSetup(const std::string& galFile, const std::string& track, const std::string& classes,
                      const std::string& setupFile);

// Sets "key = value" in the mod file of a series code, or in every mod file
// of the sim's "rfm" folder for an empty code. Every line that contains the
// key is rewritten; every other line is kept byte for byte. Missing files are
// left alone; a file without the key gets the line at its end when
// addWhenMissing is set.
void SetModFileValue(const std::string& simFolder, const std::string& seriesCode, const std::string& key,
                     const std::string& value, bool addWhenMissing = false);

// The value of the first "key = value" line of sim folder + "rfm\" + modName +
// ".rfm", blanks trimmed; empty when there is none.
std::string GetModFileValue(const std::string& simFolder, const std::string& modName, const std::string& key);

// The mod files SetModFileValue edits for a series code, in edit order. A
// code that is not a plain file name gives none: it comes from the league's
// events file and must not reach outside the "rfm" folder.
std::vector<std::string> ModFilesOfSeries(const std::string& simFolder, const std::string& seriesCode);
