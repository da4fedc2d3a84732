// corvane-client: the customer's program of the Corvane assistance service (see --help).

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "ClientError.h"
#include "ClientLimits.h"
#include "ClientOptions.h"
#include "CustomerProgram.h"
#include "ProgressOutput.h"
#include "base/RealLoop.h"

using namespace corvane;
using namespace corvane::client;

namespace {

// Hands SIGINT and SIGTERM to the main loop (they are blocked in every thread and taken here).
void WatchSignals(const sigset_t& set, std::atomic<bool>& stop, base::MainLoop& loop, CustomerProgram& program) {
  while (!stop.load()) {
    timespec slice{0, 200 * 1000 * 1000};
    if (sigtimedwait(&set, nullptr, &slice) > 0) loop.post([&program] { program.Interrupt(); });
  }
}

// Hands each line of standard input to the main loop.
void ReadInput(std::atomic<bool>& stop, base::MainLoop& loop, CustomerProgram& program) {
  std::string pending;
  char buffer[4096];
  while (!stop.load()) {
    pollfd fd{STDIN_FILENO, POLLIN, 0};
    const int ready = ::poll(&fd, 1, 200);
    if (ready <= 0) continue;
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0) return;  // end of input: the session goes on
    pending.append(buffer, static_cast<size_t>(n));
    size_t newline;
    while ((newline = pending.find('\n')) != std::string::npos) {
      std::string line = pending.substr(0, newline);
      pending.erase(0, newline + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      loop.post([&program, line] { program.InputLine(line); });
    }
    if (pending.size() > kMaxInputLine) pending.clear();  // an endless line is dropped
  }
}

}  // namespace

int main(int argc, char** argv) {
  ClientOptions options;
  try {
    options = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const CommandLineError& e) {
    std::fprintf(stderr, "corvane-client: %s\n", e.what());
    return kExitUsage;
  }
  if (options.help) {
    std::fputs(UsageText().c_str(), stdout);
    return 0;
  }

  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  base::RealLoop loop;
  ProgressOutput output([](const std::string& line) {
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
  });
  const bool readInput = !options.autoMode;
  CustomerProgram program(loop, std::move(options), output);
  program.OnFinished = [&loop](int code) { loop.quit(code); };

  std::atomic<bool> stop{false};
  std::thread signalThread(WatchSignals, std::cref(signals), std::ref(stop), std::ref(loop), std::ref(program));
  std::thread inputThread;
  if (readInput) inputThread = std::thread(ReadInput, std::ref(stop), std::ref(loop), std::ref(program));

  loop.post([&program] { program.Start(); });
  loop.run();

  stop.store(true);
  signalThread.join();
  if (inputThread.joinable()) inputThread.join();
  return program.ExitCode();
}
