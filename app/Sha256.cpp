#include "app/Sha256.h"

#include <bcrypt.h>

#include <cctype>

namespace {

constexpr size_t kDigestBytes = 32;
constexpr size_t kDigestDigits = 2 * kDigestBytes;

// Opened once for the program: opening the provider is what costs.
BCRYPT_ALG_HANDLE Algorithm()
{
    static BCRYPT_ALG_HANDLE algorithm = [] {
        BCRYPT_ALG_HANDLE opened = nullptr;
        if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&opened, BCRYPT_SHA256_ALGORITHM, nullptr, 0)))
            return static_cast<BCRYPT_ALG_HANDLE>(nullptr);
        return opened;
    }();
    return algorithm;
}

bool IsSha256Text(const std::string& text)
{
    if (text.size() != kDigestDigits) return false;
    for (unsigned char c : text)
        if (!std::isxdigit(c)) return false;
    return true;
}

}  // namespace

Sha256::Sha256() { Reset(); }

Sha256::~Sha256()
{
    if (hash_) BCryptDestroyHash(hash_);
}

void Sha256::Reset()
{
    if (hash_) BCryptDestroyHash(hash_);
    hash_ = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    if (Algorithm() && BCRYPT_SUCCESS(BCryptCreateHash(Algorithm(), &hash, nullptr, 0, nullptr, 0, 0))) hash_ = hash;
}

void Sha256::Add(const void* data, size_t size)
{
    auto* bytes = static_cast<PUCHAR>(const_cast<void*>(data));
    // BCryptHashData takes at most 4 GiB at a time.
    while (hash_ && size > 0) {
        const ULONG piece = static_cast<ULONG>(size > 0x40000000 ? 0x40000000 : size);
        if (!BCRYPT_SUCCESS(BCryptHashData(hash_, bytes, piece, 0))) {
            BCryptDestroyHash(hash_);
            hash_ = nullptr;
        }
        bytes += piece;
        size -= piece;
    }
}

std::string Sha256::Hex()
{
    UCHAR digest[kDigestBytes] = {};
    if (!hash_ || !BCRYPT_SUCCESS(BCryptFinishHash(hash_, digest, sizeof digest, 0))) return std::string();
    BCryptDestroyHash(hash_);
    hash_ = nullptr;
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (UCHAR byte : digest) {
        text += digits[byte >> 4];
        text += digits[byte & 0x0F];
    }
    return text;
}

bool SameSha256(const std::string& expected, const std::string& received)
{
    return IsSha256Text(expected) && IsSha256Text(received) &&
           CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, expected.c_str(), -1, received.c_str(), -1) ==
               CSTR_EQUAL;
}
