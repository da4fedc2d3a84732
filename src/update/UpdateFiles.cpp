#include "update/UpdateFiles.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "update/UpdateError.h"

namespace corvane::update {

namespace {

std::string Reason() { return std::strerror(errno); }

struct Fd {
  int fd = -1;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
};

// Copies source to a new file beside target and renames it over target.
void CopyOnto(const std::string& source, const std::string& target) {
  Fd in{::open(source.c_str(), O_RDONLY | O_CLOEXEC)};
  if (in.fd < 0) throw EUpdateFileError("Cannot read " + source + ": " + Reason());
  struct stat st {};
  if (::fstat(in.fd, &st) != 0) throw EUpdateFileError("Cannot read " + source + ": " + Reason());
  std::string sibling = target + ".UPDTXXXXXX";
  Fd out{::mkostemp(sibling.data(), O_CLOEXEC)};
  if (out.fd < 0) throw EUpdateFileError("Cannot write beside " + target + ": " + Reason());
  auto fail = [&](const std::string& what) {
    const std::string reason = Reason();
    ::unlink(sibling.c_str());
    throw EUpdateFileError(what + ": " + reason);
  };
  std::vector<char> buffer(1 << 16);
  while (true) {
    const ssize_t n = ::read(in.fd, buffer.data(), buffer.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      fail("Cannot read " + source);
    }
    if (n == 0) break;
    for (ssize_t done = 0; done < n;) {
      const ssize_t w = ::write(out.fd, buffer.data() + done, static_cast<size_t>(n - done));
      if (w < 0) {
        if (errno == EINTR) continue;
        fail("Cannot write " + target);
      }
      done += w;
    }
  }
  if (::fchmod(out.fd, st.st_mode & 07777) != 0 || ::fsync(out.fd) != 0) fail("Cannot write " + target);
  if (::close(out.fd) != 0) {
    out.fd = -1;
    fail("Cannot write " + target);
  }
  out.fd = -1;
  if (::rename(sibling.c_str(), target.c_str()) != 0) fail("Cannot replace " + target);
}

// The process's umask, read without changing it (umask() would change it for every thread).
mode_t CurrentUmask() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("Umask:", 0) == 0) return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8) & 0777);
  return 022;
}

}  // namespace

std::string TempFolder() {
  const char* tmp = std::getenv("TMPDIR");
  std::string folder = tmp && tmp[0] == '/' ? tmp : "/tmp";
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

std::string CreateUniqueTempFile(const std::string& prefix) {
  std::string path = TempFolder() + "/" + prefix + "XXXXXX";
  const int fd = ::mkostemp(path.data(), O_CLOEXEC);
  if (fd < 0) throw EUpdateFileError("Cannot create a temporary file in " + TempFolder() + ": " + Reason());
  ::close(fd);
  return path;
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

namespace {

// Reads the file in 64 KiB pieces, handing each to `piece`.
template <class Piece>
void ReadInPieces(const std::string& path, Piece&& piece) {
  Fd in{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
  if (in.fd < 0) throw EUpdateFileError("Cannot read " + path + ": " + Reason());
  std::vector<unsigned char> buffer(1 << 16);
  while (true) {
    const ssize_t n = ::read(in.fd, buffer.data(), buffer.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EUpdateFileError("Cannot read " + path + ": " + Reason());
    }
    if (n == 0) break;
    piece(buffer.data(), static_cast<size_t>(n));
  }
}

}  // namespace

uint32_t FileCrc32(const std::string& path) {
  uLong crc = crc32(0L, Z_NULL, 0);
  ReadInPieces(path, [&](const unsigned char* data, size_t n) { crc = crc32(crc, data, static_cast<uInt>(n)); });
  return static_cast<uint32_t>(crc);
}

std::string FileSha256(const std::string& path) {
  std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
  if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) != 1)
    throw EUpdateFileError("Cannot compute the SHA-256 of " + path + ".");
  ReadInPieces(path, [&](const unsigned char* data, size_t n) {
    if (EVP_DigestUpdate(ctx.get(), data, n) != 1)
      throw EUpdateFileError("Cannot compute the SHA-256 of " + path + ".");
  });
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_DigestFinal_ex(ctx.get(), digest, &length) != 1)
    throw EUpdateFileError("Cannot compute the SHA-256 of " + path + ".");
  static const char* const kHex = "0123456789abcdef";
  std::string hex;
  for (unsigned int i = 0; i < length; ++i) {
    hex += kHex[digest[i] >> 4];
    hex += kHex[digest[i] & 15];
  }
  return hex;
}

void CheckTargetPath(const std::string& path) {
  if (path.empty() || path.front() != '/')
    throw EUpdateUnsafeTarget("The update target \"" + path + "\" is not an absolute path; it is refused.");
  for (const auto& part : std::filesystem::path(path))
    if (part == "..")
      throw EUpdateUnsafeTarget("The update target \"" + path + "\" climbs out through \"..\"; it is refused.");
}

void TakeTargetMode(const std::string& source, const std::string& target) {
  struct stat st {};
  mode_t mode;
  if (::stat(target.c_str(), &st) == 0) {
    mode = st.st_mode & 07777;
  } else {
    mode = 0644 & ~CurrentUmask();
  }
  if (::chmod(source.c_str(), mode) != 0)
    throw EUpdateFileError("Cannot set the permissions of " + source + ": " + Reason());
}

void InstallFile(const std::string& source, const std::string& target) {
  std::error_code ec;
  const std::filesystem::path folder = std::filesystem::path(target).parent_path();
  std::filesystem::create_directories(folder, ec);
  if (ec) throw EUpdateFileError("Cannot create the folder " + folder.string() + ": " + ec.message());
  if (::rename(source.c_str(), target.c_str()) == 0) return;
  CopyOnto(source, target);
  ::unlink(source.c_str());
}

}  // namespace corvane::update
