#include <gtest/gtest.h>

#include <filesystem>
#include <future>
#include <set>
#include <fstream>
#include <thread>

#include "ArchiveTestSupport.h"
#include "SessionTestSupport.h"
#include "TransfertsTestSupport.h"
#include "assistance/CompressionDecompressionThread.h"
#include "assistance/SessionLimits.h"
#include "support/PortReservation.h"

using namespace corvane;
using namespace corvane::assistance;
using namespace corvane::assistance::testing;
using service::TStatusAgent;
using M = TFrmInstanceCorvaneAgentModel;

namespace {

class SessionAssistanceTest : public SessionFixture {
protected:
  // Connects the eleven channels and waits for the running state.
  void Connect(Customer& customer, M& model) {
    customer.ConnectAll();
    ASSERT_TRUE(WaitFor([&] { return model.EtatConnexion() == 2; }));
  }
  // Runs the disconnection sequence from state 3 to state 7 (the model may close itself at 7, and
  // is not read after that).
  void RunSequence(M& model) {
    ASSERT_EQ(model.EtatConnexion(), 3);
    loop.advance(2999);
    EXPECT_EQ(model.EtatConnexion(), 3);
    loop.advance(1);
    EXPECT_EQ(model.EtatConnexion(), 4);
    EXPECT_EQ(model.TexteBanniere(), "Waiting client disconnection...");
    loop.advance(3000);
    EXPECT_EQ(model.EtatConnexion(), 5);
    for (int i = 0; i < 20 && Open(model) && model.EtatConnexion() < 7; ++i) loop.advance(1000);
    if (Open(model)) {
      EXPECT_EQ(model.EtatConnexion(), 7);
    }
  }
  bool Open(const M& model) const { return std::find(sessions.begin(), sessions.end(), &model) != sessions.end(); }
};

}  // namespace

TEST_F(SessionAssistanceTest, FullCallEndedByTheCustomer) {
  uint16_t port = 0;
  std::string id;
  M& model = StartSession(port, &id);
  ASSERT_GT(port, 0);
  EXPECT_TRUE(model.Visible());
  EXPECT_EQ(model.AssistanceID(), id);
  EXPECT_EQ(model.Caption(), "[" + id + "] Assistance : Visitor");
  EXPECT_EQ(model.TexteIdentifiant(), "(no ID)");
  EXPECT_EQ(model.LignesClient().front().valeur, "Inconnu");
  EXPECT_EQ(model.Description(), "Help me\r\n");
  EXPECT_EQ(model.EtatConnexion(), 0);
  EXPECT_EQ(model.TexteBanniere(), "Not connected");
  EXPECT_EQ(agent->StatusAgent(), TStatusAgent::saOccupe);
  EXPECT_EQ(agent->ObtenirAgent("").Status, TStatusAgent::saOccupe);
  EXPECT_EQ(agent->Contextes().Count(), 0u);  // purged after the start
  EXPECT_EQ(agent->NbreFenetresAppel(), 0u);

  Customer customer(loop, port);
  customer.Raw(session::mcChannelScreen);
  ASSERT_TRUE(WaitFor([&] { return model.EtatConnexion() == 1; }));
  EXPECT_EQ(model.TexteBanniere(), "Connecting...");
  // The customer's ends for everything else (screen already announced by the raw connection).
  customer.ConnectAll();  // a second screen connection binds nothing
  ASSERT_TRUE(WaitFor([&] { return model.EtatConnexion() == 2; }));
  EXPECT_FALSE(model.BanniereVisible());
  EXPECT_EQ(model.CanauxLies(), 11);
  EXPECT_TRUE(model.DADScreen().Active());

  // Chat both ways, only now that the session runs.
  EXPECT_TRUE(model.EnvoyerChat("Hello from the agent"));
  ASSERT_TRUE(WaitFor([&] { return customer.received.Contains("chat Hello from the agent\r\n"); }));
  customer.chatOut->SendText("Hello agent");
  ASSERT_TRUE(WaitFor([&] { return model.JournalChat().size() == 2; }));
  EXPECT_FALSE(model.JournalChat()[1].deLAgent);
  EXPECT_EQ(model.JournalChat()[1].texte, "Hello agent");

  loop.advance(3000);
  EXPECT_EQ(model.TexteDuree(), "0h 0min 3s");

  // The customer leaves.
  customer.commandsOut->SendCommand(".");
  ASSERT_TRUE(WaitFor([&] { return model.EtatConnexion() == 3; }));
  EXPECT_EQ(model.Caption().rfind("[" + id + "] Assistance : Visitor Client disconnected at ", 0), 0u);
  EXPECT_EQ(model.Rapport(), "Connexion time : 0h 0min 3s\r\n");
  EXPECT_TRUE(model.ClotureDemandee());
  EXPECT_EQ(model.TexteBanniere(), "Disconnection detected");
  RunSequence(model);
  // The end command reached the customer (its worker thread prints it when it reads it).
  EXPECT_TRUE(WaitFor([&] { return customer.received.Contains("command ."); }));
  EXPECT_EQ(model.TexteBanniere(), "Disconnection done");
  EXPECT_TRUE(warnings.empty());  // not a lost session
  EXPECT_TRUE(model.Visible());   // stays open for the report
  EXPECT_EQ(model.ServerTCP().ConnectionCount(), 0u);
  EXPECT_EQ(Closings(), 0);

  // The agent writes the report and closes: the closing is reported once.
  model.AjouterLigneRapport("Printer driver reinstalled.");
  EXPECT_TRUE(model.DemanderFermeture());
  EXPECT_EQ(Closings(), 1);
  loop.pump();
  EXPECT_EQ(agent->NbreSessions(), 0);
  EXPECT_EQ(agent->StatusAgent(), TStatusAgent::saDisponible);
  const service::TRemotableAgent me = agent->ObtenirAgent("");
  EXPECT_EQ(me.Status, TStatusAgent::saDisponible);
  EXPECT_TRUE(applicationErrors.empty());
}

TEST_F(SessionAssistanceTest, TerminateReportsAtOnceAndClosesAtTheEnd) {
  uint16_t port = 0;
  M& model = StartSession(port);
  Customer customer(loop, port);
  Connect(customer, model);
  model.SetRapport("Done.\r\n");
  model.InitierCloture();
  EXPECT_EQ(Closings(), 1);
  EXPECT_FALSE(model.InitierClotureActive());
  model.InitierCloture();  // once executed, Terminate does nothing
  EXPECT_EQ(Closings(), 1);
  RunSequence(model);
  EXPECT_TRUE(warnings.empty());
  loop.pump();
  EXPECT_TRUE(sessions.empty());  // closed by itself at state 7
  EXPECT_EQ(agent->NbreSessions(), 0);
  EXPECT_EQ(agent->StatusAgent(), TStatusAgent::saDisponible);
  EXPECT_EQ(Closings(), 1);
}

TEST_F(SessionAssistanceTest, LostChannelEndsInTheNetworkWarning) {
  uint16_t port = 0;
  M& model = StartSession(port);
  Customer customer(loop, port);
  Connect(customer, model);
  // Stray connections neither bind nor end the session.
  customer.Raw(session::mcChannelChat);     // duplicate of a bound channel
  customer.Raw(session::mcEmpty).conn->Disconnect();
  ASSERT_TRUE(WaitFor([&] { return model.Connexions() == 13 && model.Deconnexions() == 1; }));
  EXPECT_EQ(model.EtatConnexion(), 2);
  // A bound channel goes: the session is lost.
  customer.raw[1]->conn->Disconnect();  // the cursor channel
  ASSERT_TRUE(WaitFor([&] { return model.EtatConnexion() == 3; }));
  EXPECT_FALSE(model.ClotureDemandee());
  RunSequence(model);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0].first, "Network technical difficulties");
  EXPECT_EQ(warnings[0].second,
            "This assistance session has been suddenly terminated because of network or distant computer "
            "technical difficulties.");
  EXPECT_TRUE(model.Visible());  // the agent finishes the report
  EXPECT_EQ(Closings(), 0);
  EXPECT_TRUE(model.DemanderFermeture());
  EXPECT_EQ(Closings(), 1);
}

TEST_F(SessionAssistanceTest, ConnectionWatchGivesUpAfter25Seconds) {
  uint16_t port = 0;
  M& model = StartSession(port);
  Customer customer(loop, port);
  customer.Raw(session::mcChannelCursor).conn->Disconnect();  // one channel opened and closed
  ASSERT_TRUE(WaitFor([&] { return model.Deconnexions() == 1; }));
  EXPECT_EQ(model.EtatConnexion(), 1);
  EXPECT_FALSE(model.DemanderFermeture());  // state 1 cannot be closed
  loop.advance(24800);  // the watch looks every 800 ms: 24.8 s is still below the limit
  EXPECT_EQ(model.EtatConnexion(), 1);
  EXPECT_TRUE(errors.empty());
  loop.advance(800);
  EXPECT_EQ(model.EtatConnexion(), 0);
  EXPECT_FALSE(model.ServerTCP().Active());
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0],
            "Connecting time out raised. Assistance establishment failed.\nSome wanted client connections are "
            "probably blocked by client or agent firewall.");
  // The agent closes it; nothing is reported and the status is left as it was.
  EXPECT_TRUE(model.DemanderFermeture());
  loop.pump();
  EXPECT_EQ(Closings(), 0);
  EXPECT_EQ(agent->StatusAgent(), TStatusAgent::saOccupe);
}

TEST_F(SessionAssistanceTest, ConnectionWatchWithoutAnyChannelNamesThePort) {
  uint16_t port = 0;
  M& model = StartSession(port);
  loop.advance(25600);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], "Connecting time out raised. Assistance establishment failed.\nAll client connections are "
                       "probably blocked by client or agent firewall, or port " +
                           std::to_string(port) + " is not open in your network configuration");
  EXPECT_EQ(model.EtatConnexion(), 0);
}

TEST_F(SessionAssistanceTest, SilentConnectionFloodDoesNotKeepTheChannelsOut) {
  uint16_t port = 0;
  M& model = StartSession(port);
  Customer flood(loop, port);
  // More than the server keeps: the extra ones are closed at once, the silent ones leave.
  for (size_t i = 0; i < kMaxConnexionsSession + 16; ++i) flood.Raw(session::mcEmpty);
  ASSERT_TRUE(WaitFor([&] { return model.Connexions() >= static_cast<int>(kMaxConnexionsSession); }));
  EXPECT_LE(model.ServerTCP().ConnectionCount(), kMaxConnexionsSession);
  ASSERT_TRUE(WaitFor([&] { return model.ServerTCP().ConnectionCount() <= kMaxConnexionsNonAnnoncees; }));
  // Silent connections are still open, and the real channels bind all the same.
  Customer customer(loop, port);
  Connect(customer, model);
  EXPECT_EQ(model.CanauxLies(), 11);
  EXPECT_EQ(model.EtatConnexion(), 2);
}

TEST_F(SessionAssistanceTest, AllAssistancePortsBusyAnswersNok) {
  session::TcpServer other(loop);  // another program holding the only assistance port
  other.SetBinding("127.0.0.1", 0);
  other.SetActive(true);
  service::TRemotableAgent record = *agent->InfosAgent();
  record.Ports = std::to_string(other.Port());
  agent->MettreAJourAgent(record);
  httplib::Headers h = CallHeaders("BUSY-1", 1, 1);
  EXPECT_EQ(Call(h).dad["DAD-Reponse"], "NOK");
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0].first, "Call received, but all ports busy");
  loop.pump();
  EXPECT_EQ(agent->NbreSessions(), 0);  // the window was destroyed at once
  EXPECT_TRUE(dialogs.empty());
}

TEST_F(SessionAssistanceTest, UnknownCustomerIdentifierReleasesTheAssistancePort) {
  uint16_t only = 0;
  {
    session::TcpServer probe(loop);  // a free port, released at once
    probe.SetBinding("127.0.0.1", 0);
    probe.SetActive(true);
    only = static_cast<uint16_t>(probe.Port());
  }
  service::TRemotableAgent record = *agent->InfosAgent();
  record.Ports = std::to_string(only);
  agent->MettreAJourAgent(record);
  for (int i = 0; i < 2; ++i) {  // the second call finds the only port free again
    httplib::Headers h = CallHeaders("WRONG-" + std::to_string(i), 1, 1);
    h.emplace("DAD-TypeClient", "1");
    h.emplace("DAD-ClientID", "NO-SUCH-CUSTOMER");
    const HttpResult r = Call(h);
    EXPECT_EQ(r.status, 500);
    EXPECT_FALSE(r.body.empty());
    EXPECT_EQ(agent->NbreSessions(), 0);
  }
  EXPECT_TRUE(warnings.empty());  // never "all ports busy"
  EXPECT_TRUE(dialogs.empty());
  session::TcpServer again(loop);
  again.SetBinding("127.0.0.1", only);
  EXPECT_NO_THROW(again.SetActive(true));
}

TEST_F(SessionAssistanceTest, SimultaneousCallsGetTheirOwnPortsUntilTheListRunsOut) {
  constexpr int kPorts = 6, kCalls = 9;
  std::string ports;
  // Fixed ports kept from other tests for the whole case; the windows still bind them.
  std::vector<std::unique_ptr<corvane::testing::PortReservation>> reserved;
  for (int i = 0; i < kPorts; ++i) {
    reserved.push_back(std::make_unique<corvane::testing::PortReservation>());
    ports += (ports.empty() ? "" : ",") + std::to_string(reserved.back()->Port());
  }
  service::TRemotableAgent record = *agent->InfosAgent();
  record.Ports = ports;
  agent->MettreAJourAgent(record);
  const int listener = agent->PortEcoute();
  std::vector<std::future<HttpResult>> answers;
  for (int i = 0; i < kCalls; ++i)
    answers.push_back(std::async(std::launch::async, [listener, i] {
      httplib::Client client("127.0.0.1", listener);
      client.set_read_timeout(30);
      HttpResult r;
      if (auto res = client.Get("/", CallHeaders("SIM-" + std::to_string(i), 1, 2))) {
        r.status = res->status;
        r.dad["DAD-Reponse"] = res->get_header_value("DAD-Reponse");
      }
      return r;
    }));
  ASSERT_TRUE(WaitFor([&] {
    return std::all_of(answers.begin(), answers.end(), [](auto& a) {
      return a.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
    });
  }));
  int refused = 0;
  for (auto& a : answers) refused += a.get().dad["DAD-Reponse"] == "NOK";
  EXPECT_EQ(refused, kCalls - kPorts);
  ASSERT_EQ(agent->NbreSessions(), kPorts);  // the windows without a port were destroyed at once
  std::set<int> distinct;
  for (const auto& w : agent->FenetresSession()) distinct.insert(static_cast<M&>(*w).Port());
  EXPECT_EQ(distinct.size(), static_cast<size_t>(kPorts));
  EXPECT_GE(warnings.size(), 1u);
  for (int i = 0; i < kCalls; ++i) Call(CallHeaders("SIM-" + std::to_string(i), 4));
  loop.pump();
  EXPECT_EQ(agent->Contextes().Count(), 0u);
  EXPECT_EQ(agent->NbreSessions(), 0);
  EXPECT_EQ(agent->NbreFenetresAppel(), 0u);
  // Every port is free again.
  for (int p : distinct) {
    session::TcpServer again(loop);
    again.SetBinding("127.0.0.1", static_cast<uint16_t>(p));
    EXPECT_NO_THROW(again.SetActive(true)) << p;
  }
}

TEST_F(SessionAssistanceTest, ClosingIsRefusedWhileTheSessionIsReopened) {
  uint16_t port = 0;
  M& model = StartSession(port);
  agent->SetReouvertureEnCours(true);
  EXPECT_FALSE(model.DemanderFermeture());  // state 0, but re-opening
  agent->SetReouvertureEnCours(false);
  EXPECT_TRUE(model.DemanderFermeture());
}

TEST_F(SessionAssistanceTest, IdentificationSendsNewIdAndRenamesTheWindow) {
  uint16_t port = 0;
  std::string id;
  M& model = StartSession(port, &id);
  Customer customer(loop, port);
  Connect(customer, model);
  EXPECT_FALSE(model.EnvoyerChat("   "));  // blanks: neither shown nor sent
  EXPECT_EQ(model.JournalChat().size(), 0u);
  // The known-customer picker works on the session interface, as the controller hands it over.
  agent->OnSelectClientId = [](calls::IFenetreSession& sender) {
    calls::TInfosClient& client = sender.Client();
    client.TypeClient = 1;
    client.Identifiant = "C002";
    client.Nom = "Lefebvre";
    client.Prenom = "Paul";
    sender.AppliquerIdentification();
  };
  int panneau = 0;
  model.OnPanneauClientChange.Subscribe([&] { ++panneau; });
  model.SelectionnerIdentifiant();
  EXPECT_EQ(panneau, 1);
  ASSERT_TRUE(WaitFor([&] { return customer.received.Contains("command NEWIDC002"); }));
  EXPECT_EQ(model.Caption(), "[" + id + "] Assistance : Paul Lefebvre");
  EXPECT_EQ(model.TexteIdentifiant(), "C002");
  EXPECT_EQ(model.AideIdentifiant(), "Change client ID : C002");
}

TEST_F(SessionAssistanceTest, ChatIsSentOnlyWhileConnected) {
  uint16_t port = 0;
  M& model = StartSession(port);
  EXPECT_FALSE(model.EnvoyerChat("too early"));
  EXPECT_EQ(model.JournalChat().size(), 1u);  // shown, kept in the input
}

TEST_F(SessionAssistanceTest, TransfersFollowTheSessionRules) {
  uint16_t port = 0;
  M& model = StartSession(port);
  const auto dir = std::filesystem::temp_directory_path() / ("corvane-send-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::vector<std::string> files;
  for (int i = 0; i < 14; ++i) {
    files.push_back((dir / ("f" + std::to_string(i) + ".txt")).string());
    std::ofstream(files.back()) << "data " << i;
  }
  model.EnvoyerFichier(files[0], "");  // not connected: refused
  EXPECT_EQ(model.EnvoisOuverts(), 0);
  EXPECT_TRUE(model.Planificateur().Elements().empty());

  Customer customer(loop, port);
  customer.ConnectFiles();
  ASSERT_TRUE(WaitFor([&] { return model.EtatConnexion() == 1; }));
  customer.filesOut->RequestSend(files[13]);  // incoming before the session runs: refused
  ASSERT_TRUE(WaitFor([&] { return customer.received.Contains("refused " + files[13]); }));
  Connect(customer, model);
  // 10 open, then 3 more selected: the limit warning, 2 accepted, 1 scheduled.
  for (int i = 0; i < 10; ++i) model.EnvoyerFichier(files[static_cast<size_t>(i)], "");
  EXPECT_EQ(model.EnvoisOuverts(), 10);
  BureauScript bureau;
  model.Transferts().SetBureau(&bureau);
  model.Transferts().EnvoyerFichiers({files[10], files[11], files[12]});
  ASSERT_EQ(bureau.boites.size(), 1u);
  EXPECT_EQ(bureau.boites[0].titre, "Too much files");
  EXPECT_EQ(bureau.boites[0].texte, "No more than 12 files at the same time. Other files scheduled.");
  EXPECT_EQ(model.EnvoisOuverts(), 12);
  ASSERT_EQ(model.Planificateur().Elements().size(), 1u);
  EXPECT_TRUE(model.Planificateur().TimerActif());
  // The same file scheduled again, with another letter case, is kept once.
  std::string upper = files[12];
  upper.back() = 'T';
  model.EnvoyerFichier(upper, "");
  EXPECT_EQ(model.Planificateur().Elements().size(), 1u);
  loop.advance(5000);  // still full: it waits
  EXPECT_EQ(model.Planificateur().Elements().size(), 1u);

  // Incoming files are accepted while the session runs, and shown as a new transfer.
  std::vector<session::TOLAFileTransfertDirection> nouveaux;
  model.OnLigneTransfertCreee.Subscribe([&](TFrmTransfertProgressionModel& l) { nouveaux.push_back(l.Direction()); });
  customer.filesOut->RequestSend(files[13]);
  ASSERT_TRUE(WaitFor([&] { return customer.received.Contains("accepted " + files[13]); }));
  ASSERT_TRUE(WaitFor([&] { return std::count(nouveaux.begin(), nouveaux.end(), session::ftdReceive) == 1; }));
  EXPECT_EQ(model.Transferts().NbReceptions(), 1);
  std::filesystem::remove_all(dir);
}

TEST_F(SessionAssistanceTest, ClosingWhileHandOversArePendingDoesNotDeadlock) {
  uint16_t port = 0;
  M& model = StartSession(port);
  Customer customer(loop, port);
  Connect(customer, model);
  std::atomic<bool> stop{false};
  std::thread chatter([&] {
    try {
      for (int i = 0; !stop && i < 2000; ++i) customer.chatOut->SendText("message " + std::to_string(i));
    } catch (const session::SessionError&) {
      // The agent closed the session under the flood: the customer's next write fails.
    }
  });
  // Wait until a chat hand-over is queued and nobody serves it yet.
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (model.JournalChat().empty() && std::chrono::steady_clock::now() < until) {
    loop.pump();
  }
  // Without a chat line served, the closing below would meet no pending hand-over at all.
  const bool chatArrived = !model.JournalChat().empty();
  model.InitierCloture();
  for (int i = 0; i < 30 && !sessions.empty(); ++i) loop.advance(1000);
  stop = true;
  chatter.join();
  EXPECT_TRUE(chatArrived) << "no chat line reached the session before the closing";
  EXPECT_TRUE(sessions.empty());
  loop.pump();
  EXPECT_EQ(agent->NbreSessions(), 0);
}

TEST_F(SessionAssistanceTest, NothingReachesTheWindowAfterItWasToldToClose) {
  uint16_t port = 0;
  M& model = StartSession(port);
  TempFolder tmp;
  WriteFile(tmp.path() / "big" / "data.bin", RandomBytes(16'000'000));
  bool closed = false;
  int late = 0;
  model.OnEtatChange.Subscribe([&](int) { late += closed; });
  model.OnVoyantsChange.Subscribe([&] { late += closed; });
  model.OnDureeChange.Subscribe([&] { late += closed; });
  model.OnFermer = [&] {
    closed = true;
    sessions.erase(std::find(sessions.begin(), sessions.end(), &model));
  };
  // A folder being packed for sending, on a thread the session owns, still working at the close.
  int packings = 0;
  model.OnCompression.Subscribe([&](TCompressionDecompressionThread& t) {
    ++packings;
    t.OnDialogChange = [&](TCompressionDecompressionThread&) { late += closed; };
  });
  model.Transferts().OnLigneCreee.Subscribe([&](TFrmTransfertProgressionModel&) { late += closed; });
  model.Transferts().EnvoyerDossier((tmp.path() / "big").string());
  ASSERT_EQ(packings, 1);
  ASSERT_EQ(model.ThreadsCompression().Count(), 1u);
  // A customer connection that announced nothing yet (the window stays closable in state 0) is
  // open at the close: its end comes while the server stops.
  Customer customer(loop, port);
  customer.Raw(session::mcEmpty);
  ASSERT_TRUE(WaitFor([&] { return model.Connexions() == 1; }));
  ASSERT_EQ(model.EtatConnexion(), 0);
  ASSERT_TRUE(model.DemanderFermeture());
  EXPECT_TRUE(closed);
  EXPECT_EQ(model.ThreadsCompression().Count(), 0u);  // stopped and joined before the close
  loop.pump();
  EXPECT_EQ(agent->NbreSessions(), 0);
  EXPECT_EQ(late, 0);
}

TEST_F(SessionAssistanceTest, StatusFailureAtShowingIsReportedAfterTheStartRequest) {
  // The start request is answered (and its call context purged) before the error box comes.
  proxy->failures["ModifierStatus"] = [] { throw service::EConnectionRefused("down"); };
  std::vector<size_t> contextsAtError;
  agent->OnErreur = [&](std::exception_ptr e) {
    applicationErrors.push_back(e);
    contextsAtError.push_back(agent->Contextes().Count());
  };
  uint16_t port = 0;
  M& model = StartSession(port);
  loop.pump();
  EXPECT_TRUE(model.Visible());
  ASSERT_EQ(contextsAtError.size(), 1u);
  EXPECT_EQ(contextsAtError[0], 0u);
  EXPECT_THROW(std::rethrow_exception(applicationErrors.at(0)), service::EConnectionRefused);
}

TEST_F(SessionAssistanceTest, ControllerEndingWithARunningSessionStopsEverything) {
  uint16_t port = 0;
  M& model = StartSession(port);
  Customer customer(loop, port);
  Connect(customer, model);
  customer.chatOut->SendText("pending");  // a hand-over the main thread has not served
  agent.reset();  // destroys the session, stopping its server while serving hand-overs
  EXPECT_TRUE(customer.raw[0]->ClosedByAgent());
}

TEST_F(SessionAssistanceTest, NotificationsReachEverySubscriber) {
  uint16_t port = 0;
  M& model = StartSession(port);
  std::vector<int> etats1, etats2;
  model.OnEtatChange.Subscribe([&](int e) { etats1.push_back(e); });
  const uint64_t second = model.OnEtatChange.Subscribe([&](int e) { etats2.push_back(e); });
  std::vector<std::string> chat1, chat2, rapport;
  model.OnLigneChat.Subscribe([&](const M::LigneChat& l) { chat1.push_back(l.texte); });
  model.OnLigneChat.Subscribe([&](const M::LigneChat& l) { chat2.push_back(l.texte); });
  model.OnLigneRapport.Subscribe([&](const std::string& l) { rapport.push_back(l); });
  std::vector<M::Outil> attention;
  model.OnAttention.Subscribe([&](M::Outil o) { attention.push_back(o); });
  Customer customer(loop, port);
  Connect(customer, model);
  EXPECT_EQ(etats1, (std::vector<int>{1, 2}));
  EXPECT_EQ(etats2, etats1);

  model.EnvoyerChat("From the agent");
  customer.chatOut->SendText("From the customer");
  ASSERT_TRUE(WaitFor([&] { return chat1.size() == 2; }));
  EXPECT_EQ(chat1, (std::vector<std::string>{"From the agent", "From the customer"}));
  EXPECT_EQ(chat2, chat1);
  EXPECT_EQ(attention, std::vector<M::Outil>{M::Outil::Chat});

  model.OnEtatChange.Unsubscribe(second);
  customer.commandsOut->SendCommand(".");
  ASSERT_TRUE(WaitFor([&] { return model.EtatConnexion() == 3; }));
  EXPECT_EQ(etats1.back(), 3);
  EXPECT_EQ(etats2.size(), 2u);
  ASSERT_EQ(rapport.size(), 1u);
  EXPECT_EQ(rapport[0].rfind("Connexion time : ", 0), 0u);
}

TEST_F(SessionAssistanceTest, InputsNeedRemoteControlAndLightTheLampAtOnce) {
  uint16_t port = 0;
  M& model = StartSession(port);
  Customer customer(loop, port);
  Connect(customer, model);
  int voyants = 0;
  model.OnVoyantsChange.Subscribe([&] { ++voyants; });
  EXPECT_FALSE(model.EntreeSourisBas(session::mbLeft, 10, 20));  // remote control off: left to the window
  EXPECT_FALSE(model.CoucheVisible(M::RougeBas));
  model.SetControleClavierSouris(true);
  EXPECT_FALSE(model.CoucheVisible(M::BleuBas));
  voyants = 0;
  EXPECT_TRUE(model.EntreeSourisBas(session::mbLeft, 10, 20));
  EXPECT_TRUE(model.CoucheVisible(M::RougeBas));  // no timer tick needed
  EXPECT_EQ(voyants, 1);
  EXPECT_TRUE(model.EntreeToucheBas(0x41, {}));
  EXPECT_TRUE(model.EntreeToucheHaut(0x41, {}));
  loop.advance(1000);  // more than 500 ms without input: the lamp goes out
  EXPECT_FALSE(model.CoucheVisible(M::RougeBas));
  model.SetControleClavierSouris(false);
  EXPECT_FALSE(model.EntreeToucheBas(0x41, {}));
}

TEST_F(SessionAssistanceTest, ClosingSendsTheReportTypedLast) {
  uint16_t port = 0;
  M& model = StartSession(port);
  Customer customer(loop, port);
  Connect(customer, model);
  // The report window writes its whole text through on every change.
  model.SetRapport("Printer");
  model.SetRapport("Printer driver reinstalled.");
  customer.commandsOut->SendCommand(".");  // the model appends its line to what was typed
  ASSERT_TRUE(WaitFor([&] { return model.EtatConnexion() == 3; }));
  const std::string typed = model.Rapport() + "The customer confirmed.";
  model.SetRapport(typed);
  RunSequence(model);
  ASSERT_TRUE(model.DemanderFermeture());
  ASSERT_EQ(proxy->clotures.size(), 1u);
  EXPECT_EQ(proxy->clotures[0].ReponseDescription, typed);
  EXPECT_EQ(typed.rfind("Printer driver reinstalled.\r\nConnexion time : ", 0), 0u);
}

TEST_F(SessionAssistanceTest, ConsoleExitingWithASessionOpenSendsTheReportTypedLast) {
  uint16_t port = 0;
  std::string id;
  M& model = StartSession(port, &id);
  Customer customer(loop, port);
  Connect(customer, model);
  model.SetRapport("Half");
  model.SetRapport("Half done when the console closed.");
  // The main window's closing asks every session window to close, then logs out.
  agent->FermerSessions();
  ASSERT_EQ(proxy->clotures.size(), 1u);
  EXPECT_EQ(proxy->clotures[0].AssistanceID, id);
  EXPECT_EQ(proxy->clotures[0].ReponseDescription, "Half done when the console closed.");
  agent->FermerSessions();  // asked again while it winds down: sent once
  EXPECT_EQ(proxy->clotures.size(), 1u);
  agent.reset();
}
