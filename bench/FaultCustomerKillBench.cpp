// fault-customer-kill: kill -9 of the customer program (tools/corvane-client) in every session
// state: while ringing, after acceptance before any channel, with some channels bound, in a
// running session, while receiving and while sending a file, and in the closing sequence started
// by the agent or by the customer. The console must end each session as its session model says
// (state, error or warning box, closing reported or not), free the session's port, leave no
// thread or descriptor behind, and take the next call. The lost session's end is timed against
// the disconnection sequence's nominal 8 s. Fails when anything was lost.
//
// Usage: bench_fault_customer_kill [--transfer-mib N]

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "Scenarios.h"

using namespace corvane;

int main(int argc, char** argv) {
  load::CustomerKillOptions options;
  for (int i = 1; i + 1 < argc; i += 2)
    if (!std::strcmp(argv[i], "--transfer-mib"))
      options.transferBytes = static_cast<size_t>(std::max(1, std::atoi(argv[i + 1]))) << 20;
  try {
    load::RealDriver driver;
    const load::Findings findings = load::RunCustomerKills(driver, options);
    std::fputs(findings.Report("fault-customer-kill").c_str(), stdout);
    return findings.Clean() ? 0 : 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "fault-customer-kill: %s\n", e.what());
    return 2;
  }
}
