// load-sessions: 20 assistance sessions at once against one console core, each with frames, chat
// both ways and a file each way, every line and byte checked at the other end; one session run
// alone first gives the baselines. Fails when anything was lost.
//
// Usage: bench_load_sessions [--sessions N] [--lines N] [--bytes N] [--hold SECONDS]

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "Scenarios.h"

using namespace corvane;

int main(int argc, char** argv) {
  load::SessionsOptions options;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--sessions")) options.sessions = std::max(1, std::atoi(argv[i + 1]));
    if (!std::strcmp(argv[i], "--lines")) options.chatLines = std::max(0, std::atoi(argv[i + 1]));
    if (!std::strcmp(argv[i], "--bytes")) options.fileBytes = static_cast<size_t>(std::max(1, std::atoi(argv[i + 1])));
    if (!std::strcmp(argv[i], "--hold")) options.holdMs = 1000 * std::max(1, std::atoi(argv[i + 1]));
  }
  try {
    load::RealDriver driver;
    const load::Findings findings = load::RunSessions(driver, options);
    std::fputs(findings.Report("load-sessions").c_str(), stdout);
    return findings.Clean() ? 0 : 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "load-sessions: %s\n", e.what());
    return 2;
  }
}
