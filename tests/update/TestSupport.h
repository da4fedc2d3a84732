#pragma once
// Support for the update tests: temporary folders and files, versioned copies of a real
// executable, and loopback servers: an HTTP(S) server inside the test (cpp-httplib) and an FTP
// server in a child process (pyftpdlib), each on a port the system picks, stopped with the fixture.

#include <sys/types.h>

#include <array>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
struct Request;
struct Response;
}

namespace corvane::update::test {

// A folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
  TempDir();
  ~TempDir();
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
  std::string path_;
};

void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);

class TestHttpServer {
public:
  // tls: serve HTTPS with the test certificate (tests/update/data/localhost.pem).
  explicit TestHttpServer(bool tls = false);
  ~TestHttpServer();

  void Serve(const std::string& path, const std::string& body);
  // Announces `announced` bytes, sends the first `sent` of body, then drops the connection.
  void ServeCut(const std::string& path, const std::string& body, size_t sent);
  // Accepts the request and sends nothing until the server stops.
  void ServeSilence(const std::string& path);
  std::string Url(const std::string& path) const;

  struct Request {
    std::string path, userAgent, accept, authorization;
  };
  std::vector<Request> Requests() const;

private:
  struct Route {
    enum Kind { Content, Cut, Silence } kind = Content;
    std::string body;
    size_t sent = 0;
  };
  void Answer(const httplib::Request& req, httplib::Response& res);

  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
  int port_ = 0;
  bool tls_ = false;
  mutable std::mutex mutex_;
  std::condition_variable stopped_;
  bool stopping_ = false;
  std::vector<Request> requests_;
  std::map<std::string, Route> routes_;
};

class TestFtpServer {
public:
  // Serves root; throws std::runtime_error when the server does not start.
  explicit TestFtpServer(const std::string& root);
  ~TestFtpServer();
  int port() const { return port_; }
  // The commands received so far, one per line.
  std::string CommandLog() const;

private:
  pid_t pid_ = -1;
  int port_ = 0;
  std::string log_;
};

// Copies a program built with corvane_embed_version and rewrites the numbers of its version note.
void CopyWithVersion(const std::string& program, const std::string& target, const std::array<uint32_t, 4>& version);

// The test certificate, for the downloader's CaInfo.
std::string TestCertificatePath();

}  // namespace corvane::update::test
