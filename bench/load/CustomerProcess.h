#pragma once
// The customer program, the real tools/corvane-client binary, run as a child process. Its standard
// output (one progress line per event, "STATE connected", "CHAT agent ...") is read on a thread
// of its own and kept with the time each line arrived, so that a scenario can wait for a line and
// measure how long a message took.
//
// Threads: the reader thread appends lines under mutex_; everything else runs on the caller's
// thread.

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace corvane::load {

class CustomerProcess {
public:
  using Clock = std::chrono::steady_clock;
  struct Line {
    Clock::time_point at;
    std::string text;
  };

  // Starts the binary with args; standard input is /dev/null, standard error goes with standard
  // output.
  explicit CustomerProcess(std::vector<std::string> args);
  // Kills the program if it still runs, and waits for it.
  ~CustomerProcess();
  CustomerProcess(const CustomerProcess&) = delete;
  CustomerProcess& operator=(const CustomerProcess&) = delete;

  pid_t Pid() const { return pid_; }
  void Signal(int sig);
  // True once the program ended (its status is then in ExitStatus / Killed).
  bool Exited();
  int ExitStatus() const { return status_; }
  bool ExitedNormally() const;
  int ExitCode() const;

  std::vector<Line> Lines() const;
  bool Has(const std::string& line) const;
  bool HasPrefix(const std::string& prefix) const;
  // Lines starting with prefix, without it.
  std::vector<std::string> WithPrefix(const std::string& prefix) const;
  // When the first line equal to text arrived (nullptr-like: Clock::time_point{} when none).
  Clock::time_point WhenSaid(const std::string& text) const;
  std::string Transcript() const;

  // The binary's path (built with the project).
  static std::string Binary();

private:
  pid_t pid_ = -1;
  int status_ = -1;
  bool exited_ = false;
  std::thread reader_;
  mutable std::mutex mutex_;
  std::vector<Line> lines_;
};

// The inverse of the customer program's escaping of texts (\\ \r \n \xHH).
std::string Unescape(const std::string& text);

}  // namespace corvane::load
