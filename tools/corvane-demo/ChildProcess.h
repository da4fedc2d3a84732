#pragma once
// A program the demo runs beside itself (the reference service, the customer program), with its
// standard output and error read line by line.
//
// The child gets its own process group (a Ctrl-C at the terminal reaches only the demo, which then
// stops its children in order), no descriptor of the demo but the three standard ones, and is
// killed by the kernel if the demo dies without stopping it. Destroying a ChildProcess kills a
// child still running and reaps it, so no path out of the demo leaves a process behind.
//
// Threads: a reader thread appends lines under mutex_ and wakes the main loop; every other method
// belongs to the main thread. Waits pump the main loop, so a child that calls back into this
// process (the customer program calling the console's listener) is served meanwhile.

#include <sys/types.h>

#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/MainLoop.h"

namespace corvane::demo {

class ChildProcess {
public:
  // argv[0] is the program's path. Throws ChildProcessError when it cannot be started.
  ChildProcess(base::MainLoop& loop, std::vector<std::string> argv);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t Pid() const { return pid_; }

  // The lines written since the last call, in order (line ends removed).
  std::vector<std::string> TakeLines();
  // True once standard output and error reached their end and every line was taken.
  bool OutputDone();

  // Reaps the child when it has ended; true once it has.
  bool Exited();
  // The exit status once ended: the exit code, or 128 + the signal that ended it.
  std::optional<int> ExitStatus() const { return status_; }

  // Waits (pumping the main loop) until the child ends or timeoutMs passes; true when it ended.
  bool WaitExit(int timeoutMs);
  // SIGTERM, then SIGKILL after graceMs; returns true when SIGTERM alone ended it.
  bool Stop(int graceMs);
  // SIGKILL and reap, at once.
  void Kill();

private:
  void ReadOutput(int fd);

  base::MainLoop& loop_;
  pid_t pid_ = -1;
  std::optional<int> status_;
  std::thread reader_;
  std::mutex mutex_;                 // guards lines_, pending_ and ended_
  std::deque<std::string> lines_;
  bool ended_ = false;
};

}  // namespace corvane::demo
