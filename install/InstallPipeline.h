#pragma once
#include <functional>
#include <string>
#include <vector>

#include "app/Startup.h"
#include "catalog/Catalog.h"

// What an install or removal needs from the main window.
struct InstallContext {
    const LauncherEnvironment* env;
    const std::vector<std::string>* profiles;
    // Shows the main window normally and repaints it before a stop message.
    std::function<void()> showMainWindow;
};

// Installs (remove = false) or removes the items of one category, in order:
// download, delete what the item names, unpack or run, record in the install
// cache, drop the download, show the item's closing message. An unzip or
// installer-start failure stops the whole call.
void InstallItems(const InstallContext& context, const std::vector<ContentItem*>& items,
                  const std::string& categoryWord, bool remove);


// Where the install cache keeps item `id` (the item's own ID or one of its
// toggle ids) of the item's league.
CacheEntry ItemCacheEntry(const LauncherEnvironment& env, const ContentItem& item, const std::string& categoryWord,
                          int id);

// Why the item's catalog paths may not be used (the offending entry), or
// empty when "Prefix Path", its delete folders and delete files all stay
// inside the sim folder and its league's name is a plain folder name. The
// download address is checked by the install itself (LocalFileName of net/Download).
std::string UnsafeItemPath(const ContentItem& item, const LeagueRecord& league);

// "Mark as current": records each item installed in its catalog version, or
// not installed when it already was installed and current; its toggle items
// are recorded not installed.
void MarkItemsAsCurrent(const LauncherEnvironment& env, const std::vector<ContentItem*>& items,
                        const std::string& categoryWord);
