#pragma once
// What the log line of the request being served says: filled by the handlers on the worker
// thread that serves the request, read by the server's logger on the same thread.

#include <string>

namespace corvane::service::server {

struct RequestLog {
  std::string operation;  // "ICorvaneAgent.LogIn", "UpdateIP", ...
  std::string agent;      // the agent acting, when known
  std::string outcome;    // "ok", "fault ERemotableEchecAuthentification", "403", ...
  std::string detail;     // what went wrong inside (database texts): logged, never sent to clients
};

// The current worker thread's entry.
RequestLog& CurrentRequestLog();

}  // namespace corvane::service::server
