// Reads of large blocks on one connection: the bytes arrive in pieces, and a peer that falls
// silent in the middle of a block times out instead of leaving the reader waiting.

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "session/SessionError.h"
#include "session/TcpConnection.h"

namespace corvane::session {
namespace {

struct Pair {
  Pair() {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) throw std::runtime_error("socketpair");
    reader = std::make_unique<TcpConnection>(fds[0]);
    peer = fds[1];
  }
  ~Pair() { ::close(peer); }
  void Send(const std::string& bytes) const {
    for (size_t sent = 0; sent < bytes.size();) {
      const ssize_t n = ::send(peer, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) return;
      sent += static_cast<size_t>(n);
    }
  }
  std::unique_ptr<TcpConnection> reader;
  int peer = -1;
};

std::string Pattern(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(i * 131 + i / 977);
  return s;
}

TEST(TcpConnectionRead, LargeBlockInPiecesAfterBufferedBytesArrivesWhole) {
  Pair pair;
  pair.reader->SetReadTimeout(5000);
  const std::string block = Pattern(700 * 1024);
  // A line first, so that part of the block is already buffered when the block is read.
  pair.Send("L\r\n" + block.substr(0, 1000));
  ASSERT_EQ(pair.reader->ReadLine(5000, 100).value_or(""), "L");
  std::thread sender([&] {
    for (size_t at = 1000; at < block.size(); at += 150 * 1024) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      pair.Send(block.substr(at, 150 * 1024));
    }
    pair.Send("next\r\n");
  });
  std::string got(block.size(), '\0');
  pair.reader->ReadInto(got.data(), got.size());
  sender.join();
  EXPECT_TRUE(got == block);
  EXPECT_EQ(pair.reader->ReadLine(5000, 100).value_or(""), "next");  // nothing read past the block
}

TEST(TcpConnectionRead, PeerSilentOrGoneInTheMiddleOfALargeBlock) {
  {
    Pair pair;
    pair.reader->SetReadTimeout(100);
    pair.Send(Pattern(200 * 1024));
    std::string got(400 * 1024, '\0');
    EXPECT_THROW(pair.reader->ReadInto(got.data(), got.size()), ReadTimeoutError);
  }
  {
    Pair pair;
    pair.reader->SetReadTimeout(5000);
    pair.Send(Pattern(200 * 1024));
    ::shutdown(pair.peer, SHUT_WR);
    std::string got(400 * 1024, '\0');
    EXPECT_THROW(pair.reader->ReadInto(got.data(), got.size()), ConnectionClosedError);
    EXPECT_FALSE(pair.reader->Connected());
  }
}

}  // namespace
}  // namespace corvane::session
