#pragma once
// Plain loopback TCP connections for the scenarios' stray peers: connect, send, read an answer,
// close or reset. Every call is bounded in time.
//
// Threads: one object per thread.

#include <string>

namespace corvane::load {

class RawConnection {
public:
  // Connects to 127.0.0.1:port within timeoutMs; Connected() tells whether it worked.
  RawConnection(int port, int timeoutMs = 5000);
  ~RawConnection();
  RawConnection(const RawConnection&) = delete;
  RawConnection& operator=(const RawConnection&) = delete;

  bool Connected() const { return fd_ >= 0; }
  bool Send(const std::string& bytes);
  // Reads until the peer closes or timeoutMs passed; returns what came.
  std::string ReadAll(int timeoutMs);
  // Reads what arrives within timeoutMs (at most one read).
  std::string ReadSome(int timeoutMs);
  void Close();
  // Closes with a reset instead of an orderly end.
  void Reset();

private:
  int fd_ = -1;
};

}  // namespace corvane::load
