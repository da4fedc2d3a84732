#pragma once
// The one door from any thread into the main thread.
//
// Core classes never create UI-toolkit threads or timers; they receive a MainLoop and use it to
// post work, hand work over and wait for it (the blocking hand-over of connection and worker
// threads), run timers and read the millisecond tick counter. The application implements it with
// Qt, tools with RealLoop, tests with ManualLoop (virtual time).
//
// Threads: post(), invoke(), wake() and tickCount() may be called from any thread; everything else,
// including every Timer, belongs to the main thread (the thread that constructed the loop).

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace corvane::base {

// A timer's link to the loop that fires it. Created by MainLoop::createTimer, used only by Timer.
class TimerBackend {
public:
  virtual ~TimerBackend() = default;
  // (Re)starts the countdown from now. A periodic timer fires every intervalMs until stopped.
  virtual void start(uint32_t intervalMs, bool singleShot) = 0;
  virtual void stop() = 0;
};

class MainLoop {
public:
  virtual ~MainLoop();
  MainLoop(const MainLoop&) = delete;
  MainLoop& operator=(const MainLoop&) = delete;

  // Any thread: queue fn to run later on the main thread; returns at once.
  virtual void post(std::function<void()> fn) = 0;

  // Any thread: run fn on the main thread and wait until it returned. On the main thread fn runs at
  // once. An exception thrown by fn is rethrown to the caller. Returns false, without running fn,
  // once the loop refuses hand-overs (see refuseHandOvers).
  bool invoke(std::function<void()> fn);

  // Milliseconds since an arbitrary origin; wraps round like a 32-bit tick counter.
  virtual uint32_t tickCount() const = 0;

  virtual std::unique_ptr<TimerBackend> createTimer(std::function<void()> onTimeout) = 0;

  bool isMainThread() const { return std::this_thread::get_id() == mainThread_; }

  // Main thread: run the hand-overs that are waiting now (not those queued meanwhile, so that a
  // stream of them cannot starve posted work and timers); returns how many ran. Used by loops that
  // must keep threads moving while the main thread waits for them (joining connection threads).
  int runHandOvers();

  // Main thread: wait until done() holds, running hand-overs in the meantime so that a thread
  // waiting for the main thread can never deadlock against it. timeoutMs is real time, -1 none.
  // Returns whether done() held. Call wake() from the thread that changes what done() reads.
  bool waitPumping(const std::function<bool()>& done, int timeoutMs = -1);

  // Any thread: make a waitPumping re-check its condition.
  void wake();

  // From now on invoke() returns false without waiting (the application is ending and the main
  // thread will not serve hand-overs any more). Pending ones are released unrun.
  void refuseHandOvers();

protected:
  MainLoop();
  // Called on the invoking thread after a hand-over was queued: the implementation arranges for
  // runHandOvers() to run soon on the main thread.
  virtual void handOverQueued() = 0;
  // Wakes waitPumping too; implementations call it when they queue posted work.
  void notifyWaiters();
  // Called by waitPumping between checks; runs other pending main-thread work (posted functions).
  virtual void runPendingWhileWaiting() {}
  // The queue of posted work shared by the loops that keep their own: enqueuePosted from any
  // thread (wakes waitPumping), runPosted on the main thread (returns how many ran).
  void enqueuePosted(std::function<void()> fn);
  int runPosted();
  // Longest real-time slice waitPumping sleeps before it re-checks (timers due sooner shorten it).
  virtual int maxWaitMs() const { return 20; }

private:
  struct HandOver;
  std::thread::id mainThread_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::shared_ptr<HandOver>> handOvers_;
  std::mutex postMutex_;
  std::deque<std::function<void()>> posted_;
  bool refusing_ = false;
  uint64_t wakeCount_ = 0;
};

}  // namespace corvane::base
