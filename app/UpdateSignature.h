#pragma once
#include <string>

// The launcher's own update runs with administrator rights: it is started
// only when its signature, made with the league's key, verifies. Signatures
// are in minisign's format (Ed25519 over the file, or over its BLAKE2b-512
// hash), and their trusted comment names the program and the version
// offered, so that an older signed program cannot pass for a newer one.

// Why the update cannot be trusted, in a sentence for the driver; empty when
// the signature verifies. publicKey is the key's text ("RW...").
std::string UpdateSignatureProblem(const std::string& file, const std::string& signatureText,
                                   const std::string& version, const std::string& publicKey);

// The league's public key the build was made with.
inline constexpr char kUpdatePublicKey[] = ZANT_UPDATE_KEY;
