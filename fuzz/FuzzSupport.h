#pragma once
// Helpers shared by the fuzz targets.

#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>

#include "session/IOHandler.h"
#include "session/TcpConnection.h"

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

// The bytes, delivered as a peer would send them on a connection that then closes: a transport
// whose every read comes from the bytes, the way a channel reads its connection.
class FedTransport final : public session::TOLACustomIdIOHandler {
public:
  explicit FedTransport(std::string_view bytes) : session::TOLACustomIdIOHandler(nullptr) {
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) return;
    int buf = 4 * 1024 * 1024;
    setsockopt(fds[1], SOL_SOCKET, SO_SNDBUF, &buf, sizeof buf);
    setsockopt(fds[0], SOL_SOCKET, SO_RCVBUF, &buf, sizeof buf);
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = write(fds[1], bytes.data() + done, bytes.size() - done);
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    close(fds[1]);
    connection_ = std::make_shared<session::TcpConnection>(fds[0]);
    connection_->SetReadTimeout(50);
  }
  void Connect() override {}
  std::shared_ptr<session::TcpConnection> GetConnection() const override { return connection_; }

private:
  std::shared_ptr<session::TcpConnection> connection_;
};

}  // namespace corvane::fuzz
