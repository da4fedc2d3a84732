#include "base/ManualLoop.h"

namespace corvane::base {

class ManualLoop::Backend final : public TimerBackend {
public:
  Backend(ManualLoop& loop, uint64_t id) : loop_(loop), id_(id) {}
  ~Backend() override { loop_.timers_.erase(id_); }
  void start(uint32_t intervalMs, bool singleShot) override {
    auto& e = loop_.timers_[id_];
    e.due = loop_.now() + intervalMs;
    e.interval = intervalMs;
    e.singleShot = singleShot;
    e.order = loop_.nextOrder_++;
    e.fire = fire_;
  }
  void stop() override { loop_.timers_.erase(id_); }
  std::function<void()> fire_;

private:
  ManualLoop& loop_;
  uint64_t id_;
};

ManualLoop::ManualLoop(uint32_t startTick) : now_(startTick) {}

ManualLoop::~ManualLoop() = default;

void ManualLoop::post(std::function<void()> fn) { enqueuePosted(std::move(fn)); }

std::unique_ptr<TimerBackend> ManualLoop::createTimer(std::function<void()> onTimeout) {
  auto backend = std::make_unique<Backend>(*this, nextId_++);
  backend->fire_ = std::move(onTimeout);
  return backend;
}

int ManualLoop::pump() {
  int total = 0;
  for (;;) {
    const int handedOver = runHandOvers();
    const int ran = runPosted();
    total += ran;
    if (handedOver == 0 && ran == 0) return total;
  }
}

bool ManualLoop::fireNextDue(uint64_t until) {
  auto next = timers_.end();
  for (auto it = timers_.begin(); it != timers_.end(); ++it) {
    if (it->second.due > until) continue;
    if (next == timers_.end() || it->second.due < next->second.due ||
        (it->second.due == next->second.due && it->second.order < next->second.order))
      next = it;
  }
  if (next == timers_.end()) return false;
  Entry& e = next->second;
  if (e.due > now_.load()) now_.store(e.due);
  auto fire = e.fire;
  if (e.singleShot) {
    timers_.erase(next);
  } else {
    e.due += e.interval;
    e.order = nextOrder_++;
  }
  fire();  // may start, stop or destroy timers, including this one
  pump();
  return true;
}

void ManualLoop::advance(uint32_t ms) {
  pump();
  const uint64_t until = now_.load() + ms;
  while (fireNextDue(until)) {
  }
  now_.store(until);
  pump();
}

bool ManualLoop::pumpUntil(const std::function<bool()>& pred, int realTimeoutMs) {
  return waitPumping(pred, realTimeoutMs);
}

size_t ManualLoop::activeTimers() const { return timers_.size(); }

}  // namespace corvane::base
