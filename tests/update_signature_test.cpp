// The launcher's update starts only when its signature verifies with the
// league's key; signatures made by the signing tool (scripts/test-signatures.sh).
#include <cstdlib>

#include "app/UpdateSignature.h"
#include "tests/support/TestEnv.h"

namespace {

TEST(UpdateSignatureTest, OnlyTheLeaguesSignatureOfThisVersionAndFilePasses)
{
    const char* folder = std::getenv("ZANT_SIGNATURES");
    if (!folder) GTEST_SKIP() << "no signatures: run the tests through scripts/ctest.sh";
    auto read = [&](const char* name) { return ReadTextFile(std::string(folder) + name); };
    const struct {
        const char *file, *signature, *version, *problem;
    } cases[] = {
        {"update.exe", "good.minisig", "9.9.0.0", ""},
        {"update.exe", "legacy.minisig", "9.9.0.0", ""},  // the file signed, not its hash
        {"update.exe", nullptr, "9.9.0.0", "The signature is missing."},
        {"update.exe", "other.minisig", "9.9.0.0", "The signature was made with another key."},
        {"update.exe", "older.minisig", "9.9.0.0", "The signature is for another version (ZANT Launcher 1.8.4.0)."},
        {"noprogram.exe", "good.minisig", "9.9.0.0", "The file does not match its signature."},
        {"update.exe", "update.exe", "9.9.0.0", "The signature is malformed."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UpdateSignatureProblem(read(c.file), c.signature ? read(c.signature) : "", c.version,
                                         kUpdatePublicKey),
                  c.problem)
            << c.file << " " << (c.signature ? c.signature : "-");
}

}  // namespace
