#pragma once
#include <windows.h>
#include <string>

// Join links: "zant://event/<ID>" names the event of the league's events
// files whose "ID" is <ID>. Leagues put them on their site and in chats; the
// launcher registers itself as the handler of the scheme.

// The event ID of a link ("ZANT://Event/12/" as well), or 0 when the text is
// no such link.
int ParseJoinLink(const std::string& text);
std::string JoinLinkFor(int eventId);

// Registers launcherPath as the handler of "zant" links for the machine (or
// below another root), unless the registration already names it. True when
// it had to be written.
bool RegisterLinkScheme(const std::string& launcherPath, HKEY root = HKEY_CLASSES_ROOT);
inline constexpr char kLinkSchemeKey[] = "zant";

// The one argument a start may carry, when it is a join link; empty otherwise.
std::string JoinLinkArgument();

// A launcher started while another runs hands it its link and ends: the
// running launcher's main window carries this property, and takes the link
// as WM_COPYDATA with this tag.
inline constexpr char kMainWindowProperty[] = "ZANT Launcher main window";
inline constexpr ULONG_PTR kJoinLinkCopyTag = 0x5A414E54;  // "ZANT"
inline constexpr char kSingleLauncherMutex[] = "Local\\ZANT Launcher";

// Finds the running launcher's window (waiting up to waitMs for it to come
// up), hands it the link (possibly empty) and brings it to the front; false
// when there is no such window.
bool HandToRunningLauncher(const std::string& link, DWORD waitMs);
