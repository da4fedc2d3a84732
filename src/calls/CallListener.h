#pragma once
// The call listener: the HTTP server on the agent's call port through which the customers'
// programs call. Requests of methods HEAD, GET and POST on any path go to OnRequest on the
// server's connection threads; the server only reads headers and writes the answer there, the
// processing itself is handed to the main thread by the handler.
//
// Threads: Activate, Deactivate, the setters and the destructor belong to the main thread;
// OnRequest runs on connection threads (one per open connection, from a pool). Deactivate keeps
// serving main-loop hand-overs while it waits for the connection threads, so a connection thread
// waiting for the main thread can never deadlock against it.

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "base/MainLoop.h"

namespace httplib {
class Server;
}

namespace corvane::calls {

// What a request receives: a status, extra headers, and a body with its content type.
struct ListenerAnswer {
  int status = 200;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
  std::string contentType;
};

// One received request, as the handler sees it.
struct ListenerRequest {
  std::string method;
  std::string path;
  std::string peerAddress;
  // The first value of a header (names without regard to case); nullopt when absent.
  std::function<std::optional<std::string>(std::string_view)> header;
};

class CallListener {
public:
  explicit CallListener(base::MainLoop& loop);
  ~CallListener();
  CallListener(const CallListener&) = delete;
  CallListener& operator=(const CallListener&) = delete;

  // Set before the first activation; runs on connection threads and must not throw.
  std::function<ListenerAnswer(const ListenerRequest&)> OnRequest;

  void SetHost(std::string host) { host_ = std::move(host); }
  const std::string& Host() const { return host_; }
  // The port to listen on (0: any free port, see BoundPort). Takes effect at the next activation.
  void SetPort(int port) { port_ = port; }
  int Port() const { return port_; }
  // The port actually listened on while active.
  int BoundPort() const { return boundPort_; }

  // Starts listening; does nothing when already active. Throws ECallListenerPortBusy when the
  // port cannot be bound.
  void Activate();
  // Stops listening, ends every connection and waits for the connection threads.
  void Deactivate();
  bool Active() const { return active_; }
  // True while Deactivate waits for the connection threads. Main thread. Call work they handed
  // over and that runs meanwhile must be refused, not run: the agent is going away.
  bool Stopping() const { return deactivating_; }
  // Not active and no connection left open.
  bool Idle() const { return !active_ && !http_; }

private:
  base::MainLoop& loop_;
  std::string host_ = "0.0.0.0";
  int port_ = 0;
  int boundPort_ = 0;
  bool active_ = false;
  bool deactivating_ = false;
  std::unique_ptr<httplib::Server> http_;
  std::thread thread_;
  std::atomic<bool> finished_{false};
};

}  // namespace corvane::calls
