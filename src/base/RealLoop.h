#pragma once
// A real-time main loop without any UI toolkit, for the command-line tools and the self-check:
// run() serves posted work, hand-overs and timers on the calling thread until quit().
//
// Threads: post(), invoke(), quit() and tickCount() from any thread; timers on the main thread.

#include <chrono>
#include <map>
#include <mutex>

#include "base/MainLoop.h"

namespace corvane::base {

class RealLoop final : public MainLoop {
public:
  RealLoop();
  ~RealLoop() override;

  void post(std::function<void()> fn) override;
  uint32_t tickCount() const override;
  std::unique_ptr<TimerBackend> createTimer(std::function<void()> onTimeout) override;

  // Runs until quit() is called; returns the code given to quit().
  int run();
  // Runs until pred() holds or timeoutMs passed; returns pred(). For tests and tools.
  bool runUntil(const std::function<bool()>& pred, int timeoutMs);
  void quit(int code = 0);

private:
  class Backend;
  using Clock = std::chrono::steady_clock;
  struct Entry {
    Clock::time_point due;
    uint32_t interval = 0;
    bool singleShot = false;
    uint64_t order = 0;
    std::function<void()> fire;
  };
  void handOverQueued() override {}
  void runPendingWhileWaiting() override;
  void fireDueTimers();
  int maxWaitMs() const override;

  const Clock::time_point origin_;
  std::map<uint64_t, Entry> timers_;  // main thread only
  uint64_t nextId_ = 1;
  uint64_t nextOrder_ = 1;
  bool quitting_ = false;
  int exitCode_ = 0;
};

}  // namespace corvane::base
