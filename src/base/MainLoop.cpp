#include "base/MainLoop.h"

#include <chrono>

namespace corvane::base {

struct MainLoop::HandOver {
  std::function<void()> fn;
  std::exception_ptr error;
  bool done = false;
  bool ran = false;
  std::condition_variable finished;  // wakes only the thread that handed this over
};

MainLoop::MainLoop() : mainThread_(std::this_thread::get_id()) {}

MainLoop::~MainLoop() { refuseHandOvers(); }

bool MainLoop::invoke(std::function<void()> fn) {
  if (isMainThread()) {
    fn();
    return true;
  }
  auto handOver = std::make_shared<HandOver>();
  handOver->fn = std::move(fn);
  {
    std::lock_guard lock(mutex_);
    if (refusing_) return false;
    handOvers_.push_back(handOver);
    ++wakeCount_;
  }
  changed_.notify_all();
  handOverQueued();
  std::exception_ptr error;
  bool ran;
  {
    std::unique_lock lock(mutex_);
    handOver->finished.wait(lock, [&] { return handOver->done; });
    // The error is taken out, so the exception ends its life on this thread, the one that catches
    // it, whichever thread lets go of the hand-over last.
    error = std::move(handOver->error);
    ran = handOver->ran;
  }
  if (error) std::rethrow_exception(error);
  return ran;
}

int MainLoop::runHandOvers() {
  // Only the hand-overs queued on entry: threads that keep handing work over must not keep the
  // main thread from its posted work and timers.
  size_t budget;
  {
    std::lock_guard lock(mutex_);
    budget = handOvers_.size();
  }
  int ran = 0;
  for (; budget > 0; --budget, ++ran) {
    std::shared_ptr<HandOver> next;
    {
      std::lock_guard lock(mutex_);
      if (handOvers_.empty()) return ran;
      next = std::move(handOvers_.front());
      handOvers_.pop_front();
    }
    try {
      next->fn();
      next->ran = true;
    } catch (...) {
      next->error = std::current_exception();
      next->ran = true;
    }
    {
      std::lock_guard lock(mutex_);
      next->fn = nullptr;  // release captured state on the main thread
      next->done = true;
    }
    next->finished.notify_one();
  }
  return ran;
}

bool MainLoop::waitPumping(const std::function<bool()>& done, int timeoutMs) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
  for (;;) {
    runHandOvers();
    runPendingWhileWaiting();
    if (done()) return true;
    std::unique_lock lock(mutex_);
    const uint64_t seen = wakeCount_;
    if (!handOvers_.empty()) continue;
    // The short slice is a safety net only; wake() and hand-overs end the wait at once.
    auto until = Clock::now() + std::chrono::milliseconds(maxWaitMs());
    if (timeoutMs >= 0) {
      if (Clock::now() >= deadline) return done();
      if (deadline < until) until = deadline;
    }
    changed_.wait_until(lock, until, [&] { return wakeCount_ != seen; });
  }
}

void MainLoop::wake() { notifyWaiters(); }

void MainLoop::enqueuePosted(std::function<void()> fn) {
  {
    std::lock_guard lock(postMutex_);
    posted_.push_back(std::move(fn));
  }
  notifyWaiters();
}

int MainLoop::runPosted() {
  int ran = 0;
  for (;;) {
    std::function<void()> fn;
    {
      std::lock_guard lock(postMutex_);
      if (posted_.empty()) return ran;
      fn = std::move(posted_.front());
      posted_.pop_front();
    }
    fn();
    ++ran;
  }
}

void MainLoop::notifyWaiters() {
  {
    std::lock_guard lock(mutex_);
    ++wakeCount_;
  }
  changed_.notify_all();
}

void MainLoop::refuseHandOvers() {
  std::deque<std::shared_ptr<HandOver>> released;
  {
    std::lock_guard lock(mutex_);
    refusing_ = true;
    released.swap(handOvers_);
    for (auto& h : released) h->done = true;
  }
  for (auto& h : released) h->finished.notify_one();
  changed_.notify_all();
}

}  // namespace corvane::base
