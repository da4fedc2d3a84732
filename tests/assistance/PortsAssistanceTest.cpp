#include <gtest/gtest.h>

#include "assistance/PlanificateurTransferts.h"
#include "assistance/PortsAssistance.h"
#include "assistance/SessionTexts.h"
#include "base/ManualLoop.h"

using namespace corvane;
using namespace corvane::assistance;

TEST(PortsAssistance, CandidatesFollowThePortsList) {
  struct Case {
    std::string ports;
    int port;
    std::vector<int> expected;
  };
  const std::vector<int> fallback = {8101, 8102, 8103, 8104, 8105, 8106, 8107, 8108, 8109, 8110};
  const Case cases[] = {
      {"5001-5003,5010", 8100, {5001, 5002, 5003, 5010}},
      {"5003-5001", 8100, fallback},                   // reversed range
      {"word", 8100, fallback},
      {"", 8100, fallback},
      {"5010 5001,5010", 8100, {5010, 5001, 5010}},    // blanks separate; duplicates stay
      {"\"5001-5002\",x-3,7-y", 8100, {5001, 5002}},
      {"70000,65536-65537,-5", 8100, fallback},         // outside the port range: skipped
      {"65534-70000", 8100, fallback},
      {"", 65530, {65531, 65532, 65533, 65534, 65535}},
  };
  for (const Case& c : cases) EXPECT_EQ(CandidatsPortsAssistance(c.ports, c.port), c.expected) << c.ports;
  EXPECT_EQ(CandidatsPortsAssistance("0-65535,0-65535", 1).size(), 65536u);  // bounded
}

TEST(SessionTexts, BannerAndDuration) {
  EXPECT_EQ(TexteBanniere(0), "Not connected");
  EXPECT_EQ(TexteBanniere(2), "");
  EXPECT_EQ(TexteBanniere(6), "Killing remaining threads...");
  EXPECT_EQ(TexteDuree(187'000), "0h 3min 7s");
  EXPECT_EQ(TexteDuree(3'725'999), "1h 2min 5s");
}

TEST(PlanificateurTransferts, StartsWaitingSendingsWhilePlacesAreFree) {
  base::ManualLoop loop;
  int open = 12;
  std::vector<std::string> started;
  TPlanificateurTransferts schedule(
      loop, [&] { return open; },
      [&](const TScheduledTransfert& t) {
        if (t.Fichier == "bad") throw std::runtime_error("locked");
        started.push_back(t.Fichier);
        ++open;
      });
  int failures = 0;
  schedule.OnEchec = [&](const TScheduledTransfert&, std::exception_ptr) { ++failures; };
  EXPECT_TRUE(schedule.Ajouter("a", ""));
  EXPECT_TRUE(schedule.Ajouter("bad", ""));
  EXPECT_TRUE(schedule.Ajouter("b", ""));
  EXPECT_FALSE(schedule.Ajouter("A", ""));
  loop.advance(5000);
  EXPECT_TRUE(started.empty());
  open = 11;
  loop.advance(5000);
  EXPECT_EQ(started, (std::vector<std::string>{"a"}));
  EXPECT_EQ(failures, 0);
  open = 0;
  loop.advance(5000);
  EXPECT_EQ(started, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(failures, 1);  // taken out even though it failed
  EXPECT_FALSE(schedule.TimerActif());
}
