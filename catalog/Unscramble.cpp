#include "catalog/Unscramble.h"

namespace {

// The value of a hexadecimal digit, or -1.
int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

void HexDecode(const std::string& text, ScrambleBuffer& bytes)
{
    bytes.fill(0);
    size_t count = text.size() / 2;
    // Longer values would run past the buffer: keep the first 63 bytes, the
    // last one stays free for the zero byte.
    if (count > kScrambleBufferSize - 1) count = kScrambleBufferSize - 1;
    for (size_t i = 0; i < count; ++i) {
        int high = HexDigit(text[2 * i]);
        if (high < 0) continue;
        int low = HexDigit(text[2 * i + 1]);
        bytes[i] = static_cast<unsigned char>(low < 0 ? high : high * 16 + low);
    }
    bytes[count] = 0;
}

void UnscrambleText(const ScrambleBuffer& bytes, ScrambleBuffer& clear, const std::string& key)
{
    clear.fill(0);
    size_t length = 0;
    while (length < kScrambleBufferSize - 1 && bytes[length] != 0) ++length;
    for (size_t i = 0; i < length; ++i) {
        unsigned char k = key.empty() ? 0 : static_cast<unsigned char>(key[i % key.size()]);
        clear[i] = static_cast<unsigned char>(bytes[i] - k);
    }
}

std::string UnscrambleValue(const std::string& scrambled)
{
    ScrambleBuffer bytes;
    ScrambleBuffer clear;
    HexDecode(scrambled, bytes);
    UnscrambleText(bytes, clear, kScrambleKey);
    return std::string(reinterpret_cast<const char*>(clear.data()));
}
