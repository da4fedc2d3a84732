#pragma once
// TThreadApplyUpdates: runs the engine's apply (mandatory and optional entries) on a worker
// thread, then posts `termine` to the main thread. The engine's notifications arrive on the
// worker; their receivers hand each step to the main thread with MainLoop::invoke.
//
// Threads: construction and destruction on the main thread; Appliquer on the worker. The
// destructor waits for the worker, serving its hand-overs meanwhile, then joins it; `termine`
// never runs after destruction.

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "base/MainLoop.h"
#include "update/AutoUpdater.h"

namespace corvane::update {

class TThreadApplyUpdates {
public:
  // Starts at once.
  TThreadApplyUpdates(base::MainLoop& loop, TAutoUpdater& engine, std::function<void()> termine);
  ~TThreadApplyUpdates();
  TThreadApplyUpdates(const TThreadApplyUpdates&) = delete;
  TThreadApplyUpdates& operator=(const TThreadApplyUpdates&) = delete;

  bool Fini() const { return fini_.load(); }

  // Runs `step` on the main thread and waits for it (nothing when the loop no longer serves
  // hand-overs, the program is ending).
  void Synchroniser(const std::function<void()>& step) { loop_.invoke(step); }

private:
  base::MainLoop& loop_;
  std::shared_ptr<bool> vivant_ = std::make_shared<bool>(true);
  std::atomic<bool> fini_{false};
  std::thread thread_;
};

}  // namespace corvane::update
