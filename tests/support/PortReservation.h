#pragma once
// A loopback port kept for one test: a socket bound to port 0 with SO_REUSEADDR and never
// listening, held until the reservation is destroyed. While it is held, the kernel gives the port
// to no other bind to port 0 and to no outgoing connection, so tests running in parallel cannot
// take it; the code under test can still bind and listen on it (the project's servers set
// SO_REUSEADDR), and a connection to it is refused while nothing of the test listens there.
// Picking a free port, releasing it and binding it later races with every other test.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <stdexcept>

namespace corvane::testing {

class PortReservation {
public:
  PortReservation() : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    const int one = 1;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (fd_ < 0 || ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0 ||
        ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
      if (fd_ >= 0) ::close(fd_);
      throw std::runtime_error("no loopback port to reserve");
    }
    port_ = ntohs(a.sin_port);
  }
  ~PortReservation() { ::close(fd_); }
  PortReservation(const PortReservation&) = delete;
  PortReservation& operator=(const PortReservation&) = delete;

  uint16_t Port() const { return port_; }

private:
  int fd_;
  uint16_t port_ = 0;
};

}  // namespace corvane::testing
