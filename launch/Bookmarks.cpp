#include "launch/Bookmarks.h"

#include <tinyxml.h>

#include "app/Settings.h"
#include "app/FileReplace.h"
#include "simconfig/Profiles.h"

namespace {

const char kBookmarkComment[] = "Added by ZANT Launcher";

void AddTextElement(TiXmlElement& parent, const char* name, const std::string& text)
{
    auto* element = new TiXmlElement(name);
    element->LinkEndChild(new TiXmlText(text));
    parent.LinkEndChild(element);
}

}  // namespace

std::string BookmarkDocument(const std::vector<const RaceEvent*>& events)
{
    TiXmlDocument document;
    document.LinkEndChild(new TiXmlDeclaration("1.0", "utf-8", ""));
    auto* root = new TiXmlElement("bookmarklist");
    document.LinkEndChild(root);
    for (const RaceEvent* event : events) {
        const size_t colon = event->Server.find(':');
        if (colon == std::string::npos) continue;
        const std::string host = event->Server.substr(0, colon);
        const std::string port = event->Server.substr(colon + 1);
        if (host.empty() || port.empty()) continue;
        auto* bookmark = new TiXmlElement("bookmark");
        AddTextElement(*bookmark, "name", event->League + " " + SeriesShortName(event->Vehicle));
        AddTextElement(*bookmark, "ip", host);
        AddTextElement(*bookmark, "port", port);
        AddTextElement(*bookmark, "password", event->ServerPassword);
        AddTextElement(*bookmark, "comment", kBookmarkComment);
        root->LinkEndChild(bookmark);
    }
    TiXmlPrinter printer;
    document.Accept(&printer);
    return printer.Str();
}

void WriteSimBookmarks(const std::string& simFolder, const std::vector<std::string>& profiles,
                       const std::vector<const RaceEvent*>& events)
{
    if (ReadSettingNumber("Bookmark", 1, "Options") == 0 || events.empty() || profiles.empty()) return;
    const std::string document = BookmarkDocument(events);
    for (const std::string& profile : profiles) {
        if (!IsUsableProfileName(profile)) continue;
        ReplaceFileContent(simFolder + "Userdata\\" + profile + "\\bookmarks.xml", document);
    }
}
