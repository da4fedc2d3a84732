#pragma once
// The contract every MainLoop keeps, as one typed test suite run over each loop (ManualLoop and
// RealLoop in base_tests, QtMainLoop in base_ui_tests). A driver per loop says how time passes:
//   static std::unique_ptr<L> make();
//   static bool runUntil(L&, pred, realTimeoutMs)  - serve the loop until pred holds
//   static void elapse(L&, ms)                     - move virtual time on (real loops: nothing, their
//                                                    time passes while runUntil serves them)

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "base/Timer.h"

namespace corvane::base::testing {

template <class Driver>
class LoopContract : public ::testing::Test {
protected:
  std::unique_ptr<typename Driver::Loop> owned = Driver::make();
  typename Driver::Loop& loop = *owned;
  bool runUntil(const std::function<bool()>& pred, int ms = 10000) { return Driver::runUntil(loop, pred, ms); }
};

TYPED_TEST_SUITE_P(LoopContract);

TYPED_TEST_P(LoopContract, PostedWorkFromOtherThreadsRunsInOrderOnTheMainThread) {
  std::vector<int> order;
  std::vector<std::thread::id> threads;
  std::thread worker([&] {
    for (int i = 0; i < 5; ++i)
      this->loop.post([&, i] {
        order.push_back(i);
        threads.push_back(std::this_thread::get_id());
      });
  });
  worker.join();
  ASSERT_TRUE(this->runUntil([&] { return order.size() == 5; }));
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
  for (auto id : threads) EXPECT_EQ(id, std::this_thread::get_id());
}

TYPED_TEST_P(LoopContract, HandOverRunsOnTheMainThreadAndRethrowsItsError) {
  std::atomic<int> stage{0};
  std::thread::id ranOn;
  std::string caught;
  std::thread worker([&] {
    EXPECT_TRUE(this->loop.invoke([&] { ranOn = std::this_thread::get_id(); }));
    try {
      this->loop.invoke([] { throw std::runtime_error("boom"); });
    } catch (const std::runtime_error& e) {
      caught = e.what();
    }
    stage = 1;
  });
  ASSERT_TRUE(this->runUntil([&] { return stage.load() == 1; }));
  worker.join();
  EXPECT_EQ(ranOn, std::this_thread::get_id());
  EXPECT_EQ(caught, "boom");
  // On the main thread the work runs at once.
  bool ran = false;
  EXPECT_TRUE(this->loop.invoke([&] { ran = true; }));
  EXPECT_TRUE(ran);
}

TYPED_TEST_P(LoopContract, WaitPumpingServesHandOversOfTheThreadItWaitsFor) {
  // The main thread waits for a worker that itself waits for the main thread: no deadlock.
  std::atomic<bool> finished{false};
  int served = 0;
  std::thread worker([&] {
    for (int i = 0; i < 3; ++i) this->loop.invoke([&] { ++served; });
    finished = true;
    this->loop.wake();
  });
  EXPECT_TRUE(this->loop.waitPumping([&] { return finished.load(); }, 10000));
  worker.join();
  EXPECT_EQ(served, 3);
  EXPECT_FALSE(this->loop.waitPumping([] { return false; }, 0));
}

TYPED_TEST_P(LoopContract, RefusedHandOversReleaseWaitingThreadsUnrun) {
  std::atomic<int> result{-1};
  std::atomic<bool> ran{false};
  std::thread worker([&] { result = this->loop.invoke([&] { ran = true; }) ? 1 : 0; });
  // The worker may not have queued its hand-over yet: refusing keeps holding for later ones.
  this->loop.refuseHandOvers();
  worker.join();
  EXPECT_EQ(result, 0);
  EXPECT_FALSE(ran);
  std::thread late([&] { result = this->loop.invoke([&] { ran = true; }) ? 1 : 0; });
  late.join();
  EXPECT_EQ(result, 0);
  EXPECT_FALSE(ran);
}

TYPED_TEST_P(LoopContract, TimersFireInDueOrderAndSingleShotsOnce) {
  std::vector<std::string> fired;
  Timer late(this->loop, 60, true), early(this->loop, 10, true), periodic(this->loop, 15);
  late.onTimer = [&] { fired.push_back("late"); };
  early.onTimer = [&] { fired.push_back("early"); };
  int ticks = 0;
  periodic.onTimer = [&] {
    if (++ticks == 3) periodic.stop();
  };
  late.start();
  early.start();
  periodic.start();
  TypeParam::elapse(this->loop, 100);
  ASSERT_TRUE(this->runUntil([&] { return fired.size() == 2 && ticks == 3; }));
  EXPECT_EQ(fired, (std::vector<std::string>{"early", "late"}));
  EXPECT_FALSE(early.enabled());
  EXPECT_FALSE(periodic.enabled());
  // Nothing fires again: a sentinel timer later than any of them runs alone.
  Timer sentinel(this->loop, 40, true);
  bool done = false;
  sentinel.onTimer = [&] { done = true; };
  sentinel.start();
  TypeParam::elapse(this->loop, 40);
  ASSERT_TRUE(this->runUntil([&] { return done; }));
  EXPECT_EQ(fired.size(), 2u);
  EXPECT_EQ(ticks, 3);
}

TYPED_TEST_P(LoopContract, StoppedZeroAndSelfDestroyingTimers) {
  int stopped = 0, zero = 0, selfCount = 0;
  Timer s(this->loop, 10), z(this->loop, 0);
  s.onTimer = [&] { ++stopped; };
  z.onTimer = [&] { ++zero; };
  s.start();
  s.stop();
  z.start();  // an interval of 0 never fires
  auto self = std::make_unique<Timer>(this->loop, 5);
  self->onTimer = [&] {
    ++selfCount;
    self.reset();
  };
  self->start();
  Timer sentinel(this->loop, 50, true);
  bool done = false;
  sentinel.onTimer = [&] { done = true; };
  sentinel.start();
  TypeParam::elapse(this->loop, 50);
  ASSERT_TRUE(this->runUntil([&] { return done; }));
  EXPECT_EQ(stopped, 0);
  EXPECT_EQ(zero, 0);
  EXPECT_EQ(selfCount, 1);
  EXPECT_EQ(self, nullptr);
}

TYPED_TEST_P(LoopContract, TickCountAdvancesAtLeastTheTimersInterval) {
  const uint32_t before = this->loop.tickCount();
  uint32_t at = 0;
  Timer t(this->loop, 30, true);
  t.onTimer = [&] { at = this->loop.tickCount(); };
  t.start();
  TypeParam::elapse(this->loop, 30);
  ASSERT_TRUE(this->runUntil([&] { return at != 0; }));
  EXPECT_GE(static_cast<uint32_t>(at - before), 30u);  // modular: right across a wrap too
}

REGISTER_TYPED_TEST_SUITE_P(LoopContract, PostedWorkFromOtherThreadsRunsInOrderOnTheMainThread,
                            HandOverRunsOnTheMainThreadAndRethrowsItsError,
                            WaitPumpingServesHandOversOfTheThreadItWaitsFor,
                            RefusedHandOversReleaseWaitingThreadsUnrun, TimersFireInDueOrderAndSingleShotsOnce,
                            StoppedZeroAndSelfDestroyingTimers, TickCountAdvancesAtLeastTheTimersInterval);

}  // namespace corvane::base::testing
