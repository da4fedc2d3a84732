#pragma once
// Salted password hashes (PBKDF2-HMAC-SHA256) and random tokens for the reference service. The
// work factor is stored with each hash, so hashes made with an older count keep verifying.

#include <cstdint>
#include <string>
#include <string_view>

namespace corvane::service::server {

// "pbkdf2-sha256$<iterations>$<salt hex>$<hash hex>" with a fresh random salt.
std::string HashPassword(std::string_view password, int iterations);
// Constant-time comparison against a stored hash; false for a malformed one.
bool VerifyPassword(std::string_view password, std::string_view stored);
// The work factor of a stored hash; 0 when it is malformed.
int HashIterations(std::string_view stored);
// A well-formed hash no password matches, with the given work factor: verifying against it
// costs what verifying a real hash costs (for unknown log-ins).
std::string DummyHash(int iterations);
// `bytes` random bytes from the system's generator, as lower-case hex.
std::string RandomHex(size_t bytes);
// Key derivations made so far by this process (tests check what a log-in costs).
uint64_t DerivationCount();
// Constant-time equality of two texts of the same length (false when the lengths differ).
bool SameSecret(std::string_view a, std::string_view b);

}  // namespace corvane::service::server
