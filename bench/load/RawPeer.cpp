#include "RawPeer.h"

#include "RawHttp.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace corvane::load {

RawConnection::RawConnection(int port, int timeoutMs) {
  fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd_ < 0) return;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    bool ok = false;
    if (errno == EINPROGRESS) {
      pollfd p{fd_, POLLOUT, 0};
      int error = 0;
      socklen_t length = sizeof error;
      ok = ::poll(&p, 1, timeoutMs) == 1 && ::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
    }
    if (!ok) {
      ::close(fd_);
      fd_ = -1;
      return;
    }
  }
  const int flags = ::fcntl(fd_, F_GETFL);
  ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);
  timeval tv{5, 0};
  ::setsockopt(fd_, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
}

RawConnection::~RawConnection() { Close(); }

bool RawConnection::Send(const std::string& bytes) {
  return fd_ >= 0 && SendAll(fd_, bytes);
}

std::string RawConnection::ReadAll(int timeoutMs) {
  std::string out;
  if (fd_ < 0) return out;
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  char buffer[4096];
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
    if (left.count() <= 0) return out;
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left.count())) != 1) return out;
    const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
    if (n <= 0) return out;
    out.append(buffer, static_cast<size_t>(n));
  }
}

std::string RawConnection::ReadSome(int timeoutMs) {
  if (fd_ < 0) return {};
  pollfd p{fd_, POLLIN, 0};
  if (::poll(&p, 1, timeoutMs) != 1) return {};
  char buffer[4096];
  const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
  return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

void RawConnection::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

void RawConnection::Reset() {
  if (fd_ < 0) return;
  linger l{1, 0};
  ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &l, sizeof l);
  Close();
}

}  // namespace corvane::load
