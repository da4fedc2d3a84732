// The customer program against the console's own core: the agent controller with its call
// listener and incoming-call dialog, and the assistance-session model with its eleven channels,
// all wired to the reference service. The agent answers the dialog; the program does the rest.

#include <gtest/gtest.h>

#include <algorithm>

#include "ClientFixture.h"
#include "assistance/SessionAssistanceModel.h"
#include "calls/AppelClientModel.h"
#include "calls/CallsTestSupport.h"
#include "calls/ScriptedAgentProxy.h"

using namespace corvane;
using namespace corvane::client;
using namespace corvane::client::testing;

class ConsoleEndToEndTest : public ::testing::Test {
protected:
  static constexpr uint32_t kPollMs = 1000;

  void SetUp() override {
    agent = std::make_unique<calls::TCorvaneAgent>(loop);
    agent->SetRacineServeur(service.root);
    agent->SetHoteEcoute("127.0.0.1");
    agent->SetProxies(proxy, std::make_shared<service::CorvaneGroupeAgentProxy>(service.root));
    agent->RequeteAdresse = [](const std::string&) {};
    agent->OnAvertissement = [this](const std::string& c, const std::string&) { warnings.push_back(c); };
    agent->OnFenetreAppelCreee = [this](calls::TFrmAppelClientModel& d) { dialogs.push_back(&d); };
    assistance::InstallerFabriqueSessions(
        *agent, loop,
        [this](assistance::TFrmInstanceCorvaneAgentModel& m) {
          sessions.push_back(&m);
          m.OnFinImage.Subscribe([this] { ++frames; });
          m.OnAvertissement = [this](const std::string& c, const std::string&) { warnings.push_back(c); };
          m.OnFermer = [this, &m] { sessions.erase(std::find(sessions.begin(), sessions.end(), &m)); };
        },
        "127.0.0.1");
    calls::testing::FixedCredentials credentials("tech", "tech");
    ASSERT_TRUE(agent->Connecter(credentials));
    service::TRemotableAgent record = *agent->InfosAgent();
    record.Ports = "0";  // any free port for each session
    agent->MettreAJourAgent(record);
    agent->SetStatusAgent(service::TStatusAgent::saDisponible);
    ASSERT_GT(agent->PortEcoute(), 0);
    // The service tells customers where the listener really is (the controller publishes its
    // address through UpdateIP, which these tests leave out).
    const std::string session = service.store.LogIn("tech", "tech");
    service::TRemotableAgent published = service.store.ObtenirAgent(session, service.techId);
    published.AdresseIPAuto = false;
    published.AdresseIP = "127.0.0.1";
    published.Port = agent->PortEcoute();
    service.store.MettreAJourAgent(session, published);
  }
  void TearDown() override {
    program.reset();
    agent.reset();
  }

  CustomerProgram& Program(const std::function<void(ClientOptions&)>& adjust = {}) {
    ClientOptions o;
    o.serviceUrl = service.root;
    o.groupId = service.demo.groupeId;
    o.name = "Visitor";
    o.email = "visitor@customer.invalid";
    o.description = "My screen is blank";
    o.screenWidth = 320;
    o.screenHeight = 240;
    o.receiveDir = receiveDir.path().string();
    o.pollIntervalMs = kPollMs;
    if (adjust) adjust(o);
    program = std::make_unique<CustomerProgram>(loop, o, output);
    return *program;
  }

  // Calls, lets the agent accept, and waits for the session to run with frames flowing.
  assistance::TFrmInstanceCorvaneAgentModel& Running(CustomerProgram& p) {
    p.Start();
    EXPECT_EQ(dialogs.size(), 1u);
    if (!dialogs.empty()) dialogs.back()->Accepter();
    loop.advance(kPollMs);
    EXPECT_TRUE(out.Contains("STATE connected"));
    EXPECT_EQ(sessions.size(), 1u);
    auto& model = *sessions.back();
    EXPECT_TRUE(WaitFor([&] { return model.EtatConnexion() == 2 && frames > 0; }));
    return model;
  }

  std::string Closing(const std::string& assistanceId) {
    const std::string session = service::CorvaneAgentProxy(service.root).LogIn("tech", "tech");
    service::TRemotableFiltre f;
    f.DateDebutInclue = service::server::ServiceZoneTime(service.clockMs) - 1;
    f.DateFinNonInclue = service::server::ServiceZoneTime(service.clockMs) + 1;
    f.IdentificationClient = service::TFiltreIdentificationClient::ficTous;
    f.RequeteClient = service::TFiltreRequeteClient::frcToutes;
    for (const auto& a : service::CorvaneAgentProxy(service.root).ListeAssistances(session, f))
      if (a.AssistanceID == assistanceId) return a.Cloture;
    return "<none>";
  }

  bool WaitFor(const std::function<bool()>& pred) { return loop.pumpUntil(pred, 10000); }

  calls::testing::ReferenceService service;
  base::ManualLoop loop;
  std::shared_ptr<calls::testing::ScriptedAgentProxy> proxy =
      std::make_shared<calls::testing::ScriptedAgentProxy>(service.root);
  std::vector<calls::TFrmAppelClientModel*> dialogs;
  std::vector<assistance::TFrmInstanceCorvaneAgentModel*> sessions;
  std::vector<std::string> warnings;
  int frames = 0;
  std::unique_ptr<calls::TCorvaneAgent> agent;
  TempFolder receiveDir;
  Log out;
  ProgressOutput output{[this](const std::string& line) { out.Add(line); }};
  std::unique_ptr<CustomerProgram> program;
};

TEST_F(ConsoleEndToEndTest, CustomersDotEndsASessionTheConsoleRan) {
  CustomerProgram& p = Program();
  auto& model = Running(p);
  EXPECT_EQ(model.Client().Nom, "Visitor");
  EXPECT_EQ(model.Description(), "My screen is blank\r\n");
  EXPECT_EQ(model.AssistanceID(), p.AssistanceId());

  ASSERT_TRUE(model.EnvoyerChat("Bonjour, je regarde."));
  EXPECT_TRUE(WaitFor([&] { return out.Contains("CHAT agent Bonjour, je regarde."); }));
  p.InputLine("Merci !");
  EXPECT_TRUE(WaitFor([&] {
    const auto& chat = model.JournalChat();
    return std::any_of(chat.begin(), chat.end(), [](const auto& l) { return !l.deLAgent && l.texte == "Merci !"; });
  }));
  model.DADSpeakingInputs().MouseDown(session::mbLeft, 10, 30);
  EXPECT_TRUE(WaitFor([&] { return out.Contains("INPUT click left 10 30"); }));

  // The customer leaves: the console notes it, answers "." in its disconnection sequence, and
  // ends without the network warning.
  p.InputLine(".");
  ASSERT_TRUE(WaitFor([&] { return model.ClotureDemandee(); }));
  EXPECT_NE(model.Caption().find("Client disconnected at"), std::string::npos);
  loop.advance(3000);
  ASSERT_TRUE(WaitFor([&] { return p.Finished(); }));
  EXPECT_TRUE(out.Contains("STATE ended reason=customer"));
  EXPECT_EQ(p.ExitCode(), kExitSessionHeld);
  ASSERT_TRUE(WaitFor([&] { return model.ServerTCP().ConnectionCount() == 0; }));
  for (int i = 0; i < 5 && model.EtatConnexion() != 7; ++i) loop.advance(1000);
  EXPECT_EQ(model.EtatConnexion(), 7);
  EXPECT_TRUE(warnings.empty()) << ::testing::PrintToString(warnings);
  EXPECT_EQ(Closing(p.AssistanceId()), "");  // the agent reports when it closes the window
}

TEST_F(ConsoleEndToEndTest, AgentTerminatesAndTheCustomerProgramFollows) {
  CustomerProgram& p = Program();
  auto& model = Running(p);
  model.InitierCloture();
  EXPECT_EQ(Closing(p.AssistanceId()), "O");
  loop.advance(3000);  // the sequence sends "." to the customer
  ASSERT_TRUE(WaitFor([&] { return p.Finished(); }));
  EXPECT_TRUE(out.Contains("STATE ended reason=agent"));
  EXPECT_EQ(p.ExitCode(), kExitSessionHeld);
  EXPECT_TRUE(warnings.empty()) << ::testing::PrintToString(warnings);
}

TEST_F(ConsoleEndToEndTest, RefusalAtTheConsoleIsRecordedAsR) {
  CustomerProgram& p = Program();
  p.Start();
  ASSERT_EQ(dialogs.size(), 1u);
  dialogs.back()->Refuser();
  loop.advance(kPollMs);
  ASSERT_TRUE(WaitFor([&] { return p.Finished(); }));
  EXPECT_EQ(p.ExitCode(), kExitNoSession);
  EXPECT_EQ(Closing(p.AssistanceId()), "R");
}

// Older customer programs send the caller's texts in their Windows code page: the console reads
// them as it reads UTF-8.
class ConsoleHeaderCharsetTest : public ConsoleEndToEndTest,
                                 public ::testing::WithParamInterface<HeaderCharset> {};

TEST_P(ConsoleHeaderCharsetTest, CallersTextsReachTheDialogAndTheSessionIntact) {
  CustomerProgram& p = Program([](ClientOptions& o) {
    o.name = "Zo\xC3\xA9 D\xC3\xBCrr";                                    // Zoé Dürr
    o.description = "\xC3\x89" "cran noir\nplus de caf\xC3\xA9 \xE2\x82\xAC";  // Écran noir / plus de café €
    o.headerCharset = GetParam();
  });
  const std::string description = "\xC3\x89" "cran noir\r\nplus de caf\xC3\xA9 \xE2\x82\xAC\r\n";
  p.Start();
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_EQ(dialogs[0]->TexteClient(), "Zo\xC3\xA9 D\xC3\xBCrr");
  EXPECT_EQ(dialogs[0]->Description(), description);
  dialogs[0]->Accepter();
  loop.advance(kPollMs);
  ASSERT_EQ(sessions.size(), 1u);
  auto& model = *sessions.back();
  EXPECT_EQ(model.Client().Nom, "Zo\xC3\xA9 D\xC3\xBCrr");
  EXPECT_EQ(model.Description(), description);
  EXPECT_NE(model.Caption().find("Assistance : Zo\xC3\xA9 D\xC3\xBCrr"), std::string::npos);
  ASSERT_TRUE(WaitFor([&] { return model.EtatConnexion() == 2; }));
  model.InitierCloture();
  loop.advance(3000);
  ASSERT_TRUE(WaitFor([&] { return p.Finished(); }));
  EXPECT_EQ(p.ExitCode(), kExitSessionHeld);
}

INSTANTIATE_TEST_SUITE_P(Charset, ConsoleHeaderCharsetTest,
                         ::testing::Values(HeaderCharset::Utf8, HeaderCharset::Windows1252),
                         [](const ::testing::TestParamInfo<HeaderCharset>& info) {
                           return info.param == HeaderCharset::Utf8 ? "Utf8" : "Windows1252";
                         });
