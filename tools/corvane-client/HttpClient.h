#pragma once
// Plain HTTP requests over libcurl for the service's help request and the agents' call listeners,
// and the way the main thread waits for them without blocking the threads that need it.
//
// Threads: PerformHttp runs on any thread (one easy handle per call). RunOffMainThread is called
// on the main thread: it runs the work on helper threads and serves main-loop hand-overs, posted
// work and timers while it waits, so callers must expect re-entry from those.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/MainLoop.h"

namespace corvane::client {

struct HttpRequest {
  std::string url;
  bool post = false;
  std::string body;         // POST only
  std::string contentType;  // POST only
  std::string userAgent;
  std::vector<std::pair<std::string, std::string>> headers;
  long connectTimeoutMs = 10000;
  long timeoutMs = 20000;
  size_t maxBody = 64 * 1024;
};

struct HttpAnswer {
  long status = 0;
  std::vector<std::pair<std::string, std::string>> headers;  // of the final answer, in order
  std::string body;
  // The first value of a header, name compared without regard to case.
  std::optional<std::string> Header(std::string_view name) const;
};

// Throws HttpError when no complete answer came (refused, time-out, body over maxBody).
HttpAnswer PerformHttp(const HttpRequest& request);

// "a=b&c=d" with every name and value percent-encoded.
std::string FormEncode(const std::vector<std::pair<std::string, std::string>>& fields);

// Main thread: runs each task on a thread of its own and waits for all of them, serving the main
// loop meanwhile. Exceptions stay inside the tasks (each reports its own outcome).
void RunOffMainThread(base::MainLoop& loop, std::vector<std::function<void()>> tasks);

}  // namespace corvane::client
