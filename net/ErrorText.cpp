#include "net/ErrorText.h"

#include "app/Handles.h"

namespace {
constexpr DWORD kFirstNetworkCode = 2100;
constexpr DWORD kLastNetworkCode = 2999;
}

std::string GetErrorText(DWORD code)
{
    LibraryHandle networkMessages;
    if (code >= kFirstNetworkCode && code <= kLastNetworkCode)
        networkMessages.reset(LoadLibraryExA("netmsg.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE));

    DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS;
    flags |= networkMessages ? FORMAT_MESSAGE_FROM_HMODULE : FORMAT_MESSAGE_FROM_SYSTEM;

    char* buffer = nullptr;
    DWORD length = FormatMessageA(flags, networkMessages.get(), code, 0, reinterpret_cast<LPSTR>(&buffer), 0,
                                  nullptr);
    std::string text;
    if (length && buffer) text.assign(buffer, length);
    if (buffer) LocalFree(buffer);

    // Messages end in a line break that would split the "Error: %s (%u)" line.
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
    return text;
}

std::string ErrorLine(DWORD code)
{
    return "Error: " + GetErrorText(code) + " (" + std::to_string(code) + ")";
}
