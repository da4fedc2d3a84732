#pragma once
// Threads and open descriptors of this process, read from /proc, to show that a scenario left
// none behind.

#include <string>

namespace corvane::load {

struct ProcessCounts {
  int threads = 0;
  int descriptors = 0;
  std::string Text() const { return std::to_string(threads) + " threads, " + std::to_string(descriptors) + " descriptors"; }
};

// excludePort: TCP sockets with this port at either end are not counted (0: count all). The
// reference service runs in the same process, and both it and the console's service clients keep
// their connections alive between requests as they see fit; those are not what a scenario
// checks. CORVANE_BENCH_DETAIL=1 lists every descriptor counted on standard error.
ProcessCounts CountProcess(int excludePort = 0);

// True when nothing accepts connections on 127.0.0.1:port (the port is free again).
bool PortRefusesConnections(int port);

}  // namespace corvane::load
