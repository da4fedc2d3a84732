#pragma once
// One TCP connection with a buffered reader and a serialised writer.
//
// Threads: reads happen on one thread (the connection's); writes may come from any thread and are
// serialised by a lock; Disconnect may be called from any thread and wakes a blocked reader.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace corvane::session {

// Read time limits: no limit at all, or the connection's own read time limit.
inline constexpr int kNoTimeLimit = -2;
inline constexpr int kConnectionTimeLimit = -1;

class TcpConnection {
public:
  explicit TcpConnection(int fd);
  ~TcpConnection();
  TcpConnection(const TcpConnection&) = delete;
  TcpConnection& operator=(const TcpConnection&) = delete;

  // Connects to host:port within timeoutMs; throws ConnectError.
  static std::unique_ptr<TcpConnection> Connect(const std::string& host, uint16_t port,
                                                int timeoutMs = 10000);

  // Open, and not seen closed by either side.
  bool Connected() const { return !closed_.load(); }
  // Closes both directions, telling the peer. Idempotent, any thread.
  void Disconnect();

  // The limit used by kConnectionTimeLimit; 0 means none.
  void SetReadTimeout(int ms) { readTimeout_.store(ms); }
  int ReadTimeout() const { return readTimeout_.load(); }
  // The limit used by writes given kConnectionTimeLimit: the whole write, until the peer took the
  // last byte; 0 means none.
  void SetWriteTimeout(int ms) { writeTimeout_.store(ms); }

  // Reads up to the next LF; drops it and one CR before it. Returns nothing when the time limit
  // expired first (the bytes read so far stay buffered). Throws LineTooLongError when more than
  // maxLength bytes come before the LF, ConnectionClosedError when the connection ends.
  std::optional<std::string> ReadLine(int timeoutMs, size_t maxLength);
  // Reads exactly n bytes, each wait bounded by the connection's read time limit. Throws
  // ReadTimeoutError or ConnectionClosedError. Memory grows with the bytes that actually arrive.
  std::string ReadBytes(size_t n);
  void ReadInto(void* out, size_t n);

  // Writes every byte or throws ConnectionClosedError. timeoutMs bounds the whole write
  // (kConnectionTimeLimit: the connection's write limit; kNoTimeLimit or 0: none); when it runs out
  // the peer is taken as lost: the connection is closed and ConnectionClosedError("Write timed
  // out.") is thrown.
  void Write(std::string_view bytes, int timeoutMs = kConnectionTimeLimit);

  // The socket, for options such as buffer sizes.
  int NativeHandle() const { return fd_; }

  std::string PeerAddress() const;
  std::string LocalAddress() const;

private:
  // Waits up to timeoutMs (-1 none) for bytes and receives at most capacity of them into `into`;
  // 0 when the time ran out. ConnectionClosedError when the peer closed.
  size_t Receive(char* into, size_t capacity, int timeoutMs);
  // The same into the buffer. False on time-out.
  bool Fill(int timeoutMs);
  int Effective(int timeoutMs) const;
  void Compact();

  int fd_;
  std::atomic<bool> closed_{false};
  std::atomic<int> readTimeout_{0};
  std::atomic<int> writeTimeout_{0};
  std::string buffer_;   // reader thread only
  size_t start_ = 0;     // first unread byte in buffer_
  size_t scanned_ = 0;   // bytes after start_ already searched for LF
  std::timed_mutex writeMutex_;
};

}  // namespace corvane::session
