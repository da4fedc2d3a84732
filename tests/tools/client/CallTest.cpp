// The call: the help request at the reference service, the DAD requests to the agents' call
// listeners, and the closing letter recorded for each way a call can go.

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "ClientFixture.h"
#include "base/CommaText.h"

using namespace corvane;
using namespace corvane::client;
using namespace corvane::client::testing;

namespace {

// A loopback port that refuses connections: bound, never listening, and held for the test's
// duration so that no listener of the test can be given it.
class DeadPort {
public:
  DeadPort() {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
  }
  ~DeadPort() { ::close(fd_); }
  uint16_t port() const { return port_; }

private:
  int fd_ = -1;
  uint16_t port_ = 0;
};

}  // namespace

class CallTest : public ClientFixture {};

TEST_F(CallTest, CallCarriesTheCustomersDataThenPollsStartsAndEnds) {
  ClientOptions options = Options();
  options.identifier = " C042 ";
  CustomerProgram& p = Connected(options);
  agent.commandsOut->SendCommand(".");
  ASSERT_TRUE(WaitFor([&] { return p.Finished(); }));

  const auto requests = listener.Requests();
  ASSERT_EQ(listener.Actions(), (std::vector<int>{1, 2, 3, 4}));
  for (const auto& r : requests) {
    EXPECT_EQ(r.userAgent, "CorvaneClient");
    EXPECT_EQ(r.dad.at("DAD-AssistanceID"), p.AssistanceId());
    EXPECT_EQ(r.dad.at("DAD-AgentCount"), "1");
  }
  EXPECT_FALSE(p.AssistanceId().empty());
  EXPECT_TRUE(out.Contains("HELP assistance=" + p.AssistanceId() + " agents=1"));
  const auto& first = requests[0].dad;
  EXPECT_EQ(first.at("DAD-ClientNom"), "Ada Lovelace");
  EXPECT_EQ(first.at("DAD-ClientEMail"), "ada@example.invalid");
  EXPECT_EQ(first.at("DAD-ClientID"), "C042");
  EXPECT_EQ(first.at("DAD-TypeClient"), "1");
  EXPECT_EQ(base::ParseCommaText(first.at("DAD-Description")),
            (std::vector<std::string>{"The printer, again.", "It says \"offline\", twice."}));
  EXPECT_EQ(requests[1].dad.count("DAD-ClientNom"), 0u);
  EXPECT_EQ(service.Closings(), std::vector<std::string>{""});  // nothing to report: the agent closes
  EXPECT_TRUE(out.Contains("CALL accepted 127.0.0.1:" + std::to_string(listener.Port()) +
                           " port=" + std::to_string(agent.Port())));
}

// One way a call goes: the agents called (each listener's plan), what the customer does, and
// what is recorded and reported.
struct CallCase {
  const char* name;
  std::vector<std::pair<FakeCallListener::Plan, int>> agents;  // plan and the poll it answers at
  bool deadAgentFirst;        // an agent whose call listener cannot be reached comes first
  bool interrupt;             // the customer gives up while the agents ring
  const char* state;
  int exitCode;
  const char* closing;        // letters at the service
  bool session;               // a session took place
};

inline void PrintTo(const CallCase& c, std::ostream* os) { *os << c.name; }

class CallOutcomeTest : public ClientFixture, public ::testing::WithParamInterface<CallCase> {};

TEST_P(CallOutcomeTest, IsReportedAndRecorded) {
  const CallCase& c = GetParam();
  std::vector<std::unique_ptr<FakeCallListener>> listeners;
  DeadPort dead;
  if (c.deadAgentFirst) service.AddAgent("dead", dead.port());
  for (size_t i = 0; i < c.agents.size(); ++i) {
    listeners.push_back(std::make_unique<FakeCallListener>());
    listeners.back()->Answer(c.agents[i].first, c.agents[i].second, agent.Port());
    service.AddAgent("agent" + std::to_string(i), listeners.back()->Port());
  }
  CustomerProgram& p = Program(Options());
  p.Start();
  if (c.interrupt) p.Interrupt();
  for (int i = 0; i < 12 && !p.Finished() && !out.Contains("STATE connected"); ++i) loop.advance(kPollMs);
  if (c.session) {
    ASSERT_TRUE(out.Contains("STATE connected"));
    ASSERT_TRUE(WaitFor([&] { return agent.AllBound(); }));
    agent.commandsOut->SendCommand(".");
  }
  ASSERT_TRUE(WaitFor([&] { return p.Finished(); }));
  EXPECT_TRUE(out.HasPrefix(c.state)) << ::testing::PrintToString(out.Lines());
  EXPECT_EQ(p.ExitCode(), c.exitCode);
  EXPECT_EQ(service.Closings(), std::vector<std::string>{c.closing});
  // Every agent that was reached heard the end of the call, which releases its call dialog.
  for (const auto& l : listeners) {
    ASSERT_FALSE(l->Actions().empty());
    EXPECT_EQ(l->Actions().front(), 1);
    EXPECT_EQ(l->Actions().back(), 4);
  }
}

using Plan = FakeCallListener::Plan;
INSTANTIATE_TEST_SUITE_P(
    Outcomes, CallOutcomeTest,
    ::testing::Values(
        CallCase{"Refused", {{Plan::Refuse, 1}}, false, false, "STATE unanswered", kExitNoSession, "R", false},
        CallCase{"RefusedAtOnce", {{Plan::Refuse, 0}}, false, false, "STATE unanswered", kExitNoSession, "R", false},
        CallCase{"Ignored", {{Plan::NeverAnswer, 1}}, false, false, "STATE unanswered", kExitNoSession, "I", false},
        CallCase{"Unreachable", {}, true, false, "STATE unanswered", kExitNoSession, "N", false},
        CallCase{"Abandoned", {{Plan::NeverAnswer, 1}}, false, true, "STATE abandoned", kExitNoSession, "A", false},
        CallCase{"NoAgentAvailable", {}, false, false, "STATE unanswered", kExitNoSession, "I", false},
        CallCase{"OneRefusesAnotherAccepts", {{Plan::Refuse, 1}, {Plan::Accept, 2}}, true, false,
                 "STATE ended reason=agent", kExitSessionHeld, "NR", true},
        CallCase{"TwoAccept", {{Plan::Accept, 1}, {Plan::Accept, 1}}, false, false, "STATE ended reason=agent",
                 kExitSessionHeld, "", true}),
    [](const ::testing::TestParamInfo<CallCase>& info) { return std::string(info.param.name); });

TEST_F(CallTest, GroupOfKnownCustomersOnlyRefusesAnUnknownOne) {
  ClientOptions options = Options();
  options.groupId = service.strictGroupId;
  CustomerProgram& p = Program(options);
  p.Start();
  ASSERT_TRUE(p.Finished());
  EXPECT_EQ(p.ExitCode(), kExitService);
  EXPECT_TRUE(out.HasPrefix("STATE unauthorized"));
  EXPECT_TRUE(out.Contains("CLOSING U"));
  EXPECT_EQ(service.Closings(service.strictGroupId), std::vector<std::string>{"U"});  // once, by the service
}

TEST_F(CallTest, UnknownGroupAndDeadServiceFailClearly) {
  struct Case {
    std::string url, group, error;
  };
  DeadPort dead;
  const std::vector<Case> cases = {
      {service.Root(), "999", "ERROR The service knows no group \"999\""},
      {"http://127.0.0.1:" + std::to_string(dead.port()) + "/", "1", "ERROR The service cannot be reached"},
  };
  for (const Case& c : cases) {
    ClientOptions options = Options();
    options.serviceUrl = c.url;
    options.groupId = c.group;
    CustomerProgram& p = Program(options);
    p.Start();
    ASSERT_TRUE(p.Finished());
    EXPECT_EQ(p.ExitCode(), kExitService);
    EXPECT_TRUE(out.HasPrefix(c.error)) << ::testing::PrintToString(out.Lines());
    EXPECT_TRUE(listener.Requests().empty());
  }
}

TEST_F(CallTest, DirectCallsNeedNoService) {
  listener.Answer(FakeCallListener::Plan::Accept, 1, agent.Port());
  ClientOptions options = Options();
  options.serviceUrl.clear();
  options.groupId.clear();
  options.agents = {AgentAddress{"127.0.0.1", listener.Port()}};
  options.assistanceId = "A-1";
  CustomerProgram& p = Program(options);
  p.Start();
  loop.advance(kPollMs);
  ASSERT_TRUE(WaitFor([&] { return agent.AllBound(); }));
  agent.commandsOut->SendCommand(".");
  ASSERT_TRUE(WaitFor([&] { return p.Finished(); }));
  EXPECT_EQ(p.ExitCode(), kExitSessionHeld);
  EXPECT_EQ(listener.Requests().front().dad.at("DAD-AssistanceID"), "A-1");
}
