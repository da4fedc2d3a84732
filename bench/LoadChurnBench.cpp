// load-churn: a customer opening and closing connections in a loop for a minute against a running
// session's port and the agent's call listener (plain connects, resets, garbage, duplicate and
// stray channels, silent connections, partial and stray call requests, information pages), while
// a real session goes on and the agent goes off-line and back once. The session alone, just
// before, gives the baselines. Fails when a chat line, a thread or a descriptor was lost.
//
// Usage: bench_load_churn [--seconds S] [--threads N]

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "Scenarios.h"

using namespace corvane;

int main(int argc, char** argv) {
  load::ChurnOptions options;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--seconds")) options.churnMs = 1000 * std::max(1, std::atoi(argv[i + 1]));
    if (!std::strcmp(argv[i], "--threads")) options.churnThreads = std::max(1, std::atoi(argv[i + 1]));
  }
  try {
    load::RealDriver driver;
    const load::Findings findings = load::RunChurn(driver, options);
    std::fputs(findings.Report("load-churn").c_str(), stdout);
    return findings.Clean() ? 0 : 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "load-churn: %s\n", e.what());
    return 2;
  }
}
