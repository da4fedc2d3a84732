#include "PasswordHash.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <atomic>
#include <stdexcept>
#include <vector>

#include "ServiceLimits.h"

namespace corvane::service::server {
namespace {

const std::string_view kPrefix = "pbkdf2-sha256$";
std::atomic<uint64_t> gDerivations{0};

std::string Hex(const unsigned char* data, size_t size) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(size * 2);
  for (size_t i = 0; i < size; ++i) {
    out += kDigits[data[i] >> 4];
    out += kDigits[data[i] & 15];
  }
  return out;
}

std::vector<unsigned char> Derive(std::string_view password, std::string_view salt, int iterations) {
  std::vector<unsigned char> out(32);
  gDerivations.fetch_add(1, std::memory_order_relaxed);
  if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()),
                        reinterpret_cast<const unsigned char*>(salt.data()),
                        static_cast<int>(salt.size()), iterations, EVP_sha256(),
                        static_cast<int>(out.size()), out.data()) != 1)
    throw std::runtime_error("password hashing failed");
  return out;
}

struct ParsedHash {
  int iterations = 0;
  std::string_view salt;
  std::string_view hash;
};

// Splits a stored hash; iterations stays 0 when it is malformed or its work factor is out of range.
ParsedHash Parse(std::string_view stored) {
  ParsedHash parsed;
  if (stored.substr(0, kPrefix.size()) != kPrefix) return parsed;
  std::string_view rest = stored.substr(kPrefix.size());
  size_t a = rest.find('$');
  if (a == std::string_view::npos || a == 0) return parsed;
  size_t b = rest.find('$', a + 1);
  if (b == std::string_view::npos) return parsed;
  int iterations = 0;
  for (char c : rest.substr(0, a)) {
    if (c < '0' || c > '9' || iterations > kMaxPasswordIterations / 10) return parsed;
    iterations = iterations * 10 + (c - '0');
  }
  if (iterations <= 0 || iterations > kMaxPasswordIterations) return parsed;
  parsed.iterations = iterations;
  parsed.salt = rest.substr(a + 1, b - a - 1);
  parsed.hash = rest.substr(b + 1);
  return parsed;
}

}  // namespace

std::string RandomHex(size_t bytes) {
  std::vector<unsigned char> buf(bytes);
  if (RAND_bytes(buf.data(), static_cast<int>(buf.size())) != 1)
    throw std::runtime_error("no random bytes");
  return Hex(buf.data(), buf.size());
}

bool SameSecret(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

std::string HashPassword(std::string_view password, int iterations) {
  std::string salt = RandomHex(16);
  auto hash = Derive(password, salt, iterations);
  return std::string(kPrefix) + std::to_string(iterations) + "$" + salt + "$" +
         Hex(hash.data(), hash.size());
}

uint64_t DerivationCount() { return gDerivations.load(std::memory_order_relaxed); }

int HashIterations(std::string_view stored) { return Parse(stored).iterations; }

std::string DummyHash(int iterations) {
  // 64 zero digits: no password is expected to derive an all-zero key.
  return std::string(kPrefix) + std::to_string(iterations) + "$" +
         "00000000000000000000000000000000$" + std::string(64, '0');
}

bool VerifyPassword(std::string_view password, std::string_view stored) {
  ParsedHash parsed = Parse(stored);
  if (parsed.iterations == 0) return false;
  auto hash = Derive(password, parsed.salt, parsed.iterations);
  return SameSecret(Hex(hash.data(), hash.size()), parsed.hash);
}

}  // namespace corvane::service::server
