#pragma once
#include <string>
#include <vector>

#include "catalog/RaceEvent.h"

// The sim's list of bookmarked race servers, one "bookmarks.xml" per profile,
// rebuilt from the events at every refresh.

// The document for these events: a bookmark for every event whose server has
// a host and a port, in order.
std::string BookmarkDocument(const std::vector<const RaceEvent*>& events);

// Replaces every profile's list with the events' bookmarks, each file written
// whole before it takes the old one's place. Nothing is written when the
// setting "Bookmark" is off or there are no events or no profiles.
void WriteSimBookmarks(const std::string& simFolder, const std::vector<std::string>& profiles,
                       const std::vector<const RaceEvent*>& events);
