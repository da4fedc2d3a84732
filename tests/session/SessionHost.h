#pragma once
// Test harness for session channels over loopback: a root component owning the channels, a TCP
// server on an ephemeral port that binds connections to them, and a raw peer socket for writing
// exact bytes.

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/ManualLoop.h"
#include "session/ChannelComponent.h"
#include "session/TcpServer.h"

namespace corvane::session::testing {

class SessionHost {
public:
  explicit SessionHost(base::ManualLoop& loop) : loop(loop), server(loop) {
    server.SetBinding("127.0.0.1", 0);
    server.SetContextFactory([](TcpServer& s, std::unique_ptr<TcpConnection> c) {
      return std::make_unique<TOLAIdContext>(s, std::move(c));
    });
    server.OnExecute = [this](TcpContext& ctx) {
      ExecuteSessionConnection(static_cast<TOLAIdContext&>(ctx), root);
    };
    server.OnDisconnect = [this](TcpContext&) { ++disconnects; };
  }
  ~SessionHost() { Stop(); }

  void Start() { server.SetActive(true); }
  // Channels must outlive their connections: stop the server before they are destroyed.
  void Stop() { server.SetActive(false); }
  uint16_t Port() const { return server.Port(); }

  // Waits (bounded, real time) for a condition that other threads change, pumping the loop.
  bool WaitFor(const std::function<bool()>& pred, int ms = 10000) {
    return loop.pumpUntil(pred, ms);
  }

  base::ManualLoop& loop;
  TComponent root;
  TcpServer server;
  std::atomic<int> disconnects{0};
};

// A raw customer-side socket for exact bytes.
class RawPeer {
public:
  explicit RawPeer(uint16_t port) : conn(TcpConnection::Connect("127.0.0.1", port)) {
    conn->SetReadTimeout(10000);
  }
  void Send(std::string_view bytes) { conn->Write(bytes); }
  std::string Receive(size_t n) { return conn->ReadBytes(n); }
  std::optional<std::string> Line(int ms = 10000) { return conn->ReadLine(ms, 1 << 20); }
  // True once the agent side closed the connection (bounded wait).
  bool ClosedByAgent(int ms = 10000) {
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    try {
      while (std::chrono::steady_clock::now() < until) conn->ReadLine(50, 1 << 20);
    } catch (const SessionError&) {
      return true;
    }
    return false;
  }
  std::unique_ptr<TcpConnection> conn;
};

inline std::string BigEndian(uint32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[static_cast<size_t>(i)] = static_cast<char>(v >> (24 - 8 * i));
  return s;
}

}  // namespace corvane::session::testing
