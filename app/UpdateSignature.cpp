#include "app/UpdateSignature.h"

#include <sodium.h>

#include <algorithm>
#include <vector>

namespace {

// What a key and a signature carry, as the signing tool lays them out.
constexpr size_t kAlgorithmBytes = 2;
constexpr size_t kKeyIdBytes = 8;
constexpr size_t kPublicKeyBytes = kAlgorithmBytes + kKeyIdBytes + crypto_sign_PUBLICKEYBYTES;
constexpr size_t kSignatureBytes = kAlgorithmBytes + kKeyIdBytes + crypto_sign_BYTES;
constexpr char kTrustedCommentPrefix[] = "trusted comment: ";
constexpr char kSignedProgram[] = "ZANT Launcher ";

std::vector<unsigned char> FromBase64(const std::string& text)
{
    std::vector<unsigned char> bytes(text.size());
    size_t length = 0;
    if (sodium_base642bin(bytes.data(), bytes.size(), text.c_str(), text.size(), " \r", &length, nullptr,
                          sodium_base64_VARIANT_ORIGINAL) != 0)
        return {};
    bytes.resize(length);
    return bytes;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

bool Verify(const unsigned char* signature, const unsigned char* message, size_t length, const unsigned char* key)
{
    return crypto_sign_verify_detached(signature, message, length, key) == 0;
}

}  // namespace

std::string UpdateSignatureProblem(const std::string& file, const std::string& signatureText,
                                   const std::string& version, const std::string& publicKeyText)
{
    if (sodium_init() < 0) return "The signature could not be checked on this system.";
    if (signatureText.empty()) return "The signature is missing.";
    const std::vector<unsigned char> key = FromBase64(publicKeyText);
    const std::vector<std::string> lines = Lines(signatureText);
    const std::vector<unsigned char> signature = lines.size() >= 4 ? FromBase64(lines[1]) : std::vector<unsigned char>();
    const std::vector<unsigned char> global = lines.size() >= 4 ? FromBase64(lines[3]) : std::vector<unsigned char>();
    if (key.size() != kPublicKeyBytes || signature.size() != kSignatureBytes || global.size() != crypto_sign_BYTES ||
        lines[2].rfind(kTrustedCommentPrefix, 0) != 0 || signature[0] != 'E' ||
        (signature[1] != 'd' && signature[1] != 'D'))
        return "The signature is malformed.";
    if (!std::equal(signature.begin() + kAlgorithmBytes, signature.begin() + kAlgorithmBytes + kKeyIdBytes,
                    key.begin() + kAlgorithmBytes))
        return "The signature was made with another key.";
    const unsigned char* publicKey = key.data() + kAlgorithmBytes + kKeyIdBytes;
    const unsigned char* fileSignature = signature.data() + kAlgorithmBytes + kKeyIdBytes;

    // The trusted comment is signed together with the file's signature.
    const std::string comment = lines[2].substr(sizeof kTrustedCommentPrefix - 1);
    std::vector<unsigned char> signedComment(fileSignature, fileSignature + crypto_sign_BYTES);
    signedComment.insert(signedComment.end(), comment.begin(), comment.end());
    if (!Verify(global.data(), signedComment.data(), signedComment.size(), publicKey))
        return "The signature was made with another key.";
    if (comment != kSignedProgram + version)
        return "The signature is for another version (" + comment + ").";

    // "ED" signs the file's BLAKE2b-512 hash, "Ed" the file itself.
    const auto* bytes = reinterpret_cast<const unsigned char*>(file.data());
    bool good = false;
    if (signature[1] == 'D') {
        unsigned char hash[crypto_generichash_BYTES_MAX];
        crypto_generichash(hash, sizeof hash, bytes, file.size(), nullptr, 0);
        good = Verify(fileSignature, hash, sizeof hash, publicKey);
    } else {
        good = Verify(fileSignature, bytes, file.size(), publicKey);
    }
    return good ? std::string() : "The file does not match its signature.";
}
