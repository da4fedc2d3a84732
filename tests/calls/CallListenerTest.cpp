#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

#include "ControllerFixture.h"
#include "calls/ContextesAppel.h"

using namespace corvane;
using namespace corvane::calls;
using namespace corvane::calls::testing;
using service::TStatusAgent;

namespace {

class CallListenerTest : public ControllerFixture {
protected:
  void SetUp() override {
    ControllerFixture::SetUp();
    Available();
  }
  httplib::Headers NewCall(const std::string& id, int typeClient = 0, const std::string& clientId = "") {
    httplib::Headers h = CallHeaders(id, 1, 3);
    h.emplace("DAD-ClientNom", "Typed Name");
    h.emplace("DAD-ClientEMail", "typed@customer.invalid");
    h.emplace("DAD-ClientID", clientId);
    h.emplace("DAD-TypeClient", std::to_string(typeClient));
    h.emplace("DAD-Description", "\"My printer\",\"does not print\"");
    return h;
  }
  // Pumps until the deferred releases ran.
  void Settle() { loop.pump(); }
};

}  // namespace

TEST_F(CallListenerTest, AcceptedCallOfAKnownCustomerStartsTheSession) {
  HttpResult r = Call(NewCall("A-1", 1, "  C001 "));
  EXPECT_EQ(r.status, 200);
  EXPECT_TRUE(r.dad.empty());  // ringing: no answer yet
  EXPECT_TRUE(r.body.empty());
  ASSERT_EQ(dialogs.size(), 1u);
  TFrmAppelClientModel& dialog = *dialogs[0];
  EXPECT_TRUE(dialog.Visible());
  EXPECT_EQ(dialog.TexteClient(), "Jeanne Dupont");  // the service's data replaces what was typed
  EXPECT_EQ(dialog.TexteTypeClient(), "ID = C001");
  EXPECT_EQ(dialog.Adresse(), "127.0.0.1");
  EXPECT_EQ(dialog.Description(), "My printer\r\ndoes not print\r\n");
  EXPECT_EQ(dialog.TexteNbreAgents(), "There are 3 contacted agents");
  EXPECT_EQ(agent->AppelsEnSonnerie(), 1);

  r = Call(CallHeaders("A-1", 2, 1));
  EXPECT_TRUE(r.dad.empty());  // the agent has not answered
  EXPECT_EQ(dialog.TexteNbreAgents(), "You are the only agent able to respond");
  dialog.Accepter();
  r = Call(CallHeaders("A-1", 2, 1));
  EXPECT_EQ(r.dad["DAD-Reponse"], "OK");
  EXPECT_EQ(r.dad["DAD-Port"], "6001");

  r = Call(CallHeaders("A-1", 3));
  EXPECT_TRUE(r.dad.empty());
  auto window = windows.at(0).lock();
  ASSERT_TRUE(window);
  EXPECT_TRUE(window->visible);
  EXPECT_EQ(window->assistanceId, "A-1");
  EXPECT_EQ(window->client, (TInfosClient{"Dupont", "Jeanne@customer.invalid", "127.0.0.1", 1, "C001", "Jeanne"}));
  EXPECT_EQ(window->description, "My printer\r\ndoes not print\r\n");
  EXPECT_EQ(window->activations, 1);
  window.reset();
  Settle();
  // The context went with its dialog; the shown window stays.
  EXPECT_EQ(agent->Contextes().Count(), 0u);
  EXPECT_EQ(agent->NbreFenetresAppel(), 0u);
  EXPECT_EQ(agent->NbreSessions(), 1);
  EXPECT_EQ(*windowsAlive, 1);
}

TEST_F(CallListenerTest, RefusedCallIsAnsweredNokAndReleasedAtTheEnd) {
  Call(NewCall("R-1"));
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_EQ(dialogs[0]->TexteClient(), "Typed Name");
  dialogs[0]->Refuser();
  EXPECT_EQ(Call(CallHeaders("R-1", 2)).dad["DAD-Reponse"], "NOK");
  EXPECT_EQ(Call(CallHeaders("R-1", 2)).dad["DAD-Reponse"], "NOK");  // refused is final
  EXPECT_TRUE(Call(CallHeaders("R-1", 3)).dad.empty());  // no answer headers for action 3
  Settle();  // the refused context was purged with its dialog and unshown window
  EXPECT_TRUE(Call(CallHeaders("R-1", 4)).dad.empty());
  Settle();
  EXPECT_EQ(agent->Contextes().Count(), 0u);
  EXPECT_EQ(agent->NbreFenetresAppel(), 0u);
  EXPECT_EQ(*windowsAlive, 0);
  EXPECT_EQ(agent->NbreSessions(), 0);
  EXPECT_EQ(pool->free.size(), 5u);
}

TEST_F(CallListenerTest, CallerThatStopsPollingIsRefusedAfterTenAndAHalfSeconds) {
  Call(NewCall("T-1"));
  ASSERT_EQ(dialogs.size(), 1u);
  dialogs[0]->Accepter();
  loop.advance(10000);
  EXPECT_TRUE(dialogs[0]->Visible());
  loop.advance(500);
  EXPECT_FALSE(dialogs[0]->Visible());
  EXPECT_EQ(Call(CallHeaders("T-1", 2)).dad["DAD-Reponse"], "NOK");
}

TEST_F(CallListenerTest, StartWithoutAcceptanceOrWithoutWindowIsIgnored) {
  Call(NewCall("S-1"));
  EXPECT_TRUE(Call(CallHeaders("S-1", 3)).dad.empty());  // never accepted: nothing is shown
  EXPECT_TRUE(Call(CallHeaders("unknown", 3)).dad.empty());  // no window at all
  Settle();
  EXPECT_EQ(pool->shown, 0);
  EXPECT_EQ(*windowsAlive, 0);
  EXPECT_EQ(agent->NbreSessions(), 0);
  EXPECT_EQ(agent->StatusAgent(), TStatusAgent::saDisponible);
}

TEST_F(CallListenerTest, RepeatedNewCallReleasesTheEarlierDialogAndWindow) {
  Call(NewCall("D-1"));
  Call(NewCall("D-1"));
  Settle();
  EXPECT_EQ(agent->NbreFenetresAppel(), 1u);
  EXPECT_EQ(*windowsAlive, 1);
  EXPECT_EQ(agent->Contextes().Count(), 1u);
  ASSERT_EQ(dialogs.size(), 2u);
  dialogs[1]->Accepter();
  EXPECT_EQ(Call(CallHeaders("D-1", 2)).dad["DAD-Reponse"], "OK");
}

TEST_F(CallListenerTest, AllPortsBusyWarnsOnceAndAnswersNok) {
  pool->free.clear();
  HttpResult nested;
  agent->OnAvertissement = [&](const std::string& caption, const std::string& text) {
    warnings.emplace_back(caption, text);
    // While the modal box is up its event loop serves other calls: no second box.
    nested = Call(NewCall("B-2"));
  };
  const HttpResult r = Call(NewCall("B-1"));
  EXPECT_EQ(r.dad.at("DAD-Reponse"), "NOK");
  EXPECT_EQ(nested.dad["DAD-Reponse"], "NOK");
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0].first, "Call received, but all ports busy");
  EXPECT_EQ(warnings[0].second,
            "All ports you defined for assistance are busy.\nYou're not able to assist (be carefull to "
            "not define only 1 port for assistance : about 5 would be more secure).");
  EXPECT_EQ(*windowsAlive, 0);
  // Later requests of the call reopen nothing.
  pool->free.push_back(6001);
  EXPECT_EQ(Call(CallHeaders("B-1", 2)).dad["DAD-Reponse"], "NOK");
  EXPECT_EQ(pool->opened, 0);
  EXPECT_TRUE(dialogs.empty());
}

TEST_F(CallListenerTest, InvalidSessionDuringTheCustomerLookupAnswersNok) {
  ExpireSession();
  const HttpResult r = Call(NewCall("I-1", 1, "C001"));
  EXPECT_EQ(r.status, 200);
  EXPECT_EQ(r.dad.at("DAD-Reponse"), "NOK");
  loop.pump();
  EXPECT_EQ(Count("InvalidSession"), 1u);
  EXPECT_EQ(loop.activeTimers(), 0u);  // the status refresh stopped
  // A customer whose identifier is only blanks is unknown: no lookup is made.
  const int lookups = proxy->calls["ObtenirClientParIdentifiant"];
  EXPECT_TRUE(Call(NewCall("I-2", 1, "   ")).dad.empty());
  EXPECT_EQ(proxy->calls["ObtenirClientParIdentifiant"], lookups);
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_EQ(dialogs[0]->TexteTypeClient(), "Unknown client");
}

TEST_F(CallListenerTest, FaultOfANewCallAnswers500AndReleasesItsPort) {
  proxy->failures["ObtenirClientParIdentifiant"] = [this] {
    if (proxy->calls["ObtenirClientParIdentifiant"] <= 7)
      throw service::ERemotableIdentifiantNonTrouve("Unknown customer C404");
  };
  // A mistyped customer identifier, more times than there are assistance ports.
  for (int i = 0; i < 7; ++i) {
    const std::string id = "F-" + std::to_string(i);
    const HttpResult r = Call(NewCall(id, 1, "C404"));
    EXPECT_EQ(r.status, 500);
    EXPECT_EQ(r.body, "Unknown customer C404");
    // The window went with its port at once; the call is over.
    EXPECT_EQ(agent->NbreSessions(), 0);
    EXPECT_EQ(*windowsAlive, 0);
    EXPECT_EQ(pool->free.size(), 5u);
    EXPECT_EQ(Call(CallHeaders(id, 2)).dad["DAD-Reponse"], "NOK");
  }
  EXPECT_TRUE(dialogs.empty());
  EXPECT_TRUE(warnings.empty());
  // The next caller still rings, and the failed calls' contexts go at the next purge.
  EXPECT_TRUE(Call(NewCall("F-ok", 1, "C001")).dad.empty());
  EXPECT_EQ(dialogs.size(), 1u);
  Call(CallHeaders("F-end", 4));
  EXPECT_EQ(agent->Contextes().Count(), 1u);
}

TEST_F(CallListenerTest, HistoryChangesOnce25SecondsAfterTheLastCallEnd) {
  for (int i = 0; i < 3; ++i) {
    Call(CallHeaders("H-" + std::to_string(i), 4));
    loop.advance(10000);
  }
  EXPECT_EQ(Count("Historique"), 0u);
  loop.advance(14999);
  EXPECT_EQ(Count("Historique"), 0u);
  loop.advance(1);
  EXPECT_EQ(Count("Historique"), 1u);
  loop.advance(60000);
  EXPECT_EQ(Count("Historique"), 1u);
}

TEST_F(CallListenerTest, MalformedCallRequestsProcessNothing) {
  struct Case {
    httplib::Headers headers;
    int status;
  };
  const std::string mb(1 << 20, 'x');
  const Case cases[] = {
      {{{"User-Agent", "CorvaneClient"}, {"DAD-AssistanceID", "M-1"}}, 200},  // no action
      {CallHeaders("M-2", 0), 200},
      {CallHeaders("M-3", 5), 200},
      {CallHeaders("M-4", 257), 200},  // not read as 1
      {{{"User-Agent", "CorvaneClient"}, {"DAD-AssistanceID", "M-5"}, {"DAD-Action", "99999999999999999999"}}, 200},
      {{{"User-Agent", "CorvaneClient"}, {"DAD-AssistanceID", "M-6"}, {"DAD-Action", "one"}}, 200},
      {{{"User-Agent", "CorvaneClient"}, {"DAD-AssistanceID", std::string(9000, 'i')}, {"DAD-Action", "1"}}, 400},
  };
  for (const Case& c : cases) {
    const HttpResult r = Call(c.headers);
    EXPECT_EQ(r.status, c.status);
    EXPECT_TRUE(r.dad.empty());
  }
  // A megabyte of description never reaches the call handling.
  httplib::Headers huge = NewCall("M-7");
  huge.erase("DAD-Description");
  huge.emplace("DAD-Description", mb);
  const HttpResult r = Call(huge);
  EXPECT_GE(r.status, 400);
  EXPECT_TRUE(dialogs.empty());
  EXPECT_EQ(pool->opened, 0);
  // The contexts created by requests without a valid action are purged at the next call end.
  EXPECT_EQ(agent->Contextes().Count(), 6u);
  Call(CallHeaders("M-end", 4));
  EXPECT_EQ(agent->Contextes().Count(), 0u);
}

TEST_F(CallListenerTest, DuplicatedHeaderCountsOnce) {
  httplib::Headers h = NewCall("Dup");
  h.emplace("DAD-Action", "4");
  EXPECT_TRUE(Call(h).dad.empty());
  EXPECT_EQ(dialogs.size(), 1u);  // the first value, 1, was processed
}

TEST_F(CallListenerTest, RingingCallsAreCapped) {
  agent->MaxAppelsEnSonnerie = 3;
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(Call(NewCall("C-" + std::to_string(i))).dad.empty());
  EXPECT_EQ(Call(NewCall("C-3")).dad["DAD-Reponse"], "NOK");
  EXPECT_EQ(pool->opened, 3);
  EXPECT_EQ(dialogs.size(), 3u);
  EXPECT_TRUE(warnings.empty());
  // A call that ends frees its place.
  Call(CallHeaders("C-0", 4));
  Settle();
  EXPECT_TRUE(Call(NewCall("C-4")).dad.empty());
}

TEST_F(CallListenerTest, SimultaneousCallsEachGetTheirOwnContextAndPort) {
  constexpr int kCalls = 12;
  pool->free.clear();
  for (int p = 7001; p <= 7008; ++p) pool->free.push_back(p);
  agent->MaxAppelsEnSonnerie = kCalls;
  std::vector<std::future<HttpResult>> answers;
  const int port = agent->PortEcoute();
  for (int i = 0; i < kCalls; ++i)
    answers.push_back(std::async(std::launch::async, [this, port, i] {
      httplib::Client client("127.0.0.1", port);
      client.set_read_timeout(30);
      httplib::Headers h = NewCall("L-" + std::to_string(i));
      HttpResult r;
      if (auto res = client.Get("/", h)) {
        r.status = res->status;
        for (const auto& [n, v] : res->headers)
          if (n.rfind("DAD-", 0) == 0) r.dad[n] = v;
      }
      return r;
    }));
  ASSERT_TRUE(loop.pumpUntil([&] {
    for (auto& a : answers)
      if (a.wait_for(std::chrono::seconds(0)) != std::future_status::ready) return false;
    return true;
  }, 30000));
  int ringing = 0, refused = 0;
  for (auto& a : answers) {
    const HttpResult r = a.get();
    EXPECT_EQ(r.status, 200);
    if (r.dad.empty()) ++ringing;
    if (r.dad.count("DAD-Reponse") && r.dad.at("DAD-Reponse") == "NOK") ++refused;
  }
  EXPECT_EQ(ringing, 8);
  EXPECT_EQ(refused, kCalls - 8);
  EXPECT_EQ(agent->Contextes().Count(), static_cast<size_t>(kCalls));
  EXPECT_EQ(agent->NbreFenetresAppel(), 8u);
  EXPECT_GE(warnings.size(), 1u);
  for (int i = 0; i < kCalls; ++i) Call(CallHeaders("L-" + std::to_string(i), 4));
  Settle();
  EXPECT_EQ(agent->Contextes().Count(), 0u);
  EXPECT_EQ(agent->NbreFenetresAppel(), 0u);
  EXPECT_EQ(*windowsAlive, 0);
  EXPECT_EQ(pool->free.size(), 8u);
}

TEST_F(CallListenerTest, StoppingTheListenerWhileAHandOverWaitsDoesNotDeadlock) {
  const int port = agent->PortEcoute();
  auto answer = std::async(std::launch::async, [this, port] {
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(30);
    return static_cast<bool>(client.Get("/", NewCall("X-1")));
  });
  // The request holds its context and waits for the main thread, which does not pump yet.
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (agent->Contextes().Count() == 0 && std::chrono::steady_clock::now() < until)
    std::this_thread::yield();
  ASSERT_EQ(agent->Contextes().Count(), 1u);
  agent->SetStatusAgent(TStatusAgent::saDeconnecte);  // stops the listener, serving the hand-over
  EXPECT_FALSE(agent->Ecouteur().Active());
  EXPECT_TRUE(agent->EstInactif());
  EXPECT_EQ(answer.wait_for(std::chrono::seconds(10)), std::future_status::ready);
}

TEST_F(CallListenerTest, CallWorkPendingWhileTheListenerStopsIsRefused) {
  Call(NewCall("P-1"));
  ASSERT_EQ(dialogs.size(), 1u);
  dialogs[0]->Accepter();
  ASSERT_EQ(Call(CallHeaders("P-1", 2)).dad["DAD-Reponse"], "OK");
  // The next request is noticed as soon as the listener's thread takes it (the handler is only
  // replaced while the listener is closed).
  agent->SetStatusAgent(TStatusAgent::saDeconnecte);
  std::atomic<bool> received{false};
  auto handler = agent->Ecouteur().OnRequest;
  agent->Ecouteur().OnRequest = [&received, handler](const ListenerRequest& r) {
    received = true;
    return handler(r);
  };
  agent->SetStatusAgent(TStatusAgent::saDisponible);
  const int port = agent->PortEcoute();
  auto answer = std::async(std::launch::async, [port] {
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(30);
    HttpResult r;
    if (auto res = client.Get("/", CallHeaders("P-1", 3))) {
      r.status = res->status;
      for (const auto& [n, v] : res->headers)
        if (n.rfind("DAD-", 0) == 0) r.dad[n] = v;
    }
    return r;
  });
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!received && std::chrono::steady_clock::now() < until) std::this_thread::yield();
  ASSERT_TRUE(received);
  const size_t before = errors.size();
  agent->Deconnecter();  // the start of the session waits for the main thread meanwhile
  ASSERT_EQ(answer.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  HttpResult r = answer.get();
  EXPECT_EQ(r.status, 200);
  EXPECT_EQ(r.dad["DAD-Reponse"], "NOK");
  EXPECT_EQ(pool->shown, 0);  // no session shown in the middle of the log-out
  EXPECT_EQ(errors.size(), before);
  EXPECT_FALSE(agent->Connecte());
  EXPECT_EQ(agent->StatusAgent(), TStatusAgent::saDeconnecte);
  EXPECT_TRUE(agent->EstInactif());
}

TEST_F(CallListenerTest, InformationPageForBrowsersOnAnyPathAndMethod) {
  for (const char* method : {"GET", "POST", "HEAD"}) {
    const HttpResult r = SendRequest(loop, agent->PortEcoute(), {{"User-Agent", "corvaneclient"}}, method, "/any/path");
    EXPECT_EQ(r.status, 200) << method;
    EXPECT_EQ(r.contentType, "text/html") << method;
    if (std::string(method) != "HEAD") {
      EXPECT_NE(r.body.find("<div id=\"InfosAgent\">"), std::string::npos);
      EXPECT_NE(r.body.find("<div id=\"InfosGroupe\">"), std::string::npos);
      EXPECT_NE(r.body.find("<td>Demo Support</td>"), std::string::npos);
    }
  }
  EXPECT_EQ(agent->Contextes().Count(), 0u);  // not a call
}

TEST(CallListenerLoggedOut, InformationPageSaysNobodyIsConnected) {
  base::ManualLoop loop;
  TCorvaneAgent agent(loop);
  agent.SetHoteEcoute("127.0.0.1");
  agent.Ecouteur().Activate();
  const HttpResult r = SendRequest(loop, agent.PortEcoute(), {});
  EXPECT_EQ(r.status, 200);
  EXPECT_NE(r.body.find("<h1>No connected agent.</h1>"), std::string::npos);
  EXPECT_EQ(r.body.find("InfosGroupe"), std::string::npos);
}
