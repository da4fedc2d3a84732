#pragma once
// A gate between a customer program and the console, to stop the program at an exact point of
// its call: the customer calls the gate, which passes each call request on to the console's call
// listener and gives the customer its own port in place of the session's ("DAD-Port"); the
// channel connections then come to the gate, which passes the first ones through to the session
// and kills the customer program (SIGKILL) when the next one arrives, dropping any that follow.
// What the console sees is the customer's connections ending as the program dies.
//
// Threads: accept threads for the two ports and one thread per connection; KillAt and the
// counters from any thread (mutex_ guards them and the list of threads).

#include <sys/types.h>

#include <atomic>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

namespace corvane::load {

class CallGate {
public:
  explicit CallGate(int callListenerPort);
  ~CallGate();
  CallGate(const CallGate&) = delete;
  CallGate& operator=(const CallGate&) = delete;

  // What the customer program calls.
  int CallPort() const { return callPort_; }
  // When channel connection number n (from 0) arrives, pid is killed instead.
  void KillAt(int n, pid_t pid);
  // Channel connections passed through to the session so far.
  int Passed() const;
  bool Killed() const;

private:
  struct Worker {
    std::thread thread;
    std::atomic<bool> finished{false};
  };
  void Accept(int listenFd, bool calls);
  void Start(std::function<void()> work);
  void ServeCall(int fd);
  void ServeChannel(int fd);

  const int listenerPort_;
  int callFd_ = -1, channelFd_ = -1;
  int callPort_ = 0, channelPort_ = 0;
  std::atomic<int> sessionPort_{0};
  std::atomic<bool> stopping_{false};
  std::thread callAccept_, channelAccept_;
  mutable std::mutex mutex_;
  std::list<std::unique_ptr<Worker>> workers_;
  std::list<int> open_;  // descriptors of live connections, shut down at the end
  int killAt_ = -1;
  pid_t victim_ = -1;
  int arrived_ = 0;
  int passed_ = 0;
  bool killed_ = false;
};

}  // namespace corvane::load
