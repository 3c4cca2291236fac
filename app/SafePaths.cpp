#include "app/SafePaths.h"

#include <cctype>
#include <cstring>

std::vector<std::string> PathComponents(const std::string& path)
{
    std::vector<std::string> components;
    size_t start = 0;
    for (;;) {
        const size_t end = path.find_first_of("\\/", start);
        components.push_back(path.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return components;
        start = end + 1;
    }
}

bool IsParentStep(const std::string& component)
{
    if (component.empty() || component == ".") return false;
    return component.find_first_not_of(". ") == std::string::npos;
}

bool IsReservedDeviceName(const std::string& component)
{
    std::string stem = component.substr(0, component.find('.'));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    for (char& c : stem) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
    for (const char* device : kDevices)
        if (stem == device) return true;
    return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
           std::isdigit(static_cast<unsigned char>(stem[3]));
}

bool HasForbiddenCharacter(const std::string& path, bool allowWildcards)
{
    for (unsigned char c : path) {
        if (c < 32 || std::strchr("<>\"|:", c)) return true;
        if (!allowWildcards && (c == '*' || c == '?')) return true;
    }
    return false;
}

bool IsConfinedRelativePath(const std::string& path, bool allowWildcards, bool mustNameSomething)
{
    if (!path.empty() && (path[0] == '\\' || path[0] == '/')) return false;
    if (HasForbiddenCharacter(path, allowWildcards)) return false;
    bool namesSomething = false;
    for (const std::string& component : PathComponents(path)) {
        if (IsParentStep(component) || IsReservedDeviceName(component)) return false;
        if (!component.empty() && component != ".") namesSomething = true;
    }
    return namesSomething || !mustNameSomething;
}
