#pragma once
// A faulty front for the reference web service: an HTTP server on a loopback port of its own that
// forwards each request to the service, or answers it the way a sick service does: slowly, with a
// SOAP fault (generic, or the invalid-session kind), with HTTP 500, with an unreadable answer, by
// cutting the connection before or in the middle of the answer, by never answering (the client's
// time-out), or by not listening at all. It counts the requests it saw per operation (the SOAP
// action's operation name, or "UpdateIP" for the address publication).
//
// Threads: an accept thread and one thread per connection; SetFault and the counters from any
// thread (mutex_ guards the fault, the counts and the list of connections).

#include <atomic>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "ReservedPort.h"

namespace corvane::load {

class ServiceFront {
public:
  enum class Fault { None, Slow, Timeout, Http500, SoapFault, InvalidSession, Cut, CutMidAnswer, Garbage, Down };

  // servicePort: the reference service's port on 127.0.0.1.
  explicit ServiceFront(int servicePort);
  ~ServiceFront();
  ServiceFront(const ServiceFront&) = delete;
  ServiceFront& operator=(const ServiceFront&) = delete;

  int Port() const { return port_; }
  // The service root through this front.
  std::string Root() const;
  // slowMs: the delay of Fault::Slow.
  void SetFault(Fault fault, int slowMs = 0);
  int Seen(const std::string& operation) const;
  int SeenTotal() const;

private:
  struct Connection {
    int fd = -1;
    std::thread thread;
    std::atomic<bool> finished{false};
  };
  void Listen();
  void StopListening();
  void AcceptLoop(int listenFd);
  void Serve(Connection& connection);
  std::string Forward(const std::string& request) const;

  const int servicePort_;
  ReservedPort reserved_;  // the port stays this front's while it is down
  int port_ = reserved_.Port();
  mutable std::mutex mutex_;
  Fault fault_ = Fault::None;
  int slowMs_ = 0;
  std::map<std::string, int> seen_;
  int listenFd_ = -1;
  std::thread acceptThread_;
  std::list<std::unique_ptr<Connection>> connections_;
  std::atomic<bool> stopping_{false};
};

}  // namespace corvane::load
