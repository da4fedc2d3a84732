#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "base/ManualLoop.h"
#include "base/RetardateurChangement.h"

using namespace corvane::base;

namespace {
struct Fixture {
  ManualLoop loop;
  std::unique_ptr<TRetardateurChangement> delayer = std::make_unique<TRetardateurChangement>(loop);
  int calls = 0;
  std::vector<int> states;
  Fixture() {
    delayer->OnChangement = [this] {
      ++calls;
      EXPECT_EQ(delayer->etat(), TRetardateurChangement::EnCours);
    };
    delayer->OnEtatChange = [this](int etat) { states.push_back(etat); };
  }
};
}  // namespace

TEST(RetardateurChangement, BurstRunsHandlerOnceOneIntervalAfterLastChange) {
  Fixture f;
  EXPECT_EQ(f.delayer->interval(), 2000u);
  f.delayer->Changement();
  f.loop.advance(1500);
  f.delayer->Changement();
  f.loop.advance(1500);
  f.delayer->Changement();
  f.loop.advance(1999);
  EXPECT_EQ(f.calls, 0);
  EXPECT_EQ(f.delayer->etat(), TRetardateurChangement::EnAttente);
  f.loop.advance(1);
  EXPECT_EQ(f.calls, 1);
  EXPECT_EQ(f.states, (std::vector<int>{1, 2, 0}));
  f.loop.advance(10000);
  EXPECT_EQ(f.calls, 1);
  EXPECT_EQ(f.loop.activeTimers(), 0u);
}

TEST(RetardateurChangement, CancelAndFlush) {
  Fixture f;
  f.delayer->setInterval(25000);
  f.delayer->Flush();  // nothing pending: nothing runs
  EXPECT_EQ(f.calls, 0);
  f.delayer->Changement();
  f.delayer->Annuler();
  f.loop.advance(30000);
  EXPECT_EQ(f.calls, 0);
  EXPECT_EQ(f.states, (std::vector<int>{1, 0}));
  f.delayer->Changement();
  f.loop.advance(100);
  f.delayer->Flush();
  EXPECT_EQ(f.calls, 1);
  f.loop.advance(30000);
  EXPECT_EQ(f.calls, 1);  // the flush consumed the pending change
  EXPECT_EQ(f.states, (std::vector<int>{1, 0, 1, 2, 0}));
}

TEST(RetardateurChangement, ChangeDuringHandlerStaysPending) {
  Fixture f;
  f.delayer->OnChangement = [&] {
    if (++f.calls == 1) f.delayer->Changement();
  };
  f.delayer->Changement();
  f.loop.advance(2000);
  EXPECT_EQ(f.calls, 1);
  EXPECT_EQ(f.delayer->etat(), TRetardateurChangement::EnAttente);
  f.loop.advance(2000);
  EXPECT_EQ(f.calls, 2);
  EXPECT_EQ(f.delayer->etat(), TRetardateurChangement::Inactif);
}

TEST(RetardateurChangement, ThrowingHandlerLeavesItIdle) {
  Fixture f;
  f.delayer->OnChangement = [] { throw std::runtime_error("handler failed"); };
  f.delayer->Changement();
  EXPECT_THROW(f.delayer->Flush(), std::runtime_error);
  EXPECT_EQ(f.delayer->etat(), TRetardateurChangement::Inactif);
}

TEST(RetardateurChangement, NothingHappensOnceTheOwnerIsBeingDestroyed) {
  Fixture f;
  f.delayer->Changement();
  f.delayer->OwnerDestroying();
  f.delayer->Changement();
  f.delayer->Annuler();
  f.delayer->Flush();
  f.loop.advance(5000);
  EXPECT_EQ(f.calls, 0);
  EXPECT_EQ(f.states, (std::vector<int>{1}));
  // Destroying it while pending reports nothing either.
  Fixture g;
  g.delayer->Changement();
  g.delayer.reset();
  g.loop.advance(5000);
  EXPECT_EQ(g.states, (std::vector<int>{1}));
}

TEST(RetardateurChangement, HandlerMayDestroyTheDelayer) {
  Fixture f;
  f.delayer->OnChangement = [&] {
    ++f.calls;
    f.delayer.reset();
  };
  f.delayer->Changement();
  f.loop.advance(2000);
  EXPECT_EQ(f.calls, 1);
  EXPECT_EQ(f.states, (std::vector<int>{1, 2}));
}
