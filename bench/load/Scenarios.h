#pragma once
// The load and fault scenarios against one console core, each returning what it found. The
// benchmark programs run them at full size in real time; the test suite runs small versions on a
// manual loop.

#include <cstddef>

#include "Findings.h"
#include "LoopDriver.h"

namespace corvane::load {

// Many assistance sessions at once against one console: every customer program (the real binary)
// calls, the agent accepts, and in every session frames flow, chat lines go both ways and a file
// goes each way; every line and byte is checked at the other end. A single session run first in
// the same process gives the baselines.
struct SessionsOptions {
  int sessions = 20;
  int chatLines = 20;        // each way, per session
  size_t fileBytes = 1 << 20;  // each way, per session
  int holdMs = 10000;        // real time all sessions run together, frames counted
  int maxRinging = 5;        // customers are started while fewer calls than this ring
};
Findings RunSessions(LoopDriver& driver, const SessionsOptions& options);

// A customer that opens and closes connections in a loop against a running session's port and
// the call listener, while a real session goes on (frames and chat both ways) and the agent goes
// off-line and back once. Threads and descriptors are counted before and after.
struct ChurnOptions {
  int churnMs = 60000;   // real time
  int churnThreads = 4;
  int baselineMs = 3000;  // frames and chat measured before the churn
};
Findings RunChurn(LoopDriver& driver, const ChurnOptions& options);

// A web service that answers slowly or with faults (SOAP faults, HTTP 500, cut connections,
// time-outs, refusals, unreadable answers) during the status refreshes and the history loads,
// while a session runs: the console keeps its state, retries as it should, reports the errors of
// the loads, and recovers once the service is healthy again.
struct ServiceFaultOptions {
  int readTimeoutMs = 2000;  // the console's SOAP read time-out in this scenario
  int slowMs = 800;          // delay of the slow answers (below the time-out)
};
Findings RunServiceFaults(LoopDriver& driver, const ServiceFaultOptions& options);

// kill -9 of the customer program in every session state; after each, the console must have
// ended the session cleanly and take a new call.
struct CustomerKillOptions {
  size_t transferBytes = 64u << 20;  // the file being transferred when the program dies
  bool newCallAfterEach = true;
};
Findings RunCustomerKills(LoopDriver& driver, const CustomerKillOptions& options);

}  // namespace corvane::load
