#pragma once
// Salted password hashes (PBKDF2-HMAC-SHA256) and random tokens for the reference service.

#include <string>
#include <string_view>

namespace corvane::service::server {

// "pbkdf2-sha256$<iterations>$<salt hex>$<hash hex>" with a fresh random salt.
std::string HashPassword(std::string_view password);
// Constant-time comparison against a stored hash; false for a malformed one.
bool VerifyPassword(std::string_view password, std::string_view stored);
// `bytes` random bytes from the system's generator, as lower-case hex.
std::string RandomHex(size_t bytes);

}  // namespace corvane::service::server
