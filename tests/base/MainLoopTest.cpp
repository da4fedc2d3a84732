#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

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

TEST(ManualLoop, TimerMayDestroyItselfInItsHandler) {
  ManualLoop loop;
  auto t = std::make_unique<Timer>(loop, 10);
  int count = 0;
  t->onTimer = [&] {
    ++count;
    t.reset();
  };
  t->start();
  loop.advance(100);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(loop.activeTimers(), 0u);
}

TEST(ManualLoop, HandOverRunsOnMainThreadWhenPumped) {
  ManualLoop loop;
  std::atomic<bool> done{false};
  std::thread::id ranOn;
  std::thread worker([&] {
    EXPECT_TRUE(loop.invoke([&] { ranOn = std::this_thread::get_id(); }));
    done = true;
  });
  EXPECT_TRUE(loop.pumpUntil([&] { return done.load(); }));
  worker.join();
  EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST(ManualLoop, HandOverRethrowsTheHandlersError) {
  ManualLoop loop;
  std::atomic<bool> caught{false};
  std::thread worker([&] {
    try {
      loop.invoke([] { throw std::runtime_error("boom"); });
    } catch (const std::runtime_error&) {
      caught = true;
    }
  });
  EXPECT_TRUE(loop.pumpUntil([&] { return caught.load(); }));
  worker.join();
}

TEST(ManualLoop, RefusedHandOversReleaseWaitingThreads) {
  ManualLoop loop;
  std::atomic<int> result{-1};
  std::thread worker([&] { result = loop.invoke([] {}) ? 1 : 0; });
  // Wait until the hand-over is queued, then refuse without running it.
  while (result == -1) {
    loop.refuseHandOvers();
    std::this_thread::yield();
  }
  worker.join();
  EXPECT_EQ(result, 0);
  EXPECT_FALSE(loop.invoke([] {}) && false);
}

TEST(ManualLoop, PostedWorkFromOtherThreadsRunsInOrder) {
  ManualLoop loop;
  std::vector<int> order;
  std::thread worker([&] {
    for (int i = 0; i < 5; ++i) loop.post([&, i] { order.push_back(i); });
  });
  worker.join();
  EXPECT_EQ(loop.pump(), 5);
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
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
