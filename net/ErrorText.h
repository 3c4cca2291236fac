#pragma once
#include <windows.h>
#include <string>

// The operating system's message for an error code without its trailing line
// break; empty when no message table knows the code (WinINet's own codes,
// 12000 and above, among them). Codes 2100 to 2999 come from the network
// message module.
std::string GetErrorText(DWORD code);

// "Error: <text> (<code>)", the closing words of every failure message.
std::string ErrorLine(DWORD code);
