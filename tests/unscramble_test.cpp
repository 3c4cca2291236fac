#include "tests/support/TestEnv.h"

#include <cstdio>

#include "catalog/Unscramble.h"

namespace {

// Scrambles clear text the way the league does: each byte plus the key's
// character at its position, as two hexadecimal digits.
std::string Scramble(const std::string& clear, const std::string& key = "KQM2019PLTV")
{
    std::string hex;
    for (size_t i = 0; i < clear.size(); ++i) {
        char pair[3];
        unsigned char byte = static_cast<unsigned char>(clear[i] + key[i % key.size()]);
        std::snprintf(pair, sizeof pair, "%02X", byte);
        hex += pair;
    }
    return hex;
}

std::string Decoded(const std::string& text)
{
    ScrambleBuffer bytes;
    bytes.fill(0xAA);
    HexDecode(text, bytes);
    return std::string(reinterpret_cast<const char*>(bytes.data()));
}

class UnscrambleTest : public LauncherTest {};

TEST_F(UnscrambleTest, HexDecodeReadsPairs)
{
    struct Case {
        const char* text;
        std::string bytes;
    };
    const Case cases[] = {
        {"", ""},
        {"6", ""},                   // a single digit gives no byte
        {"616263", "abc"},
        {"6162636", "abc"},          // an odd last digit is ignored
        {"4a4B", "JK"},              // both cases of digits
        {"61zz62", "a"},             // a pair starting with a non-digit ends the value
        {"6g", "\x06"},              // a non-digit second character: the first digit alone
    };
    for (const Case& c : cases) EXPECT_EQ(Decoded(c.text), c.bytes) << c.text;
}

TEST_F(UnscrambleTest, HexDecodeClearsBufferAndTerminates)
{
    ScrambleBuffer bytes;
    bytes.fill(0xAA);
    HexDecode("4142", bytes);
    EXPECT_EQ(bytes[0], 0x41);
    EXPECT_EQ(bytes[1], 0x42);
    for (size_t i = 2; i < kScrambleBufferSize; ++i) EXPECT_EQ(bytes[i], 0) << i;
}

TEST_F(UnscrambleTest, KnownValuesWithTheLeagueKey)
{
    // Worked out by hand against "KQM2019PLTV": 'Y' + 'K' = 0xA4 and so on.
    EXPECT_EQ(UnscrambleValue("A4B2C6"), "Yay");
    // Twelve bytes: the twelfth ('1' + 'K' = 0x7C) uses the first key character again.
    EXPECT_EQ(UnscrambleValue("9EB6B0A495A566A0ADC7C97C"), "Secret-Pass1");
    EXPECT_EQ(UnscrambleValue("9eb6b0a495a566a0adc7c97c"), "Secret-Pass1");
}

TEST_F(UnscrambleTest, KeyRepeatsEveryElevenBytes)
{
    // Bytes 1 and 12 are both 0xC3; both use 'K' (0x4B) and give 'x'.
    ScrambleBuffer bytes, clear;
    HexDecode("C3" "71727374757677787970" "C3", bytes);
    UnscrambleText(bytes, clear, kScrambleKey);
    EXPECT_EQ(clear[0], 'x');
    EXPECT_EQ(clear[10], 0x70 - 'V');
    EXPECT_EQ(clear[11], 'x');
    EXPECT_EQ(clear[12], 0);

    std::string eleven = "ABCDEFGHIJK";
    EXPECT_EQ(Scramble(eleven).size(), 22u);
    EXPECT_EQ(UnscrambleValue(Scramble(eleven)), eleven);
    EXPECT_EQ(UnscrambleValue(Scramble(eleven + "L")), eleven + "L");
}

TEST_F(UnscrambleTest, WrapsBelowTheKeyCharacter)
{
    // 0x10 - 'K' (0x4B) = 0xC5 modulo 256.
    ScrambleBuffer bytes, clear;
    HexDecode("10", bytes);
    UnscrambleText(bytes, clear, kScrambleKey);
    EXPECT_EQ(clear[0], 0xC5);
    EXPECT_EQ(clear[1], 0);
}

TEST_F(UnscrambleTest, ValuesDecodedInTurnCarryNothingOver)
{
    std::string userName = UnscrambleValue(Scramble("a.rather.long.user.name"));
    std::string password = UnscrambleValue(Scramble("pw"));
    std::string empty = UnscrambleValue("");
    EXPECT_EQ(userName, "a.rather.long.user.name");
    EXPECT_EQ(password, "pw");
    EXPECT_EQ(empty, "");

    ScrambleBuffer bytes, clear;
    HexDecode(Scramble("a.rather.long.user.name"), bytes);
    UnscrambleText(bytes, clear, kScrambleKey);
    HexDecode(Scramble("pw"), bytes);
    UnscrambleText(bytes, clear, kScrambleKey);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(clear.data())), "pw");
}

TEST_F(UnscrambleTest, OverlongValuesAreCutAtSixtyThreeCharacters)
{
    std::string clear(100, 'z');
    std::string scrambled = Scramble(clear);
    ASSERT_EQ(scrambled.size(), 200u);
    EXPECT_EQ(UnscrambleValue(scrambled), std::string(63, 'z'));
    EXPECT_EQ(UnscrambleValue(Scramble(std::string(63, 'q'))), std::string(63, 'q'));

    // A value of 1023 digits, the longest the events file reader passes on.
    EXPECT_EQ(UnscrambleValue(std::string(1023, '9')).size(), 63u);
}

}  // namespace
