#pragma once
// IO handlers: the transport of one channel over one TCP connection.
//
// TOLACustomIdIOHandler implements every operation on the connection returned by GetConnection;
// without one (unbound), reads return neutral values and writes are dropped silently.
// TOLAIdServerIOHandler is attached to an accepted connection's context when the connection
// announces the channel; TOLAIdClientIOHandler makes its own connection (customer side).
//
// Threads: reads run on the connection's thread only. Writes may come from the main thread while
// that thread reads. Binding and unbinding run on the connection's thread; the bound connection is
// held by a shared pointer under a lock, so a main-thread writer never sees it destroyed.

#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "session/Component.h"
#include "session/Limits.h"
#include "session/TcpConnection.h"
#include "session/TcpServer.h"
#include "session/Transport.h"

namespace corvane::session {

class TOLACustomServer;
class TOLAIdServerIOHandler;

// The context of each connection accepted by a session's TCP server: remembers the channel bound
// to it and runs the channel's end-of-connection steps.
class TOLAIdContext final : public TcpContext {
public:
  using TcpContext::TcpContext;
  ~TOLAIdContext() override;
  TOLACustomServer* Channel() const { return channel_; }

private:
  friend class TOLAIdServerIOHandler;
  void ConnectionEnded() override;
  TOLACustomServer* channel_ = nullptr;  // connection thread only
};

class TOLACustomIOHandler : public TComponent, public IOLATransport {
public:
  using TComponent::TComponent;
  virtual void Connect() = 0;
  virtual void Disconnect() = 0;
};

class TOLACustomIdIOHandler : public TOLACustomIOHandler {
public:
  using TOLACustomIOHandler::TOLACustomIOHandler;

  int ReadTimeOut = kDefaultReadTimeOut;
  // Limit of one write made from another thread than the connection's own (the main thread
  // following the user, Server handlers only): a peer that takes no bytes for this long is lost,
  // and the connection ends rather than keep that thread waiting. Set before the writes start.
  int WriteTimeOut = kDefaultWriteTimeOut;
  // The connection to use, or none.
  virtual std::shared_ptr<TcpConnection> GetConnection() const = 0;

  bool Connected() override;
  void Disconnect() override;
  TOLAMessageCode ReadMessageCode(int timeout) override;
  int32_t ReadInteger() override;
  uint16_t ReadWord() override;
  uint8_t ReadByte() override;
  uint32_t ReadCardinal() override;
  void ReadComponent(TOLAStreamable& record) override;
  void ReadStream(base::Stream& stream, int64_t size) override;
  std::string ReadLn() override;
  void WriteMessageCode(TOLAMessageCode code) override;
  void WriteInteger(int32_t value) override;
  void WriteWord(uint16_t value) override;
  void WriteByte(uint8_t value) override;
  void WriteCardinal(uint32_t value) override;
  void WriteComponent(const TOLAStreamable& record) override;
  void WriteStream(base::Stream& stream, int64_t size, bool writeSize, bool fromStart) override;
  void WriteLn(std::string_view text) override;

  // Reads a big-endian length prefix and checks it against the block ceiling.
  static int32_t CheckedBlockLength(int32_t length);

protected:
  // The time limit of a write made now, on the calling thread (a TcpConnection limit value).
  virtual int WriteTimeLimit() const { return kConnectionTimeLimit; }
};

class TOLAIdServerIOHandler final : public TOLACustomIdIOHandler {
public:
  explicit TOLAIdServerIOHandler(TComponent* owner);
  ~TOLAIdServerIOHandler() override;

  void Connect() override {}  // an accepted connection cannot be made
  bool Connected() override;
  std::shared_ptr<TcpConnection> GetConnection() const override;

  // Attaches to a context, or detaches with nullptr. Connection thread only.
  void Bind(TOLAIdContext* context);
  TOLAIdContext* Context() const;
  // The thread serving the bound connection; empty when unbound.
  std::thread::id ContextThread() const;

  // Set by the per-transfer channels: destroy the channel when its connection ends.
  bool FreeWithContext = false;

protected:
  // Writes on the connection's own thread keep the connection's limit; others get WriteTimeOut.
  int WriteTimeLimit() const override;

private:
  mutable std::mutex mutex_;
  TOLAIdContext* context_ = nullptr;
  std::shared_ptr<TcpConnection> connection_;
  std::thread::id thread_;
};

// Customer side: connects to the agent's session port.
class TOLAIdClientIOHandler final : public TOLACustomIdIOHandler {
public:
  explicit TOLAIdClientIOHandler(TComponent* owner);
  ~TOLAIdClientIOHandler() override;

  std::string Host = "127.0.0.1";
  uint16_t Port = 0;
  int ConnectTimeOut = 10000;

  void Connect() override;  // throws ConnectError
  std::shared_ptr<TcpConnection> GetConnection() const override;

private:
  mutable std::mutex mutex_;
  std::shared_ptr<TcpConnection> connection_;
};

}  // namespace corvane::session
