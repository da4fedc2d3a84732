// corvane-demo: the whole product on one machine, without windows (see --help and DemoRun.h).

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "DemoError.h"
#include "DemoOptions.h"
#include "DemoRun.h"
#include "Narrative.h"
#include "shell/Demarrage.h"
#include "shell/ExecutablePath.h"

using namespace corvane;
using namespace corvane::demo;

namespace {

std::atomic<bool> gInterrupted{false};

void OnStopSignal(int) { gInterrupted.store(true); }

// The program given, else the one installed beside the demo, else the one of this build.
std::string FindProgram(const std::string& given, const std::string& name, const std::string& built) {
  if (!given.empty()) return given;
  const std::string beside = shell::FolderOf(shell::ExecutablePath()) + "/" + name;
  if (::access(beside.c_str(), X_OK) == 0) return beside;
  return built;
}

}  // namespace

int main(int argc, char** argv) {
  DemoOptions options;
  try {
    options = ParseDemoOptions(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const DemoUsageError& e) {
    std::fprintf(stderr, "corvane-demo: %s\n", e.what());
    return 2;
  }
  if (options.help) {
    std::fputs(DemoUsage().c_str(), stdout);
    return 0;
  }
  options.serviceProgram = FindProgram(options.serviceProgram, "corvane-service", CORVANE_DEMO_SERVICE_BINARY);
  options.clientProgram = FindProgram(options.clientProgram, "corvane-client", CORVANE_DEMO_CLIENT_BINARY);

  // The language is chosen before the console's translation is set up, as LANG would choose it.
  if (options.language == "fr") ::setenv("LANG", "fr_FR.UTF-8", 1);
  if (options.language == "en") ::setenv("LANG", "en_US.UTF-8", 1);
  Narrative narrative;
  shell::InitialiserProcessus(argc, argv, [&narrative](const std::string& caption, const std::string& text) {
    narrative.Failure(caption + ": " + text);
  });

  struct sigaction stop {};
  stop.sa_handler = OnStopSignal;
  sigemptyset(&stop.sa_mask);
  stop.sa_flags = SA_RESTART;
  sigaction(SIGINT, &stop, nullptr);
  sigaction(SIGTERM, &stop, nullptr);
  signal(SIGPIPE, SIG_IGN);

  DemoRun run(options, narrative, [] { return gInterrupted.load(); });
  return run.Run();
}
