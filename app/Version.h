#pragma once
#include <string>

// The FileVersion text of the launcher's own version resource ("1.8.3.0"),
// or an empty text when it cannot be read.
std::string GetOwnVersion();

// The FileVersion text of the version resource of the file at path; empty
// when there is none. Shows a warning when the file has no version
// information at all.
std::string ReadFileVersionText(const std::string& path);

// Whether the server's version is newer than ours. The league compares the
// two as texts, ignoring case, so "1.10.0.0" sorts before "1.9.0.0".
bool IsNewerVersion(const std::string& own, const std::string& server);

// Whether text is a plain version: numbers of digits joined by single dots,
// at most kMaxVersionTextLength characters. Only such a text may become part
// of a file name.
inline constexpr size_t kMaxVersionTextLength = 32;
bool IsPlainVersionText(const std::string& text);
