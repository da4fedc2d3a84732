#pragma once
// A main-thread timer in the manner of the classic component timer: an interval, an enabled flag and
// a handler. Periodic unless made single-shot; a single-shot timer disables itself before its
// handler runs. Changing the interval of an enabled timer restarts its countdown. An interval of 0
// never fires. Main thread only. The handler may destroy the timer.

#include <cstdint>
#include <functional>
#include <memory>

#include "base/MainLoop.h"

namespace corvane::base {

class Timer {
public:
  explicit Timer(MainLoop& loop, uint32_t intervalMs = 1000, bool singleShot = false);
  ~Timer();
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  std::function<void()> onTimer;

  uint32_t interval() const { return interval_; }
  void setInterval(uint32_t ms);
  bool enabled() const { return enabled_; }
  void setEnabled(bool enabled);
  bool singleShot() const { return singleShot_; }
  void setSingleShot(bool singleShot);

  void start() { setEnabled(true); }
  void stop() { setEnabled(false); }
  // Starts the countdown again from now (enables the timer).
  void restart();

private:
  void fire();
  void apply();

  std::unique_ptr<TimerBackend> backend_;
  uint32_t interval_;
  bool singleShot_;
  bool enabled_ = false;
};

}  // namespace corvane::base
