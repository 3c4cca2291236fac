#include "simconfig/ModFiles.h"

#include <windows.h>

#include "app/Handles.h"
#include "app/FileReplace.h"
#include "app/SafeNames.h"

namespace {

const char kTrackLineStart[] = "  Track=\"";
const char kClassesLineStart[] = "  Classes=\"";
const char kFileLineStart[] = "  File=";
const char kModFolder[] = "rfm\\";
const char kModExtension[] = ".rfm";

bool StartsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool EndsWithNoCase(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() &&
           lstrcmpiA(text.c_str() + text.size() - suffix.size(), suffix.c_str()) == 0;
}

// A rewritten line keeps the line end the file uses.
std::string LineEnd(const std::string& originalLine)
{
    return EndsInCarriageReturn(originalLine) ? "\r\n" : "\n";
}

std::string FileLine(const std::string& setupFile)
{
    return std::string(kFileLineStart) + "\"" + setupFile + "\"";
}

std::string NewAutoLoadEntry(const std::string& track, const std::string& classes, const std::string& setupFile)
{
    return "\nAutoLoadEntry\n{\n" + std::string(kTrackLineStart) + track + "\"\n" + kClassesLineStart + classes +
           "\"\n  Session=10\n" + FileLine(setupFile) + "\n}\n";
}

// Rewrites the File line of each entry for the track and classes; a line that
// breaks the Track, Classes, Session, File sequence ends it and does not start
// a new one.
std::string EditAutoLoadEntries(const std::string& oldContent, const std::string& track,
                                const std::string& classes, const std::string& setupFile, bool& found)
{
    enum class Expect { Track, Classes, Session, File };
    const std::string trackLine = kTrackLineStart + track + "\"";
    const std::string classesLine = kClassesLineStart + classes + "\"";
    std::string out;
    Expect expect = Expect::Track;
    for (const std::string& line : SplitLines(oldContent)) {
        std::string written = line + "\n";
        switch (expect) {
        case Expect::Track:
            if (StartsWith(line, trackLine)) expect = Expect::Classes;
            break;
        case Expect::Classes:
            expect = StartsWith(line, classesLine) ? Expect::Session : Expect::Track;
            break;
        case Expect::Session:
            expect = Expect::File;
            break;
        case Expect::File:
            if (StartsWith(line, kFileLineStart)) {
                written = FileLine(setupFile) + LineEnd(line);
                found = true;
            }
            expect = Expect::Track;
            break;
        }
        out += written;
    }
    return out;
}

std::string SetValueInLines(const std::string& oldContent, const std::string& key, const std::string& value,
                            bool addWhenMissing)
{
    std::string out;
    bool found = false;
    const std::vector<std::string> lines = SplitLines(oldContent);
    for (const std::string& line : lines) {
        if (line.find(key) == std::string::npos) {
            out += line + "\n";
            continue;
        }
        found = true;
        const size_t equals = line.find('=');
        if (equals != std::string::npos) {
            out += line.substr(0, equals) + "= " + value + LineEnd(line);
        } else {
            out += key + " = " + value + LineEnd(line);
        }
    }
    if (!found && addWhenMissing) out += key + " = " + value + (lines.empty() ? "\r\n" : LineEnd(lines.back()));
    return out;
}

std::vector<std::string> AllModFiles(const std::string& modFolder)
{
    std::vector<std::string> files;
    WIN32_FIND_DATAA found;
    FindHandle search(FindFirstFileA((modFolder + "*" + kModExtension).c_str(), &found));
    if (!search) return files;
    do {
        // The wildcard also matches longer extensions such as ".rfmx".
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
            EndsWithNoCase(found.cFileName, kModExtension)) {
            files.push_back(modFolder + found.cFileName);
        }
    } while (FindNextFileA(search.get(), &found));
    return files;
}

std::string ModFileName(const std::string& seriesCode)
{
    if (seriesCode == "Cup2016") return "CUP";
    if (seriesCode == "GNS") return "NW";
    return seriesCode;
}

std::string Trim(const std::string& text)
{
    const char blanks[] = " \t\r\n";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

}  // namespace

bool SetAutoLoadSetup(const std::string& galFile, const std::string& track, const std::string& classes,
                      const std::string& setupFile)
{
    std::string oldContent;
    // A missing file starts empty; one that cannot be read holds the
    // driver's favourites and stays as it is.
    if (!ReadWholeFile(galFile, oldContent) && GetFileAttributesA(galFile.c_str()) != INVALID_FILE_ATTRIBUTES)
        return false;
    bool found = false;
    std::string newContent = EditAutoLoadEntries(oldContent, track, classes, setupFile, found);
    if (!found) newContent += NewAutoLoadEntry(track, classes, setupFile);
    ReplaceFileContent(galFile, newContent);
    return true;
}

std::vector<std::string> ModFilesOfSeries(const std::string& simFolder, const std::string& seriesCode)
{
    const std::string modFolder = WithTrailingBackslash(simFolder) + kModFolder;
    if (seriesCode.empty()) return AllModFiles(modFolder);
    const std::string name = ModFileName(seriesCode);
    if (!IsPlainFileName(name)) return {};
    return {modFolder + name + kModExtension};
}

void SetModFileValue(const std::string& simFolder, const std::string& seriesCode, const std::string& key,
                     const std::string& value, bool addWhenMissing)
{
    // An empty key is in every line and would rewrite the whole file.
    if (key.empty()) return;
    for (const std::string& file : ModFilesOfSeries(simFolder, seriesCode)) {
        std::string oldContent;
        if (!ReadWholeFile(file, oldContent)) continue;
        ReplaceFileContent(file, SetValueInLines(oldContent, key, value, addWhenMissing));
    }
}

std::string GetModFileValue(const std::string& simFolder, const std::string& modName, const std::string& key)
{
    if (key.empty() || !IsPlainFileName(modName)) return "";
    std::string content;
    if (!ReadWholeFile(WithTrailingBackslash(simFolder) + kModFolder + modName + kModExtension, content)) return "";
    for (const std::string& line : SplitLines(content)) {
        const size_t equals = line.find('=');
        if (line.find(key) != std::string::npos && equals != std::string::npos) return Trim(line.substr(equals + 1));
    }
    return "";
}
