#pragma once
// The channel component model: every channel of a session is a component owned by the session,
// with one IO handler and one TCP connection of its own.
//
// Threads: a bound server channel is driven by its connection's thread (ExecuteStep, reads,
// HandleMessage). Speaking channels that follow the user write from the main thread on the same
// connection. Events are run on the main thread through MainLoop::invoke while the connection
// thread waits, as long as SynchronizeEvents is true; after it is cleared events are dropped and
// connection threads never wait for the main thread again.

#include <atomic>
#include <functional>

#include "base/MainLoop.h"
#include "session/IOHandler.h"

namespace corvane::session {

class TOLABaseComponent : public TComponent, public IOLATransport {
public:
  TOLABaseComponent(TComponent* owner, base::MainLoop& loop);
  ~TOLABaseComponent() override;

  // The channel identifier, 15 to 27.
  virtual TOLAMessageCode ChannelId() const = 0;
  TOLACustomIOHandler* IOHandler() const { return ioHandler_; }
  base::MainLoop& Loop() const { return loop_; }

  // Raised by DoDisconnected, only after DoConnected ran (client components).
  std::function<void(TOLABaseComponent&)> OnDisconnected;

  virtual void DoConnected();
  virtual void DoDisconnected();
  virtual void Disconnect();
  bool Connected() override;

  // Transport operations, forwarded to the IO handler.
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

protected:
  virtual TOLACustomIOHandler* CreateIOHandler() = 0;
  // Creates the IO handler. C++ cannot dispatch to a derived class from a base constructor, so the
  // concrete (final) channel classes call it at the end of their constructor.
  void InitIOHandler();

  bool connectedFlag_ = false;

private:
  base::MainLoop& loop_;
  TOLACustomIOHandler* ioHandler_ = nullptr;  // owned as a sub-component
};

// A channel on the accepting side: serves at most one connection in its lifetime.
class TOLACustomServer : public TOLABaseComponent {
public:
  using TOLABaseComponent::TOLABaseComponent;

  bool Accepted() const { return accepted_.load(); }
  bool SynchronizeEvents() const { return synchronizeEvents_.load(); }
  virtual void SetSynchronizeEvents(bool value) { synchronizeEvents_.store(value); }

  // Handles one received message code; codes a channel does not know are ignored.
  virtual void HandleMessage(TOLAMessageCode) {}
  // One turn of the channel on its connection's thread; by default the listening step.
  virtual void ExecuteStep();
  // True (and the channel marked accepted) when code is this channel's identifier.
  virtual bool AcceptChannel(TOLAMessageCode code);
  void Disconnect() override;

protected:
  // Reads a message code with no time limit; code 2 disconnects, others go to HandleMessage.
  void ListenStep();
  // Runs fn on the main thread and waits, if events are synchronised and the connection's thread is
  // known; otherwise drops it. Returns whether it ran.
  bool RaiseEvent(const std::function<void()>& fn);

private:
  std::atomic<bool> accepted_{false};
  std::atomic<bool> synchronizeEvents_{true};
};

enum TOLAAfterExecuteAction { aeaLoop = 0, aeaListenMessage = 1, aeaDisconnect = 2 };

// A server channel that sends actively in rounds of Speak calls.
class TOLACustomServerSpeaking : public TOLACustomServer {
public:
  using TOLACustomServer::TOLACustomServer;

  std::atomic<TOLAAfterExecuteAction> AfterExecuteAction{aeaLoop};
  // Raised on the connection's thread, not synchronised.
  std::function<void(TOLACustomServerSpeaking&)> BeforeExecute;
  std::function<void(TOLACustomServerSpeaking&)> AfterExecute;

  void ExecuteStep() override;
  // Ends the current speaking round.
  void Stop() { stopped_.store(true); }
  bool Stopped() const { return stopped_.load(); }

protected:
  virtual void DoBeforeExecute();
  virtual void Speak() = 0;
  virtual void DoAfterExecute();

private:
  std::atomic<bool> stopped_{false};
};

// The owner's part of serving a session connection, one call per turn of the connection's thread:
// a bound connection drives its channel's ExecuteStep; an unbound one reads one message code line
// (no time limit before binding) and binds the first component of owner, in creation order, that
// is a server channel, has not accepted a connection yet and accepts the code. A line that no
// channel accepts binds nothing; the next call reads the next line.
void ExecuteSessionConnection(TOLAIdContext& context, TComponent& owner);

}  // namespace corvane::session
