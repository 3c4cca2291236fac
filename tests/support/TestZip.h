#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Archives built by the tests with minizip's writer.
struct TestZipEntry {
    std::string name;               // stored as given, slashes and all
    std::string body;
    bool folder = false;            // marked with the MS-DOS directory bit
    uint32_t dosDateTime = 0x5A8C6000;  // 2025-04-12 12:00:00
    // The body written as is under this CRC instead of the body's: a
    // damaged entry. 0 means a sound, deflated entry.
    uint32_t wrongCrc = 0;
    int rawMethod = 0;  // method claimed for a damaged entry's raw body (0 stored, 8 deflated)
    bool utf8 = false;  // the name is UTF-8, flagged as such
    std::string password;  // encrypts the entry when set
};

// Writes the archive; false when minizip refused.
bool WriteTestZip(const std::string& path, const std::vector<TestZipEntry>& entries);
