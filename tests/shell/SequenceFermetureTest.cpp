#include "shell/SequenceFermeture.h"

#include <gtest/gtest.h>

#include "base/ManualLoop.h"
#include "shell/BoitesScript.h"

namespace corvane::shell {
namespace {

// A main window's view of the controller: sessions that close after some timer periods, a
// listener that becomes idle after some periods, and a log-out.
struct Fenetre {
  base::ManualLoop loop;
  test::BoitesScript boites;
  int sessions = 0;
  bool fermetureDemandee = false;
  int periodesAvantFinSessions = 0;   // session windows go this many timer firings after the ask
  int periodesAvantEcouteInactive = 0;
  bool connecte = true;
  int deconnexions = 0;
  int fermeturesSessions = 0;
  bool fermee = false;
  std::unique_ptr<TSequenceFermeture> sequence;

  Fenetre() {
    sequence = std::make_unique<TSequenceFermeture>(
        loop, boites,
        TSequenceFermeture::Environnement{
            [this] { return sessions; }, [this] { return periodesAvantEcouteInactive <= 0; },
            [this] { return connecte; },
            [this] {
              connecte = false;
              ++deconnexions;
            },
            [this] {
              ++fermeturesSessions;
              fermetureDemandee = true;
              if (periodesAvantFinSessions == 0) sessions = 0;
            },
            [this] {
              if (fermetureDemandee && --periodesAvantFinSessions <= 0) sessions = 0;
              --periodesAvantEcouteInactive;
              Fermer();
            }});
  }
  void Fermer() {
    if (sequence->DemandeFermeture()) fermee = true;
  }
};

TEST(SequenceFermeture, NoSessionLogsOutAndClosesAtOnce) {
  Fenetre f;
  f.Fermer();
  EXPECT_TRUE(f.fermee);
  EXPECT_EQ(f.deconnexions, 1);
  EXPECT_TRUE(f.boites.montrees.empty());
  EXPECT_FALSE(f.sequence->TimerActif());
}

TEST(SequenceFermeture, AnsweringNoKeepsEverythingOpen) {
  Fenetre f;
  f.sessions = 2;
  f.boites.reponses = {Bouton::Non};
  f.Fermer();
  EXPECT_FALSE(f.fermee);
  ASSERT_EQ(f.boites.montrees.size(), 1u);
  EXPECT_EQ(f.boites.montrees[0].texte,
            "Active assistance session(s) detected. Exit anyway ?\r\nIf yes each session will terminate.");
  EXPECT_EQ(f.boites.montrees[0].type, TypeBoite::Avertissement);
  EXPECT_EQ(f.fermeturesSessions, 0);
  EXPECT_EQ(f.deconnexions, 0);
  EXPECT_FALSE(f.sequence->TimerActif());
}

// Yes with sessions that take a few closing-timer periods: the question is asked once, the agent
// logs out once the last session went, and the window closes only when the listener is idle.
TEST(SequenceFermeture, YesWaitsForSessionsAndListenerWithoutAskingAgain) {
  struct Case {
    int periodesSessions;
    int periodesEcoute;
    uint32_t fermeeApresMs;
  };
  const Case cases[] = {{0, 0, 0}, {2, 0, 1500}, {1, 3, 2250}, {3, 1, 2250}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.periodesSessions << " " << c.periodesEcoute);
    Fenetre f;
    f.sessions = 2;
    f.periodesAvantFinSessions = c.periodesSessions;
    f.periodesAvantEcouteInactive = c.periodesEcoute;
    f.boites.reponses = {Bouton::Oui};
    f.Fermer();
    uint32_t ecoule = 0;
    while (!f.fermee && ecoule < 10000) {
      f.loop.advance(TSequenceFermeture::kIntervalleDefaut);
      ecoule += TSequenceFermeture::kIntervalleDefaut;
    }
    EXPECT_TRUE(f.fermee);
    EXPECT_EQ(ecoule, c.fermeeApresMs);
    EXPECT_EQ(f.boites.montrees.size(), 1u);
    EXPECT_EQ(f.deconnexions, 1);
    EXPECT_FALSE(f.sequence->TimerActif());
    EXPECT_GE(f.fermeturesSessions, 1);
  }
}

TEST(SequenceFermeture, IntervalComesFromTheConfiguration) {
  Fenetre f;
  f.sequence->SetIntervalle(200);
  f.sessions = 1;
  f.periodesAvantFinSessions = 1;
  f.boites.reponses = {Bouton::Oui};
  f.Fermer();
  f.loop.advance(199);
  EXPECT_FALSE(f.fermee);
  f.loop.advance(1);
  EXPECT_TRUE(f.fermee);
}

}  // namespace
}  // namespace corvane::shell
