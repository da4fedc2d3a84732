#pragma once
// Shared helpers of the benchmark programs: a monotonic clock, repeated timing that keeps the best
// run, and the one-line report format every figure is printed in.

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

namespace corvane::bench {

inline double SecondsNow() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Runs fn `repeat` times and returns the fastest run in seconds (least disturbed by other load).
inline double BestOf(int repeat, const std::function<void()>& fn) {
  double best = 1e300;
  for (int i = 0; i < repeat; ++i) {
    const double t0 = SecondsNow();
    fn();
    const double t = SecondsNow() - t0;
    if (t < best) best = t;
  }
  return best;
}

// BENCH <name> <value> <unit> baseline=<value> ratio=<value> goal=<value>; the ratio is oriented
// so that higher is better.
inline void Report(const std::string& name, double value, const std::string& unit, double baseline,
                   double ratio, double goal) {
  std::printf("BENCH %s %.3f %s baseline=%.3f ratio=%.3f goal=%.3f\n", name.c_str(), value,
              unit.c_str(), baseline, ratio, goal);
  std::fflush(stdout);
}

// A figure with no baseline.
inline void Report(const std::string& name, double value, const std::string& unit) {
  std::printf("BENCH %s %.3f %s\n", name.c_str(), value, unit.c_str());
  std::fflush(stdout);
}

}  // namespace corvane::bench
