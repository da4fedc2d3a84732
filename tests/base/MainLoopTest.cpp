#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "LoopContract.h"
#include "base/ManualLoop.h"
#include "base/RealLoop.h"
#include "base/Timer.h"

using namespace corvane::base;

TEST(ManualLoop, TimersFireInDueOrderWithVirtualTime) {
  ManualLoop loop;
  std::vector<std::string> fired;
  Timer slow(loop, 300), fast(loop, 100), once(loop, 250, true);
  slow.onTimer = [&] { fired.push_back("slow@" + std::to_string(loop.now() - 1000)); };
  fast.onTimer = [&] { fired.push_back("fast@" + std::to_string(loop.now() - 1000)); };
  once.onTimer = [&] { fired.push_back("once@" + std::to_string(loop.now() - 1000)); };
  slow.start();
  fast.start();
  once.start();
  loop.advance(350);
  EXPECT_EQ(fired, (std::vector<std::string>{"fast@100", "fast@200", "once@250", "slow@300",
                                             "fast@300"}));
  EXPECT_FALSE(once.enabled());
  EXPECT_EQ(loop.now(), 1350u);
}

TEST(ManualLoop, RestartAndIntervalChangeRestartTheCountdown) {
  ManualLoop loop;
  int count = 0;
  Timer t(loop, 1000, true);
  t.onTimer = [&] { ++count; };
  t.start();
  loop.advance(900);
  t.restart();
  loop.advance(900);
  EXPECT_EQ(count, 0);
  t.setInterval(500);  // restarts from now
  loop.advance(499);
  EXPECT_EQ(count, 0);
  loop.advance(1);
  EXPECT_EQ(count, 1);
  Timer zero(loop, 0);
  zero.onTimer = [&] { ++count; };
  zero.start();
  loop.advance(10000);
  EXPECT_EQ(count, 1);  // an interval of 0 never fires
}

TEST(ManualLoop, TimerThatDestroysItselfLeavesNoTimerRunning) {
  ManualLoop loop;
  auto t = std::make_unique<Timer>(loop, 10);
  t->onTimer = [&] { t.reset(); };
  t->start();
  loop.advance(100);
  EXPECT_EQ(loop.activeTimers(), 0u);
}

TEST(RealLoop, RunsTimersAndQuits) {
  RealLoop loop;
  int ticks = 0;
  Timer t(loop, 5);
  t.onTimer = [&] {
    if (++ticks == 3) loop.quit(7);
  };
  t.start();
  EXPECT_EQ(loop.run(), 7);
  EXPECT_EQ(ticks, 3);
}

namespace corvane::base::testing {

struct ManualDriver {
  using Loop = ManualLoop;
  static std::unique_ptr<Loop> make() { return std::make_unique<Loop>(); }
  static bool runUntil(Loop& l, const std::function<bool()>& p, int ms) { return l.pumpUntil(p, ms); }
  static void elapse(Loop& l, uint32_t ms) { l.advance(ms); }
};

struct RealDriver {
  using Loop = RealLoop;
  static std::unique_ptr<Loop> make() { return std::make_unique<Loop>(); }
  static bool runUntil(Loop& l, const std::function<bool()>& p, int ms) { return l.runUntil(p, ms); }
  static void elapse(Loop&, uint32_t) {}
};

using Loops = ::testing::Types<ManualDriver, RealDriver>;
INSTANTIATE_TYPED_TEST_SUITE_P(Base, LoopContract, Loops);

}  // namespace corvane::base::testing
