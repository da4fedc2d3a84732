// Faults the load and fault scenarios of bench/ found, each held by a test of the component
// where it lived.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "assistance/SessionTestSupport.h"

using namespace corvane;
using namespace corvane::assistance::testing;

namespace {

// Waits in real time for a condition that other threads make true, without running anything on
// the main thread meanwhile.
bool Eventually(const std::function<bool()>& pred, int ms = 10000) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!pred())
    if (std::chrono::steady_clock::now() > until) return false;
    else std::this_thread::yield();
  return true;
}

// True when nothing listens on 127.0.0.1:port any more.
bool PortFree(int port) {
  try {
    session::TcpConnection::Connect("127.0.0.1", static_cast<uint16_t>(port));
    return false;
  } catch (const session::SessionError&) {
    return true;
  }
}

}  // namespace

class LoadRegressionTest : public SessionFixture {};

// load-sessions: a customer's first chat line, sent as soon as its channels were connected,
// reached the main thread before the bindings that make the session run (hand-overs are served
// before posted work) and was dropped.
TEST_F(LoadRegressionTest, ChatSentWhileTheSessionIsSetUpIsShownOnceItRuns) {
  uint16_t port = 0;
  auto& model = StartSession(port);
  session::TOLAServerChat* chat = nullptr;
  model.Racine().ForEachComponent([&](session::TComponent& c) {
    if (auto* s = dynamic_cast<session::TOLAServerChat*>(&c)) chat = s;
  });
  ASSERT_NE(chat, nullptr);

  // The bindings are posted by the connection threads and wait for the next pump; the line is
  // read on the chat's own connection thread, which then hands it over.
  Customer customer(loop, port);
  customer.ConnectAll();
  customer.chatOut->SendText("Bonjour, vous êtes là ?");
  ASSERT_TRUE(Eventually([&] { return chat->LastMessage() == "Bonjour, vous êtes là ?"; }));
  EXPECT_LT(model.EtatConnexion(), 2);

  ASSERT_TRUE(WaitFor([&] { return model.EtatConnexion() == 2 && !model.JournalChat().empty(); }));
  ASSERT_EQ(model.JournalChat().size(), 1u);
  EXPECT_FALSE(model.JournalChat()[0].deLAgent);
  EXPECT_EQ(model.JournalChat()[0].texte, "Bonjour, vous êtes là ?");
}

// fault-customer-kill: a customer program killed while its call rang left the call behind for
// good: the dialog gave up, but the context kept the prepared session window, its assistance
// port and its place among the ringing calls (after ten such calls every new call was refused).
// The same held for a caller that vanished after the agent closed the dialog.
TEST_F(LoadRegressionTest, ACallerThatStopsPollingTakesItsCallAway) {
  struct Case {
    const char* name;
    bool closeBox;  // the agent closed the dialog before the caller went silent
    bool comesBack;  // the caller was only slow: it polls again, hears the refusal and ends its call
  };
  for (const Case& c : {Case{"dialog left ringing, caller gone", false, false},
                        Case{"dialog closed by the agent, caller gone", true, false},
                        Case{"dialog left ringing, caller late", false, true}}) {
    SCOPED_TRACE(c.name);
    const std::string id =
        service.store.OpenHelpRequest(service.demo.groupeId, "Gone", "gone@customer.invalid", "", "Help", "127.0.0.1")
            .assistanceId;
    Call(CallHeaders(id, 1, 1));
    ASSERT_EQ(agent->AppelsEnSonnerie(), 1);
    ASSERT_FALSE(sessions.empty());
    const int port = sessions.back()->Port();
    ASSERT_GT(port, 0);
    ASSERT_FALSE(PortFree(port));
    if (c.closeBox) dialogs.back()->Fermer();
    Call(CallHeaders(id, 2, 1));  // the last poll for a while
    loop.advance(10500);
    loop.pump();
    EXPECT_EQ(agent->AppelsEnSonnerie(), 0);
    EXPECT_EQ(agent->NbreSessions(), 0);
    EXPECT_TRUE(PortFree(port));
    if (c.comesBack) {
      EXPECT_EQ(Call(CallHeaders(id, 2, 1)).dad["DAD-Reponse"], "NOK");
      Call(CallHeaders(id, 4, 1));
    } else {
      Call(CallHeaders("someone else", 4, 1));  // any call's end purges what is over
    }
    loop.pump();
    EXPECT_EQ(agent->Contextes().Count(), 0u);
    EXPECT_EQ(agent->NbreFenetresAppel(), 0u);
  }
  EXPECT_TRUE(warnings.empty());
}
