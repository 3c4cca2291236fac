#pragma once
#include <string>

// Removal of what a catalog item says must go. Every real failure asks the
// user Abort, Retry or Ignore; a missing file, folder, drive or medium is no
// failure and says nothing. Neither function reports back: the caller goes
// on with its next step whatever happened.

// Deletes every plain file matching pattern (a full path whose last
// component may hold * and ?). Subfolders and the folder itself stay.
void DeleteMatchingFiles(const std::string& pattern);

// Without a wildcard: deletes the folder path with everything below it.
// With * or ? in the path: deletes the matching files and folder trees and
// keeps the folder holding them. A folder link (junction or symbolic link) is
// never entered: the link itself is removed, what it leads to stays.
void DeleteFolderTree(const std::string& path);
