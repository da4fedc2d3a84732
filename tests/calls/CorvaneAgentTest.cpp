#include <gtest/gtest.h>

#include "support/HeldPort.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "ControllerFixture.h"
#include "calls/AddressPublication.h"
#include "calls/CallsError.h"
#include "service/RemotableFaults.h"
#include "support/PortReservation.h"

using namespace corvane;
using namespace corvane::calls;
using namespace corvane::calls::testing;
using service::TStatusAgent;

namespace {

using corvane::testing_support::HeldPort;

class CorvaneAgentTest : public ControllerFixture {};

}  // namespace

TEST_F(CorvaneAgentTest, LogInThenStatusOpensAndClosesTheListener) {
  LogIn();
  EXPECT_TRUE(agent->Connecte());
  EXPECT_EQ(agent->MotDePasse(), "tech");
  ASSERT_NE(agent->InfosAgent(), nullptr);
  EXPECT_EQ(agent->InfosAgent()->Login, "tech");
  ASSERT_NE(agent->InfosGroupe(), nullptr);
  EXPECT_EQ(agent->InfosGroupe()->Nom, "Demo Support");
  EXPECT_EQ(events, (std::vector<std::string>{"LogIn", "InfosProjet", "Status"}));
  EXPECT_EQ(agent->StatusAgent(), TStatusAgent::saDeconnecte);
  EXPECT_FALSE(agent->Ecouteur().Active());
  EXPECT_EQ(proxy->calls["LogOut"], 0);  // no previous session to end
  EXPECT_EQ(work, 0);

  agent->SetStatusAgent(TStatusAgent::saDisponible);
  EXPECT_TRUE(agent->Ecouteur().Active());
  EXPECT_GT(agent->PortEcoute(), 0);
  ASSERT_FALSE(published.empty());
  EXPECT_EQ(published.back(), service.root + "UpdateIP?session=" + agent->Session());
  const auto info = SendRequest(loop, agent->PortEcoute(), {{"User-Agent", "Mozilla/5.0"}});
  EXPECT_EQ(info.status, 200);
  EXPECT_NE(info.body.find("<td>Durand</td>"), std::string::npos);

  agent->SetStatusAgent(TStatusAgent::saOccupe);
  EXPECT_TRUE(agent->Ecouteur().Active());
  agent->SetStatusAgent(TStatusAgent::saDeconnecte);
  EXPECT_FALSE(agent->Ecouteur().Active());
  EXPECT_TRUE(agent->EstInactif());
  EXPECT_EQ(Count("Status"), 4u);
  EXPECT_EQ(work, 0);

  agent->Deconnecter();
  EXPECT_FALSE(agent->Connecte());
  EXPECT_EQ(agent->InfosAgent(), nullptr);
  EXPECT_EQ(agent->MotDePasse(), "");
  EXPECT_EQ(events.back(), "LogOut");
  EXPECT_EQ(loop.activeTimers(), 0u);  // the refresh stopped
}

TEST_F(CorvaneAgentTest, WrongPasswordIsShownAndKeepsTheSession) {
  LogIn();
  const std::string session = agent->Session();
  EXPECT_FALSE(agent->EssayerConnexion("tech", "wrong"));
  EXPECT_EQ(agent->Session(), session);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_THROW(std::rethrow_exception(errors[0]), service::ERemotableEchecAuthentification);
  EXPECT_EQ(work, 0);
}

TEST_F(CorvaneAgentTest, LoggingInAgainAfterTheSessionExpiredSucceeds) {
  LogIn();
  const std::string old = agent->Session();
  ExpireSession();
  EXPECT_TRUE(agent->EssayerConnexion("tech", "tech"));  // the refused log-out of `old` is ignored
  EXPECT_NE(agent->Session(), old);
  EXPECT_EQ(proxy->calls["LogOut"], 1);
  EXPECT_TRUE(errors.empty());
}

TEST_F(CorvaneAgentTest, BusyCallPortLeavesTheAgentDisconnected) {
  LogIn();
  HeldPort held;
  service::TRemotableAgent record = *agent->InfosAgent();
  record.Port = held.port();
  agent->MettreAJourAgent(record);
  EXPECT_EQ(agent->InfosAgent()->Port, held.port());
  try {
    agent->SetStatusAgent(TStatusAgent::saDisponible);
    FAIL() << "the busy port went unnoticed";
  } catch (const ECallListenerPortBusy& e) {
    EXPECT_EQ(e.Port(), held.port());
  }
  EXPECT_EQ(agent->StatusAgent(), TStatusAgent::saDeconnecte);
  EXPECT_FALSE(agent->Ecouteur().Active());
  EXPECT_EQ(agent->ObtenirAgent("").Status, TStatusAgent::saDeconnecte);  // at the service too
  EXPECT_EQ(loop.activeTimers(), 0u);
  EXPECT_EQ(work, 0);
}

TEST_F(CorvaneAgentTest, SavingTheOwnRecordWithANewPortMovesTheListener) {
  Available();
  const size_t statusChanges = Count("Status");
  service::TRemotableAgent record = *agent->InfosAgent();
  const corvane::testing::PortReservation reserved;
  const int port = reserved.Port();
  record.Port = port;
  record.Nom = "Durand-Martin";
  agent->MettreAJourAgent(record);
  EXPECT_EQ(agent->InfosAgent()->Nom, "Durand-Martin");
  EXPECT_TRUE(agent->Ecouteur().Active());
  EXPECT_EQ(agent->PortEcoute(), port);
  EXPECT_EQ(Count("Status"), statusChanges);
  EXPECT_EQ(agent->StatusAgent(), TStatusAgent::saDisponible);
  EXPECT_EQ(SendRequest(loop, port, {{"User-Agent", "x"}}).status, 200);
}

TEST_F(CorvaneAgentTest, RefreshEveryThreeMinutesRetriesAfterTwentySeconds) {
  LogIn();
  int failing = 0;
  proxy->failures["ModifierStatus"] = [&] {
    if (failing > 0) {
      --failing;
      throw service::EConnectionRefused("down");
    }
  };
  const int start = proxy->calls["ModifierStatus"];
  loop.advance(179999);
  EXPECT_EQ(proxy->calls["ModifierStatus"], start);
  loop.advance(1);
  EXPECT_EQ(proxy->calls["ModifierStatus"], start + 1);
  failing = 1;
  loop.advance(180000);
  EXPECT_EQ(proxy->calls["ModifierStatus"], start + 2);  // failed, silently
  EXPECT_TRUE(errors.empty());
  loop.advance(20000);
  EXPECT_EQ(proxy->calls["ModifierStatus"], start + 3);  // retried 20 s later
  loop.advance(179999);
  EXPECT_EQ(proxy->calls["ModifierStatus"], start + 3);  // normal period again
  loop.advance(1);
  EXPECT_EQ(proxy->calls["ModifierStatus"], start + 4);
  EXPECT_EQ(work, 0);

  // The invalid session goes to the application's handler once the work is over: the main window
  // is not left busy while the session is re-opened.
  int workDuringHandler = -1;
  agent->OnErreur = [&](std::exception_ptr e) {
    errors.push_back(e);
    workDuringHandler = work;
  };
  ExpireSession();
  loop.advance(180000);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_THROW(std::rethrow_exception(errors[0]), service::ERemotableInvalideSession);
  EXPECT_EQ(workDuringHandler, 0);
  EXPECT_EQ(work, 0);
}

TEST_F(CorvaneAgentTest, ShorterIntervalTakesEffect) {
  agent->SetIntervalRafraichissementStatus(1);
  LogIn();
  const int start = proxy->calls["ModifierStatus"];
  loop.advance(60000);
  EXPECT_EQ(proxy->calls["ModifierStatus"], start + 1);
}

TEST_F(CorvaneAgentTest, LogOutIgnoresADeadServiceButNotOtherFaults) {
  Available();
  service.server.stop();
  EXPECT_NO_THROW(agent->Deconnecter());
  EXPECT_FALSE(agent->Connecte());
  EXPECT_FALSE(agent->Ecouteur().Active());
  EXPECT_EQ(agent->InfosAgent(), nullptr);
  EXPECT_EQ(events.back(), "LogOut");
  EXPECT_EQ(work, 0);
  // Disconnected here although the service never heard it; nothing reports "available" later.
  EXPECT_EQ(agent->StatusAgent(), TStatusAgent::saDeconnecte);
  EXPECT_EQ(loop.activeTimers(), 0u);
  const int reports = proxy->calls["ModifierStatus"];
  loop.advance(600000);
  EXPECT_EQ(proxy->calls["ModifierStatus"], reports);
}

TEST_F(CorvaneAgentTest, LogOutPassesOnAnUnexpectedFaultYetTakesNoMoreCalls) {
  for (const char* operation : {"ModifierStatus", "LogOut"}) {
    SCOPED_TRACE(operation);
    Available();
    proxy->failures[operation] = [] { throw service::ERemotableOperationNonAutorisee("no"); };
    EXPECT_THROW(agent->Deconnecter(), service::ERemotableOperationNonAutorisee);
    EXPECT_EQ(work, 0);
    EXPECT_EQ(agent->StatusAgent(), TStatusAgent::saDeconnecte);
    EXPECT_FALSE(agent->Ecouteur().Active());
    EXPECT_EQ(loop.activeTimers(), 0u);
    proxy->failures.clear();
    agent->Deconnecter();
    EXPECT_FALSE(agent->Connecte());
  }
}

TEST_F(CorvaneAgentTest, LastConnectedSessionWindowGoingSetsTheAgentAvailable) {
  Available();
  agent->SetStatusAgent(TStatusAgent::saOccupe);
  auto a = agent->CreerFenetreSession();
  auto b = agent->CreerFenetreSession();
  EXPECT_EQ(agent->NbreSessions(), 2);
  static_cast<FakeFenetreSession&>(*a).etat = 7;
  static_cast<FakeFenetreSession&>(*b).etat = 0;
  agent->LibererFenetreSession(a.get());
  a.reset();
  loop.pump();
  EXPECT_EQ(agent->NbreSessions(), 1);
  EXPECT_EQ(agent->StatusAgent(), TStatusAgent::saOccupe);  // another window remains
  agent->LibererFenetreSession(b.get());
  agent->LibererFenetreSession(b.get());  // released twice: counted once
  b.reset();
  loop.pump();
  EXPECT_EQ(agent->NbreSessions(), 0);
  EXPECT_EQ(agent->StatusAgent(), TStatusAgent::saOccupe);  // it never got connected

  auto c = agent->CreerFenetreSession();
  static_cast<FakeFenetreSession&>(*c).etat = 7;
  agent->LibererFenetreSession(c.get());
  c.reset();
  loop.pump();
  EXPECT_EQ(agent->StatusAgent(), TStatusAgent::saDisponible);
  EXPECT_EQ(*windowsAlive, 0);
}

TEST(AddressPublication, FailuresAreTransportErrors) {
  ReferenceService service;
  EXPECT_THROW(PublishAddress(AddressPublicationUrl(service.root, "no such session")), service::EHttpStatus);
  const corvane::testing::PortReservation reserved;  // bound, never listening: refused
  const int closed = reserved.Port();
  EXPECT_THROW(PublishAddress("http://127.0.0.1:" + std::to_string(closed) + "/UpdateIP?session=x"),
               service::EConnectionRefused);
  EXPECT_EQ(AddressPublicationUrl("http://h/root", "a b&c"), "http://h/root/UpdateIP?session=a%20b%26c");
}

TEST(AddressPublication, ValidSessionIsAccepted) {
  ReferenceService service;
  service::CorvaneAgentProxy proxy(service.root);
  const std::string session = proxy.LogIn("tech", "tech");
  EXPECT_NO_THROW(PublishAddress(AddressPublicationUrl(service.root, session)));
}
