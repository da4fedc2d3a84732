#pragma once
// Client-side channel components: the customer's end of each channel. They connect to the agent's
// session port and announce their channel with the first message code line.
//
// Threads: Connect, Disconnect and the destructor run on the main thread. A threaded client runs
// a worker (TOLAThread) that calls DoBeforeExecute, then Execute until asked to end, then
// DoAfterExecute; BeforeExecute and AfterExecute are raised on the worker, OnThreadTerminated on
// the main thread, and Synchronize runs a function on the main thread for the worker.

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "session/ChannelComponent.h"

namespace corvane::session {

class TOLACustomClient : public TOLABaseComponent {
public:
  TOLACustomClient(TComponent* owner, base::MainLoop& loop);

  std::function<void(TOLABaseComponent&)> OnConnected;

  TOLAIdClientIOHandler& ClientIOHandler() const {
    return *static_cast<TOLAIdClientIOHandler*>(IOHandler());
  }
  // Connects (when not connected yet) and writes ChannelId as the first line. Throws ConnectError.
  virtual void Connect();
  void Disconnect() override;
  void DoConnected() override;

protected:
  TOLACustomIOHandler* CreateIOHandler() override;
};

// A worker thread with three callbacks; an AbortError from the step ends the loop quietly.
class TOLAThread {
public:
  using Callback = std::function<void()>;
  TOLAThread(Callback before, Callback step, Callback after, Callback onEnd);
  ~TOLAThread();

  void Start();
  void Terminate() { terminated_.store(true); }
  bool Terminated() const { return terminated_.load(); }
  bool Finished() const { return finished_.load(); }
  void Join();
  // The thread calls nothing more of its owner after this returns.
  void ClearCallbacks();

private:
  void Run();
  Callback Take(Callback& cb);

  std::mutex mutex_;  // guards the callbacks
  Callback before_, step_, after_, onEnd_;
  std::atomic<bool> terminated_{false};
  std::atomic<bool> finished_{false};
  std::thread thread_;
};

class TOLACustomClientThreaded : public TOLACustomClient {
public:
  using TOLACustomClient::TOLACustomClient;
  ~TOLACustomClientThreaded() override;

  std::function<void(TOLACustomClientThreaded&)> BeforeExecute;
  std::function<void(TOLACustomClientThreaded&)> AfterExecute;
  std::function<void(TOLACustomClientThreaded&)> OnThreadTerminated;

  void Connect() override;
  void Disconnect() override;
  bool Running() const;
  // Runs fn on the main thread and waits (from the worker). Returns whether it ran.
  bool Synchronize(const std::function<void()>& fn);

protected:
  virtual void DoBeforeExecute();
  virtual void DoAfterExecute();
  virtual void DoThreadTerminated();
  virtual void StopThread();
  // One step of the worker; empty here.
  virtual void Execute() {}
  // Stops the worker, closes the connection and waits for the worker to end, serving main-thread
  // hand-overs meanwhile. Concrete classes call it first in their destructor, so that the worker
  // never runs into a partly destroyed object.
  void StopAndWait();

private:
  void ThreadEnded();

  std::shared_ptr<TOLAThread> thread_;
  std::shared_ptr<std::atomic<bool>> alive_ = std::make_shared<std::atomic<bool>>(true);
};

// The worker waits for message codes with no time limit and hands them to HandleMessage; code 2
// ends the worker.
class TOLACustomClientListening : public TOLACustomClientThreaded {
public:
  using TOLACustomClientThreaded::TOLACustomClientThreaded;

protected:
  void Execute() override;
  virtual void HandleMessage(TOLAMessageCode code);
};

}  // namespace corvane::session
