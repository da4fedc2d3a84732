#include "session/TcpConnection.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "session/SessionError.h"

namespace corvane::session {

namespace {
constexpr size_t kReadChunk = 64 * 1024;

std::string AddressText(const sockaddr_storage& addr) {
  char host[INET6_ADDRSTRLEN] = {0};
  if (addr.ss_family == AF_INET) {
    inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(addr).sin_addr, host, sizeof host);
  } else if (addr.ss_family == AF_INET6) {
    inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6&>(addr).sin6_addr, host, sizeof host);
  }
  return host;
}
}  // namespace

TcpConnection::TcpConnection(int fd) : fd_(fd) {
  int one = 1;
  setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

TcpConnection::~TcpConnection() {
  Disconnect();
  ::close(fd_);
}

std::unique_ptr<TcpConnection> TcpConnection::Connect(const std::string& host, uint16_t port,
                                                      int timeoutMs) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  if (getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0 || !found)
    throw ConnectError("Host not found: " + host);
  std::string lastError = "Connection refused";
  for (addrinfo* ai = found; ai; ai = ai->ai_next) {
    int fd = ::socket(ai->ai_family, ai->ai_socktype | SOCK_CLOEXEC, ai->ai_protocol);
    if (fd < 0) continue;
    // Non-blocking connect so that the time limit applies, then back to blocking mode.
    const int flags = fcntl(fd, F_GETFL, 0);
    fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    int rc = ::connect(fd, ai->ai_addr, ai->ai_addrlen);
    if (rc < 0 && errno == EINPROGRESS) {
      pollfd p{fd, POLLOUT, 0};
      rc = ::poll(&p, 1, timeoutMs);
      if (rc == 1) {
        int err = 0;
        socklen_t len = sizeof err;
        getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len);
        rc = err == 0 ? 0 : -1;
        if (err) lastError = std::strerror(err);
      } else {
        rc = -1;
        lastError = "Connect timed out";
      }
    } else if (rc < 0) {
      lastError = std::strerror(errno);
    }
    if (rc == 0) {
      fcntl(fd, F_SETFL, flags);
      freeaddrinfo(found);
      return std::make_unique<TcpConnection>(fd);
    }
    ::close(fd);
  }
  freeaddrinfo(found);
  throw ConnectError(lastError);
}

void TcpConnection::Disconnect() {
  if (!closed_.exchange(true)) ::shutdown(fd_, SHUT_RDWR);
}

int TcpConnection::Effective(int timeoutMs) const {
  if (timeoutMs == kNoTimeLimit) return -1;
  if (timeoutMs == kConnectionTimeLimit) {
    const int limit = readTimeout_.load();
    return limit > 0 ? limit : -1;
  }
  return timeoutMs < 0 ? -1 : timeoutMs;
}

void TcpConnection::Compact() {
  if (start_ > 0 && (start_ == buffer_.size() || start_ > kReadChunk)) {
    buffer_.erase(0, start_);
    start_ = 0;
  }
}

size_t TcpConnection::Receive(char* into, size_t capacity, int timeoutMs) {
  if (closed_.load()) throw ConnectionClosedError();
  // What is already there is taken at once; the wait (and its system call) only comes when
  // nothing is, which during a transfer saves one call in two.
  ssize_t n;
  do {
    n = ::recv(fd_, into, capacity, MSG_DONTWAIT);
  } while (n < 0 && errno == EINTR);
  if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
    pollfd p{fd_, POLLIN, 0};
    int rc;
    do {
      rc = ::poll(&p, 1, timeoutMs);
    } while (rc < 0 && errno == EINTR);
    if (rc == 0) return 0;
    do {
      n = ::recv(fd_, into, capacity, 0);
    } while (n < 0 && errno == EINTR);
  }
  if (n <= 0) {
    closed_.store(true);
    ::shutdown(fd_, SHUT_RDWR);
    throw ConnectionClosedError();
  }
  return static_cast<size_t>(n);
}

bool TcpConnection::Fill(int timeoutMs) {
  Compact();
  const size_t old = buffer_.size();
  buffer_.resize(old + kReadChunk);
  size_t n = 0;
  try {
    n = Receive(buffer_.data() + old, kReadChunk, timeoutMs);
  } catch (...) {
    buffer_.resize(old);
    throw;
  }
  buffer_.resize(old + n);
  return n > 0;
}

std::optional<std::string> TcpConnection::ReadLine(int timeoutMs, size_t maxLength) {
  const int limit = Effective(timeoutMs);
  for (;;) {
    const size_t available = buffer_.size() - start_;
    const void* lf = std::memchr(buffer_.data() + start_ + scanned_, '\n', available - scanned_);
    if (lf) {
      const size_t end = static_cast<size_t>(static_cast<const char*>(lf) - buffer_.data());
      size_t lineEnd = end;
      if (lineEnd > start_ && buffer_[lineEnd - 1] == '\r') --lineEnd;
      if (lineEnd - start_ > maxLength) throw LineTooLongError();
      std::string line = buffer_.substr(start_, lineEnd - start_);
      start_ = end + 1;
      scanned_ = 0;
      return line;
    }
    scanned_ = available;
    // A CR may still precede the LF to come, so allow one byte beyond the limit.
    if (available > maxLength + 1) throw LineTooLongError();
    if (!Fill(limit)) return std::nullopt;
  }
}

void TcpConnection::ReadInto(void* out, size_t n) {
  auto* dest = static_cast<char*>(out);
  const int limit = Effective(kConnectionTimeLimit);
  while (n > 0) {
    const size_t available = buffer_.size() - start_;
    if (available > 0) {
      const size_t take = available < n ? available : n;
      std::memcpy(dest, buffer_.data() + start_, take);
      start_ += take;
      scanned_ = 0;
      dest += take;
      n -= take;
      continue;
    }
    // Once the buffer is drained, large reads go straight to their destination: one copy less,
    // and fewer, larger receives.
    if (n >= kReadChunk) {
      const size_t got = Receive(dest, n, limit);
      if (got == 0) throw ReadTimeoutError();
      dest += got;
      n -= got;
      continue;
    }
    if (!Fill(limit)) throw ReadTimeoutError();
  }
}

std::string TcpConnection::ReadBytes(size_t n) {
  std::string out;
  // Grow with what arrives rather than trusting the announced size up front.
  while (out.size() < n) {
    const size_t step = std::min(n - out.size(), std::max<size_t>(kReadChunk, out.size()));
    const size_t old = out.size();
    out.resize(old + step);
    ReadInto(out.data() + old, step);
  }
  return out;
}

void TcpConnection::Write(std::string_view bytes, int timeoutMs) {
  using Clock = std::chrono::steady_clock;
  const int limit = timeoutMs == kConnectionTimeLimit ? writeTimeout_.load() : timeoutMs;
  const bool bounded = limit > 0;
  const auto deadline = Clock::now() + std::chrono::milliseconds(bounded ? limit : 0);
  auto timedOut = [this]() -> ConnectionClosedError {
    Disconnect();
    return ConnectionClosedError("Write timed out.");
  };
  // Each channel has one writing thread, so the lock is never held long by another writer.
  std::lock_guard lock(writeMutex_);
  while (!bytes.empty()) {
    if (closed_.load()) throw ConnectionClosedError();
    ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      int wait = -1;
      if (bounded) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) throw timedOut();
        wait = static_cast<int>(left);
      }
      pollfd p{fd_, POLLOUT, 0};
      int rc;
      do {
        rc = ::poll(&p, 1, wait);
      } while (rc < 0 && errno == EINTR);
      if (rc == 0) throw timedOut();
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      Disconnect();
      throw ConnectionClosedError();
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
}

std::string TcpConnection::PeerAddress() const {
  sockaddr_storage addr{};
  socklen_t len = sizeof addr;
  if (getpeername(fd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) return {};
  return AddressText(addr);
}

std::string TcpConnection::LocalAddress() const {
  sockaddr_storage addr{};
  socklen_t len = sizeof addr;
  if (getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) return {};
  return AddressText(addr);
}

}  // namespace corvane::session
