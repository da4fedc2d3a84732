#pragma once
// Deterministic main loop for tests: virtual time that moves only when the test says so.
//
// advance(ms) moves the clock, firing due timers in due order (ties in the order they were
// started), and runs posted work and hand-overs after each firing. pump() runs what is queued now.
// pumpUntil() waits in real time (bounded) for other threads, running their posts and hand-overs,
// which is how tests with real sockets wait for a condition without sleeping.
//
// Threads: post(), invoke() and tickCount() from any thread; the rest on the test's thread, which
// is the main thread.

#include <atomic>
#include <map>
#include <mutex>

#include "base/MainLoop.h"

namespace corvane::base {

class ManualLoop final : public MainLoop {
public:
  explicit ManualLoop(uint32_t startTick = 1000);
  ~ManualLoop() override;

  void post(std::function<void()> fn) override;
  uint32_t tickCount() const override { return static_cast<uint32_t>(now_.load()); }
  std::unique_ptr<TimerBackend> createTimer(std::function<void()> onTimeout) override;

  // Runs posted work and hand-overs until none is queued. Returns how many ran.
  int pump();
  // Moves virtual time forward by ms, firing every timer that falls due on the way.
  void advance(uint32_t ms);
  // Pumps until pred() holds or realTimeoutMs of real time passed. Returns pred().
  bool pumpUntil(const std::function<bool()>& pred, int realTimeoutMs = 10000);

  // Virtual milliseconds since the loop was created plus startTick (64-bit, no wrap).
  uint64_t now() const { return now_.load(); }
  // Number of timers currently running.
  size_t activeTimers() const;

private:
  class Backend;
  struct Entry {
    uint64_t due = 0;
    uint32_t interval = 0;
    bool singleShot = false;
    uint64_t order = 0;
    std::function<void()> fire;
  };
  void runPendingWhileWaiting() override { runPosted(); }
  void handOverQueued() override {}
  bool fireNextDue(uint64_t until);

  std::atomic<uint64_t> now_;
  std::map<uint64_t, Entry> timers_;  // by timer id; main thread only
  uint64_t nextId_ = 1;
  uint64_t nextOrder_ = 1;
};

}  // namespace corvane::base
