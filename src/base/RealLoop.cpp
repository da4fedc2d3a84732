#include "base/RealLoop.h"

namespace corvane::base {

class RealLoop::Backend final : public TimerBackend {
public:
  Backend(RealLoop& loop, uint64_t id, std::function<void()> fire)
      : loop_(loop), id_(id), fire_(std::move(fire)) {}
  ~Backend() override { loop_.timers_.erase(id_); }
  void start(uint32_t intervalMs, bool singleShot) override {
    auto& e = loop_.timers_[id_];
    e.due = Clock::now() + std::chrono::milliseconds(intervalMs);
    e.interval = intervalMs;
    e.singleShot = singleShot;
    e.order = loop_.nextOrder_++;
    e.fire = fire_;
  }
  void stop() override { loop_.timers_.erase(id_); }

private:
  RealLoop& loop_;
  uint64_t id_;
  std::function<void()> fire_;
};

RealLoop::RealLoop() : origin_(Clock::now()) {}

RealLoop::~RealLoop() = default;

void RealLoop::post(std::function<void()> fn) { enqueuePosted(std::move(fn)); }

uint32_t RealLoop::tickCount() const {
  return static_cast<uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - origin_).count());
}

std::unique_ptr<TimerBackend> RealLoop::createTimer(std::function<void()> onTimeout) {
  return std::make_unique<Backend>(*this, nextId_++, std::move(onTimeout));
}

void RealLoop::fireDueTimers() {
  const auto now = Clock::now();
  for (;;) {
    auto next = timers_.end();
    for (auto it = timers_.begin(); it != timers_.end(); ++it) {
      if (it->second.due > now) continue;
      if (next == timers_.end() || it->second.due < next->second.due ||
          (it->second.due == next->second.due && it->second.order < next->second.order))
        next = it;
    }
    if (next == timers_.end()) return;
    auto fire = next->second.fire;
    if (next->second.singleShot) {
      timers_.erase(next);
    } else {
      // A periodic timer that fell behind fires once and starts over, like a UI timer.
      next->second.due = now + std::chrono::milliseconds(next->second.interval);
      next->second.order = nextOrder_++;
    }
    fire();
    runPosted();
  }
}

int RealLoop::maxWaitMs() const {
  const auto now = Clock::now();
  auto due = now + std::chrono::milliseconds(50);
  for (auto& [id, e] : timers_)
    if (e.due < due) due = e.due;
  return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(due - now).count());
}

void RealLoop::runPendingWhileWaiting() {
  runPosted();
  fireDueTimers();
}

bool RealLoop::runUntil(const std::function<bool()>& pred, int timeoutMs) {
  return waitPumping(pred, timeoutMs);
}

int RealLoop::run() {
  quitting_ = false;
  waitPumping([&] { return quitting_; }, -1);
  return exitCode_;
}

void RealLoop::quit(int code) {
  post([this, code] {
    exitCode_ = code;
    quitting_ = true;
  });
}

}  // namespace corvane::base
