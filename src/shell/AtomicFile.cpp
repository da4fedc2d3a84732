#include "shell/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace corvane::shell {
namespace {

std::error_code lastError() { return {errno, std::generic_category()}; }

class Fd {
public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }

private:
  int fd_;
};

std::string folderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::error_code WriteFileAtomically(const std::string& path, std::string_view bytes) {
  const std::string temp = path + ".tmp-" + std::to_string(::getpid());
  const int flags = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC;
  int raw = ::open(temp.c_str(), flags, 0600);
  if (raw < 0 && errno == EEXIST) {
    // Left by a crashed run that had this process id. O_EXCL after unlink never opens a folder,
    // nor a file that a link planted there points to.
    if (::unlink(temp.c_str()) != 0) return lastError();
    raw = ::open(temp.c_str(), flags, 0600);
  }
  Fd fd(raw);
  if (fd.get() < 0) return lastError();
  auto fail = [&temp](std::error_code ec) {
    ::unlink(temp.c_str());
    return ec;
  };
  struct stat existing {};
  mode_t mode = ::stat(path.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : 0644;
  if (::fchmod(fd.get(), mode) != 0) return fail(lastError());
  size_t written = 0;
  while (written < bytes.size()) {
    ssize_t n = ::write(fd.get(), bytes.data() + written, bytes.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      return fail(lastError());
    }
    written += static_cast<size_t>(n);
  }
  if (::fsync(fd.get()) != 0) return fail(lastError());
  if (::close(fd.release()) != 0) return fail(lastError());
  if (::rename(temp.c_str(), path.c_str()) != 0) return fail(lastError());
  // Make the rename itself durable; a failure here leaves a complete file either way.
  Fd dir(::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
  return {};
}

std::optional<std::string> ReadWholeFile(const std::string& path, int64_t maxBytes, std::error_code& ec) {
  ec.clear();
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) {
    ec = lastError();
    return std::nullopt;
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) {
    ec = lastError();
    return std::nullopt;
  }
  if (!S_ISREG(st.st_mode)) {
    ec = std::make_error_code(std::errc::invalid_argument);
    return std::nullopt;
  }
  if (st.st_size > maxBytes) {
    ec = std::make_error_code(std::errc::file_too_large);
    return std::nullopt;
  }
  std::string data;
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd.get(), buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      ec = lastError();
      return std::nullopt;
    }
    if (n == 0) break;
    data.append(buf, static_cast<size_t>(n));
    if (static_cast<int64_t>(data.size()) > maxBytes) {  // grew while we read
      ec = std::make_error_code(std::errc::file_too_large);
      return std::nullopt;
    }
  }
  return data;
}

}  // namespace corvane::shell
