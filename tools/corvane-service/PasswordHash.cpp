#include "PasswordHash.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <stdexcept>
#include <vector>

#include "ServiceLimits.h"

namespace corvane::service::server {
namespace {

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

std::vector<unsigned char> Derive(std::string_view password, const std::string& salt, int iterations) {
  std::vector<unsigned char> out(32);
  if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()),
                        reinterpret_cast<const unsigned char*>(salt.data()),
                        static_cast<int>(salt.size()), iterations, EVP_sha256(),
                        static_cast<int>(out.size()), out.data()) != 1)
    throw std::runtime_error("password hashing failed");
  return out;
}

}  // namespace

std::string RandomHex(size_t bytes) {
  std::vector<unsigned char> buf(bytes);
  if (RAND_bytes(buf.data(), static_cast<int>(buf.size())) != 1)
    throw std::runtime_error("no random bytes");
  return Hex(buf.data(), buf.size());
}

std::string HashPassword(std::string_view password) {
  std::string salt = RandomHex(16);
  auto hash = Derive(password, salt, kPasswordIterations);
  return "pbkdf2-sha256$" + std::to_string(kPasswordIterations) + "$" + salt + "$" +
         Hex(hash.data(), hash.size());
}

bool VerifyPassword(std::string_view password, std::string_view stored) {
  const std::string prefix = "pbkdf2-sha256$";
  if (stored.substr(0, prefix.size()) != prefix) return false;
  std::string_view rest = stored.substr(prefix.size());
  size_t a = rest.find('$');
  if (a == std::string_view::npos) return false;
  size_t b = rest.find('$', a + 1);
  if (b == std::string_view::npos) return false;
  int iterations = 0;
  for (char c : rest.substr(0, a)) {
    if (c < '0' || c > '9' || iterations > 10'000'000) return false;
    iterations = iterations * 10 + (c - '0');
  }
  if (iterations <= 0) return false;
  std::string salt(rest.substr(a + 1, b - a - 1));
  std::string expected(rest.substr(b + 1));
  auto hash = Derive(password, salt, iterations);
  std::string actual = Hex(hash.data(), hash.size());
  return actual.size() == expected.size() &&
         CRYPTO_memcmp(actual.data(), expected.data(), actual.size()) == 0;
}

}  // namespace corvane::service::server
