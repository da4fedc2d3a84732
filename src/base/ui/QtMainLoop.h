#pragma once
// The application's main loop: MainLoop on Qt's event loop. Posted work and hand-overs reach the
// main thread as queued calls, timers are QTimers (precise, so that a countdown never ends early),
// and the tick counter is a 32-bit millisecond count since the loop was created.
//
// Threads: post(), invoke(), wake() and tickCount() from any thread; everything else, timers
// included, on the thread that created the loop, which must be the thread of the QCoreApplication.

#include <QObject>
#include <QElapsedTimer>

#include "base/MainLoop.h"

namespace corvane::base {

class QtMainLoop final : public MainLoop {
public:
  QtMainLoop();
  ~QtMainLoop() override;

  void post(std::function<void()> fn) override;
  uint32_t tickCount() const override;
  std::unique_ptr<TimerBackend> createTimer(std::function<void()> onTimeout) override;

  // Runs Qt's events until pred() holds or timeoutMs of real time passed; returns pred(). For
  // tests and start-up waits (the Qt counterpart of RealLoop::runUntil).
  bool runUntil(const std::function<bool()>& pred, int timeoutMs);

private:
  class Backend;
  void handOverQueued() override;
  void runPendingWhileWaiting() override { runPosted(); }

  // Receives the queued calls; living on the main thread, it is destroyed with the loop, which
  // drops the calls still queued for it.
  QObject receiver_;
  QElapsedTimer clock_;
};

}  // namespace corvane::base
