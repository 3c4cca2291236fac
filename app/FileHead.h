#pragma once
#include <cstddef>
#include <string>

// Reads at most limit bytes from the start of a file into head. False when
// the file cannot be opened; a read that fails part way gives what arrived.
bool ReadFileHead(const std::string& path, size_t limit, std::string& head);
