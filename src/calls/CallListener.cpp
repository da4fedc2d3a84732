#include "calls/CallListener.h"

#include <httplib.h>
#include <sys/socket.h>

#include "calls/CallsError.h"
#include "calls/CallsLimits.h"

namespace corvane::calls {

CallListener::CallListener(base::MainLoop& loop) : loop_(loop) {}

CallListener::~CallListener() {
  try {
    Deactivate();
  } catch (...) {
  }
}

void CallListener::Activate() {
  if (active_) return;
  if (deactivating_) throw ECallsError("The call listener is stopping");
  auto http = std::make_unique<httplib::Server>();
  // Only SO_REUSEADDR: the library's default also sets SO_REUSEPORT, with which a second program
  // could listen on the same port and a busy port would go unnoticed.
  int listening = -1;
  http->set_socket_options([&listening](socket_t sock) {
    int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    listening = sock;
  });
  http->new_task_queue = [] { return new httplib::ThreadPool(kCallListenerThreads); };
  // One request per connection: a kept-alive connection would hold a pool thread while idle, and
  // a few idle callers could keep every other caller waiting.
  http->set_keep_alive_max_count(1);
  http->set_keep_alive_timeout(kCallListenerKeepAliveSeconds);
  http->set_read_timeout(kCallListenerReadTimeoutSeconds, 0);
  http->set_payload_max_length(kMaxCallRequestBody);

  auto handler = [this](const httplib::Request& req, httplib::Response& res) {
    ListenerRequest request;
    request.method = req.method;
    request.path = req.path;
    request.peerAddress = req.remote_addr;
    request.header = [&req](std::string_view name) -> std::optional<std::string> {
      const std::string key(name);
      if (!req.has_header(key.c_str())) return std::nullopt;
      return req.get_header_value(key.c_str());
    };
    ListenerAnswer answer;
    try {
      answer = OnRequest ? OnRequest(request) : ListenerAnswer{404, {}, {}, {}};
    } catch (const std::exception& e) {
      answer = ListenerAnswer{500, {}, e.what(), "text/plain"};
    } catch (...) {
      answer = ListenerAnswer{500, {}, "Internal error", "text/plain"};
    }
    res.status = answer.status;
    for (const auto& [name, value] : answer.headers) res.set_header(name.c_str(), value);
    if (!answer.body.empty() || !answer.contentType.empty())
      res.set_content(answer.body, answer.contentType.empty() ? "text/plain" : answer.contentType.c_str());
  };
  http->Get(R"(.*)", handler);  // HEAD is served by the GET handlers
  http->Post(R"(.*)", handler);

  const int bound = port_ == 0 ? http->bind_to_any_port(host_) : (http->bind_to_port(host_, port_) ? port_ : -1);
  if (bound < 0)
    throw ECallListenerPortBusy(port_, "Could not bind socket. Address and port are already in use.");
  // The library listens with a backlog of 5: callers beyond it would wait for SYN retries of a
  // second or more. Listening again on the same socket only enlarges the queue.
  if (listening >= 0) ::listen(listening, kCallListenerBacklog);
  http->set_socket_options([](socket_t) {});  // drops the reference to the local above
  boundPort_ = bound;
  http_ = std::move(http);
  finished_ = false;
  thread_ = std::thread([this] {
    http_->listen_after_bind();
    finished_ = true;
    loop_.wake();
  });
  active_ = true;
}

void CallListener::Deactivate() {
  if (!http_ || deactivating_) return;
  deactivating_ = true;
  active_ = false;
  // stop() does nothing until the listening loop has started, so it is repeated until the loop
  // ended; the loop ends only once every connection thread finished, and those may be waiting for
  // a hand-over that waitPumping serves.
  auto ended = [this] {
    if (!finished_.load()) http_->stop();
    return finished_.load();
  };
  if (loop_.isMainThread())
    loop_.waitPumping(ended);
  else
    while (!ended()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  thread_.join();
  http_.reset();
  boundPort_ = 0;
  deactivating_ = false;
}

}  // namespace corvane::calls
