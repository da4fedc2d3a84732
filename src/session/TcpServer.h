#pragma once
// A TCP server that serves each accepted connection on a thread of its own.
//
// For every connection the thread creates a context (through the context factory), calls
// OnConnect once, then OnExecute again and again while the connection is open. When the
// connection ends (closed by either side, or an exception escaped a handler) it runs the end
// steps in order: OnDisconnect, removal from the list of connections, then the context's own
// ConnectionEnded, and destroys the context.
//
// Threads: SetActive, the setters and the destructor belong to the owner's thread (normally the
// main thread); the handlers run on connection threads. SetActive(false) from the main thread
// keeps serving main-loop hand-overs while it waits for the connection threads.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "base/MainLoop.h"
#include "session/Limits.h"
#include "session/SessionError.h"
#include "session/TcpConnection.h"

namespace corvane::session {

class TcpServer;

// Could not listen on the requested address and port.
class SocketBindError : public SessionError {
public:
  using SessionError::SessionError;
};

// One accepted connection and the thread that serves it.
class TcpContext {
public:
  TcpContext(TcpServer& server, std::unique_ptr<TcpConnection> connection);
  virtual ~TcpContext();
  TcpConnection& Connection() { return *connection_; }
  // Shared so that a writer on another thread keeps the connection object alive; writes after the
  // end fail with ConnectionClosedError.
  const std::shared_ptr<TcpConnection>& SharedConnection() const { return connection_; }
  TcpServer& Server() { return server_; }
  std::thread::id ThreadId() const { return threadId_; }

protected:
  friend class TcpServer;
  // The context's own end-of-connection steps, after the server's. Runs on the connection thread.
  virtual void ConnectionEnded() {}

private:
  TcpServer& server_;
  std::shared_ptr<TcpConnection> connection_;
  std::thread::id threadId_;
};

class TcpServer {
public:
  using Handler = std::function<void(TcpContext&)>;
  using ContextFactory =
      std::function<std::unique_ptr<TcpContext>(TcpServer&, std::unique_ptr<TcpConnection>)>;

  explicit TcpServer(base::MainLoop& loop);
  ~TcpServer();
  TcpServer(const TcpServer&) = delete;
  TcpServer& operator=(const TcpServer&) = delete;

  Handler OnConnect;
  Handler OnExecute;
  Handler OnDisconnect;
  void SetContextFactory(ContextFactory factory) { factory_ = std::move(factory); }

  // Address to listen on; port 0 picks a free port (see Port()).
  void SetBinding(std::string host, uint16_t port);
  // Connections beyond this many open at once are closed at once; 0 means no cap. Threads still
  // ending closed connections count apart, up to as many again, so a burst of endings does not
  // keep new connections out.
  void SetMaxConnections(size_t max) { maxConnections_ = max; }

  // true: listen (throws SocketBindError when the port is taken). false: stop accepting, end
  // every connection and wait for every connection thread.
  void SetActive(bool active);
  bool Active() const { return active_; }
  uint16_t Port() const { return port_; }
  size_t ConnectionCount() const;
  // Calls fn for each live context under the list lock (fn must not block).
  void ForEachContext(const std::function<void(TcpContext&)>& fn);

  base::MainLoop& Loop() { return loop_; }

private:
  struct Slot {
    std::thread thread;
    std::atomic<bool> finished{false};
  };
  void AcceptLoop();
  void Serve(std::shared_ptr<Slot> slot, int fd);
  void ReapFinished();

  base::MainLoop& loop_;
  ContextFactory factory_;
  std::string host_ = "0.0.0.0";
  uint16_t requestedPort_ = 0;
  uint16_t port_ = 0;
  size_t maxConnections_ = 0;
  bool active_ = false;
  int listenFd_ = -1;
  std::thread acceptThread_;

  mutable std::mutex mutex_;  // guards contexts_, slots_, open_, stopping_
  std::list<TcpContext*> contexts_;
  std::list<std::shared_ptr<Slot>> slots_;
  size_t open_ = 0;  // accepted connections not yet removed from the list
  bool stopping_ = false;
};

}  // namespace corvane::session
