// fault-service: the web service answers slowly or with faults (slow answers, time-out, HTTP 500,
// a SOAP fault, the invalid-session fault, a connection cut before or in the middle of the
// answer, an unreadable answer, the service down) during the console's status refreshes and
// history loads, while a session runs. The console must keep its state, retry a failed refresh
// 20 s later and return to its 3-minute period once the service is healthy, report each failed
// load with the right error and an untouched cache, and recover. The healthy history load of the
// same run is the baseline. The console's clock is virtual here (the periods are checked exactly
// without waiting 3 minutes each time); the service's delays, time-outs and cuts are real.
//
// Usage: bench_fault_service [--timeout MS]

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "Scenarios.h"

using namespace corvane;

int main(int argc, char** argv) {
  load::ServiceFaultOptions options;
  for (int i = 1; i + 1 < argc; i += 2)
    if (!std::strcmp(argv[i], "--timeout")) options.readTimeoutMs = std::max(100, std::atoi(argv[i + 1]));
  try {
    load::ManualDriver driver;
    const load::Findings findings = load::RunServiceFaults(driver, options);
    std::fputs(findings.Report("fault-service").c_str(), stdout);
    return findings.Clean() ? 0 : 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "fault-service: %s\n", e.what());
    return 2;
  }
}
