#include "ReservedPort.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace corvane::load {

ReservedPort::ReservedPort() : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
  const int one = 1;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  const bool ok = fd_ >= 0 && ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) == 0 &&
                  ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                  ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) == 0;
  if (!ok) {
    if (fd_ >= 0) ::close(fd_);
    throw std::runtime_error("no loopback port to reserve");
  }
  port_ = ntohs(address.sin_port);
}

ReservedPort::~ReservedPort() { ::close(fd_); }

}  // namespace corvane::load
