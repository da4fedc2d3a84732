#include "base/Timer.h"

namespace corvane::base {

Timer::Timer(MainLoop& loop, uint32_t intervalMs, bool singleShot)
    : interval_(intervalMs), singleShot_(singleShot) {
  backend_ = loop.createTimer([this] { fire(); });
}

Timer::~Timer() {
  backend_->stop();
}

void Timer::setInterval(uint32_t ms) {
  interval_ = ms;
  apply();
}

void Timer::setEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  apply();
}

void Timer::setSingleShot(bool singleShot) {
  singleShot_ = singleShot;
  apply();
}

void Timer::restart() {
  enabled_ = true;
  apply();
}

void Timer::apply() {
  if (enabled_ && interval_ > 0)
    backend_->start(interval_, singleShot_);
  else
    backend_->stop();
}

void Timer::fire() {
  if (!enabled_) return;
  if (singleShot_) {
    enabled_ = false;
    backend_->stop();
  }
  // The handler may destroy this timer; keep nothing of ours alive across the call.
  if (onTimer) {
    auto handler = onTimer;
    handler();
  }
}

}  // namespace corvane::base
