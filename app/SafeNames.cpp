#include "app/SafeNames.h"

#include <cstring>

bool IsPlainFileName(const std::string& name)
{
    if (name.empty() || name == "." || name == "..") return false;
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20) return false;
        if (std::strchr("\\/:*?\"<>|", c) != nullptr) return false;
    }
    // Windows drops trailing dots and blanks, so "..." or ". ." name the
    // parent or the folder itself.
    const char last = name.back();
    return last != '.' && last != ' ';
}

std::string WithTrailingBackslash(const std::string& folder)
{
    if (folder.empty() || folder.back() == '\\' || folder.back() == '/') return folder;
    return folder + "\\";
}
