// The load and fault scenarios of bench/ in small: a few sessions, a few seconds of churn, every
// service fault once, every kill state once, on a manual loop (the console's timers move only
// when a scenario lets its time pass; sockets, threads and the customer programs run in real
// time). Each must lose nothing.

#include <gtest/gtest.h>

#include "Scenarios.h"

using namespace corvane;
using namespace corvane::load;

namespace {

void ExpectFigure(const Findings& f, const std::string& name, double value) {
  const Findings::Figure* figure = f.Find(name);
  ASSERT_NE(figure, nullptr) << name;
  EXPECT_EQ(figure->value, value) << name;
}

}  // namespace

TEST(LoadScenarios, SessionsAtOnceLoseNoLineAndNoByte) {
  ManualDriver driver;
  SessionsOptions options;
  options.sessions = 3;
  options.chatLines = 4;
  options.fileBytes = 100 * 1024;
  options.holdMs = 1000;
  options.maxRinging = 2;
  const Findings f = RunSessions(driver, options);
  EXPECT_TRUE(f.Clean()) << f.Report("sessions");
  ExpectFigure(f, "load-sessions-held", 3);
  ExpectFigure(f, "load-chat-lost", 0);
  ExpectFigure(f, "load-bytes-lost", 0);
}

TEST(LoadScenarios, ConnectionChurnLeavesTheSessionAndNothingBehind) {
  ManualDriver driver;
  ChurnOptions options;
  options.churnMs = 3000;
  options.baselineMs = 1000;
  options.churnThreads = 2;
  const Findings f = RunChurn(driver, options);
  EXPECT_TRUE(f.Clean()) << f.Report("churn");
  ExpectFigure(f, "churn-connections-failed", 0);
  ExpectFigure(f, "churn-threads-leaked", 0);
  ExpectFigure(f, "churn-descriptors-leaked", 0);
}

TEST(LoadScenarios, ServiceFaultsAreReportedRetriedAndRecoveredFrom) {
  ManualDriver driver;
  ServiceFaultOptions options;
  options.readTimeoutMs = 1000;
  options.slowMs = 200;
  const Findings f = RunServiceFaults(driver, options);
  EXPECT_TRUE(f.Clean()) << f.Report("service faults");
  ExpectFigure(f, "fault-recoveries", 9);
}

TEST(LoadScenarios, CustomerKilledInEveryStateEndsCleanly) {
  ManualDriver driver;
  CustomerKillOptions options;
  options.transferBytes = 8u << 20;
  const Findings f = RunCustomerKills(driver, options);
  EXPECT_TRUE(f.Clean()) << f.Report("customer kills");
  ExpectFigure(f, "kill-sessions-ended-clean", 8);
  ExpectFigure(f, "kill-new-calls-taken", 8);
}
