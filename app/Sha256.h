#pragma once
#include <windows.h>
#include <string>

// SHA-256 from the platform's cryptography (CNG), fed piece by piece.
class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    // Starts over, as if nothing had been added.
    void Reset();
    void Add(const void* data, size_t size);
    // The digest of what was added, as 64 lower-case hexadecimal digits;
    // empty when the platform could not hash.
    std::string Hex();

private:
    void* hash_ = nullptr;  // BCRYPT_HASH_HANDLE
};

// Whether two SHA-256 texts name the same digest: 64 hexadecimal digits each,
// letter case aside. A malformed text matches nothing.
bool SameSha256(const std::string& expected, const std::string& received);
