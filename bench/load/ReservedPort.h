#pragma once
// A loopback port kept for as long as the object lives: a socket bound to port 0 with SO_REUSEADDR
// that never listens. No other bind to port 0 and no outgoing connection of a program running
// beside (other tests, other scenarios) is given the port, while a server of this process that
// sets SO_REUSEADDR (the call listener, the session servers, the service front) still binds and
// listens on it, as often as it opens again. A connection to it is refused while nothing listens.
// A port picked free, released and bound later could be taken by anyone in between.

namespace corvane::load {

class ReservedPort {
public:
  ReservedPort();
  ~ReservedPort();
  ReservedPort(const ReservedPort&) = delete;
  ReservedPort& operator=(const ReservedPort&) = delete;
  int Port() const { return port_; }

private:
  int fd_ = -1;
  int port_ = 0;
};

}  // namespace corvane::load
