#include "app/MessageBox.h"

namespace {
MessageAnswerer g_answerer;
HWND g_owner = nullptr;
}

int ShowMessage(const std::string& text, UINT type)
{
    if (g_answerer) return g_answerer(MessageCall{text, kAppName, type});
    HWND owner = g_owner && IsWindow(g_owner) ? g_owner : nullptr;
    return MessageBoxA(owner, text.c_str(), kAppName, type);
}

void SetMessageAnswerer(MessageAnswerer answerer) { g_answerer = std::move(answerer); }

void SetMessageOwner(HWND owner) { g_owner = owner; }

HWND GetMessageOwner() { return g_owner; }
