#pragma once
// How a load or fault scenario drives the console's main loop. The benchmark programs run it in
// real time (RealLoop); the reduced versions in the test suite run it on ManualLoop, where the
// console's timers (call dialog, connection watch, disconnection sequence, status refresh) move
// only when the scenario lets console time pass, while sockets, threads and the customer programs
// run in real time.
//
// Threads: main thread only (the thread that made the loop).

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>

#include "base/ManualLoop.h"
#include "base/RealLoop.h"

namespace corvane::load {

class LoopDriver {
public:
  virtual ~LoopDriver() = default;
  virtual base::MainLoop& Loop() = 0;
  // Serves the loop until pred() holds or realMs of real time passed; returns pred(). The
  // console's clock stands still on a manual loop meanwhile.
  virtual bool WaitFor(const std::function<bool()>& pred, int realMs) = 0;
  // Lets consoleMs of the console's time pass, serving the loop; due timers fire.
  virtual void Pass(uint32_t consoleMs) = 0;
  // Waits for pred() while the console's time runs, at most consoleMs of it. On a manual loop the
  // clock then stands still while the wait goes on in real time (a generous bound) for the
  // threads and programs that must still act.
  virtual bool WaitRunning(const std::function<bool()>& pred, uint32_t consoleMs) = 0;
  // True when console time is virtual (timings measured on it are not real).
  virtual bool Virtual() const = 0;
};

class RealDriver final : public LoopDriver {
public:
  base::MainLoop& Loop() override { return loop_; }
  bool WaitFor(const std::function<bool()>& pred, int realMs) override { return loop_.runUntil(pred, realMs); }
  void Pass(uint32_t consoleMs) override {
    loop_.runUntil([] { return false; }, static_cast<int>(consoleMs));
  }
  bool WaitRunning(const std::function<bool()>& pred, uint32_t consoleMs) override {
    return loop_.runUntil(pred, static_cast<int>(consoleMs));
  }
  bool Virtual() const override { return false; }
  base::RealLoop& Real() { return loop_; }

private:
  base::RealLoop loop_;
};

class ManualDriver final : public LoopDriver {
public:
  // Console time moves in steps of this many ms while WaitRunning waits.
  static constexpr uint32_t kStepMs = 100;
  // Real time each step leaves to the other threads before the clock moves on.
  static constexpr int kStepRealMs = 10;
  // Real-time bound of one WaitRunning, however much console time it covers.
  static constexpr int kRealBoundMs = 60000;

  base::MainLoop& Loop() override { return loop_; }
  bool WaitFor(const std::function<bool()>& pred, int realMs) override { return loop_.pumpUntil(pred, realMs); }
  void Pass(uint32_t consoleMs) override {
    loop_.advance(consoleMs);
    loop_.pump();
  }
  bool WaitRunning(const std::function<bool()>& pred, uint32_t consoleMs) override {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kRealBoundMs);
    for (uint32_t passed = 0; passed < consoleMs;) {
      if (loop_.pumpUntil(pred, kStepRealMs)) return true;
      if (std::chrono::steady_clock::now() > deadline) return pred();
      const uint32_t step = std::min(kStepMs, consoleMs - passed);
      loop_.advance(step);
      passed += step;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return loop_.pumpUntil(pred, static_cast<int>(std::max<int64_t>(left.count(), 0)));
  }
  bool Virtual() const override { return true; }
  base::ManualLoop& Manual() { return loop_; }

private:
  base::ManualLoop loop_;
};

}  // namespace corvane::load
