#pragma once
#include <array>
#include <string>

// The events file keeps passwords and user names as hexadecimal digits of
// bytes that are the clear characters plus a character of this key.
inline constexpr char kScrambleKey[] = "KQM2019PLTV";

// Decoded bytes and clear text each fit this buffer, a zero byte included,
// so a value carries at most 63 characters (126 digits).
inline constexpr size_t kScrambleBufferSize = 64;
using ScrambleBuffer = std::array<unsigned char, kScrambleBufferSize>;

// Clears `bytes`, then stores one byte per pair of hexadecimal digits and a
// zero byte. An odd last digit is ignored; digits beyond the 126th are cut.
// A pair whose first character is no hexadecimal digit gives 0 (ending the
// value); a pair whose second is none gives the value of the first alone.
void HexDecode(const std::string& text, ScrambleBuffer& bytes);

// Clears `clear`, then subtracts the key, repeated, from the bytes before the
// first zero byte, wrapping below 0.
void UnscrambleText(const ScrambleBuffer& bytes, ScrambleBuffer& clear, const std::string& key);

// A scrambled value of the events file as clear text.
std::string UnscrambleValue(const std::string& scrambled);
