#pragma once
// Helpers shared by the fuzz targets.

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace corvane::fuzz {

inline std::string_view Bytes(const uint8_t* data, size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// An anonymous in-memory file holding the bytes, reachable through a path, for readers that take
// a file name. Closed when destroyed.
class MemoryFile {
public:
  explicit MemoryFile(std::string_view bytes) : fd_(memfd_create("fuzz", MFD_CLOEXEC)) {
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = write(fd_, bytes.data() + done, bytes.size() - done);
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
  }
  ~MemoryFile() { close(fd_); }
  std::string Path() const { return "/proc/self/fd/" + std::to_string(fd_); }

private:
  int fd_;
};

}  // namespace corvane::fuzz
