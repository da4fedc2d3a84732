#include "base/ui/QtMainLoop.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>

namespace corvane::base {

class QtMainLoop::Backend final : public TimerBackend {
public:
  explicit Backend(std::function<void()> fire) {
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [fire = std::move(fire)] { fire(); });
  }
  void start(uint32_t intervalMs, bool singleShot) override {
    timer_.setSingleShot(singleShot);
    timer_.start(static_cast<int>(std::min<uint32_t>(intervalMs, INT32_MAX)));
  }
  void stop() override { timer_.stop(); }

private:
  QTimer timer_;
};

QtMainLoop::QtMainLoop() { clock_.start(); }

QtMainLoop::~QtMainLoop() {
  // Threads still waiting in invoke() are released unrun before the receiver of their calls goes.
  refuseHandOvers();
}

void QtMainLoop::post(std::function<void()> fn) {
  enqueuePosted(std::move(fn));
  // One queued call per post: each runs what is queued by then, so order is kept and a call that
  // finds the queue already emptied (by waitPumping) does nothing.
  QMetaObject::invokeMethod(&receiver_, [this] { runPosted(); }, Qt::QueuedConnection);
}

void QtMainLoop::handOverQueued() {
  QMetaObject::invokeMethod(&receiver_, [this] { runHandOvers(); }, Qt::QueuedConnection);
}

uint32_t QtMainLoop::tickCount() const { return static_cast<uint32_t>(clock_.elapsed()); }

std::unique_ptr<TimerBackend> QtMainLoop::createTimer(std::function<void()> onTimeout) {
  return std::make_unique<Backend>(std::move(onTimeout));
}

bool QtMainLoop::runUntil(const std::function<bool()>& pred, int timeoutMs) {
  QDeadlineTimer deadline(timeoutMs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever) : QDeadlineTimer(timeoutMs));
  // Wakes the blocking wait below at least every 20 ms, so the condition and the deadline are
  // checked even when no event comes.
  QTimer slice;
  slice.start(20);
  while (!pred()) {
    if (deadline.hasExpired()) return pred();
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  }
  return true;
}

}  // namespace corvane::base
