#pragma once
// A small HTTP/1.1 server on 127.0.0.1 for the service client's tests. It records every request
// as raw bytes and answers with what the test's handler returns: a status and body, a raw byte
// string, or nothing at all (the connection stays silent until the server stops). One thread per
// connection; every answer closes its connection.
//
// Threads: the accept and connection threads run the handler; requests() and setHandler() may
// be called from the test's thread at any time (mutex_ protects the handler and the log).

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace corvane::service::test {

struct RecordedRequest {
  std::string raw;   // request line, headers and body as received
  std::string head;  // up to the blank line
  std::string body;
  // Value of a header (name without regard to case), "" when absent.
  std::string header(const std::string& name) const;
  std::string requestLine() const { return head.substr(0, head.find("\r\n")); }
};

struct Reply {
  enum class Kind { Answer, Raw, Silent } kind = Kind::Answer;
  int status = 200;
  std::string contentType = "text/xml; charset=utf-8";
  std::string body;
  std::string extraHeaders;  // "Name: value\r\n" lines
  std::string raw;           // for Kind::Raw: sent as is, then the connection closes

  static Reply Xml(std::string body, int status = 200) {
    Reply r;
    r.status = status;
    r.body = std::move(body);
    return r;
  }
  static Reply RawBytes(std::string bytes) {
    Reply r;
    r.kind = Kind::Raw;
    r.raw = std::move(bytes);
    return r;
  }
  static Reply Silent() {
    Reply r;
    r.kind = Kind::Silent;
    return r;
  }
};

class LoopbackHttpServer {
public:
  using Handler = std::function<Reply(const RecordedRequest&)>;
  explicit LoopbackHttpServer(Handler handler = {});
  ~LoopbackHttpServer();

  int port() const { return port_; }
  // "http://127.0.0.1:<port>/svc/"
  std::string root() const;
  void setHandler(Handler handler);
  std::vector<RecordedRequest> requests() const;

private:
  void acceptLoop();
  void serve(int fd);

  int listenFd_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  Handler handler_;
  std::vector<RecordedRequest> requests_;
  std::vector<int> connections_;
  std::vector<std::thread> threads_;
  std::thread acceptThread_;
};

// A loopback port whose listen queue is full: connecting to it hangs until the client gives up.
class FullBacklogListener {
public:
  FullBacklogListener();
  ~FullBacklogListener();
  int port() const { return port_; }

private:
  int listenFd_ = -1;
  int port_ = 0;
  std::vector<int> fillers_;
};

// A loopback port on which nothing listens.
int UnusedLoopbackPort();

}  // namespace corvane::service::test
