#pragma once
#include <string>
#include <vector>

#include "app/Startup.h"
#include "catalog/Catalog.h"
#include "install/FileRecord.h"

// Checking installed items against the record of the files their install
// put down.

struct ItemToVerify {
    ContentItem* item;
    std::string categoryWord;  // "Track", "Car" ...
};

// Where the item's record of installed files lies.
std::string ItemRecordPath(const LauncherEnvironment& env, const ContentItem& item, const std::string& categoryWord);

// Reads every listed file of the installed items in full, showing the
// progress with Cancel, marks those that differ "Modified" in the install
// cache and tells the result in one box. False when cancelled: the marks
// found until then are kept, nothing is shown.
bool VerifyItems(const LauncherEnvironment& env, const std::vector<ItemToVerify>& items);

// The quick check of an installed item: whether a file its record lists is
// missing or has another size or time. An item without a record has nothing
// to compare and counts as unchanged.
bool ItemFilesChanged(const LauncherEnvironment& env, const ContentItem& item, const std::string& categoryWord);
