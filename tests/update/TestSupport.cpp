#include "update/TestSupport.h"

#include <fcntl.h>
#include <httplib.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace corvane::update::test {

TempDir::TempDir() {
  std::string pattern = std::filesystem::temp_directory_path().string() + "/corvane-update-test-XXXXXX";
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void CopyWithVersion(const std::string& program, const std::string& target, const std::array<uint32_t, 4>& version) {
  std::string bytes = ReadFile(program);
  // The note as corvane_embed_version writes it: sizes 8 and 16, type 1, owner "Corvane".
  const std::string header("\x08\0\0\0\x10\0\0\0\x01\0\0\0Corvane\0", 20);
  const size_t at = bytes.find(header);
  if (at == std::string::npos || bytes.find(header, at + 1) != std::string::npos)
    throw std::runtime_error("no single version note in " + program);
  std::memcpy(&bytes[at + header.size()], version.data(), 16);
  WriteFile(target, bytes);
  std::filesystem::permissions(target, std::filesystem::perms::owner_all);
}

std::string TestCertificatePath() { return std::string(CORVANE_UPDATE_TEST_DATA) + "/localhost.pem"; }

TestHttpServer::TestHttpServer(bool tls) : tls_(tls) {
  if (tls)
    server_ = std::make_unique<httplib::SSLServer>(TestCertificatePath().c_str(),
                                                   (std::string(CORVANE_UPDATE_TEST_DATA) + "/localhost.key").c_str());
  else
    server_ = std::make_unique<httplib::Server>();
  if (!server_->is_valid()) throw std::runtime_error("the test HTTP server cannot start");
  // Recorded before routing, so a request is listed before its answer leaves.
  server_->set_pre_routing_handler([this](const httplib::Request& req, httplib::Response&) {
    std::lock_guard lock(mutex_);
    requests_.push_back({req.path, req.get_header_value("User-Agent"), req.get_header_value("Accept"),
                         req.get_header_value("Authorization")});
    return httplib::Server::HandlerResponse::Unhandled;
  });
  // One handler, registered before the server runs: routes added later go into a locked map,
  // since the server's own route list may not change while it serves.
  server_->Get(".*", [this](const httplib::Request& req, httplib::Response& res) { Answer(req, res); });
  port_ = server_->bind_to_any_port("127.0.0.1");
  if (port_ <= 0) throw std::runtime_error("the test HTTP server cannot bind");
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  // stop() is ignored until the accept loop runs, so wait for it (bounded) before going on.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!server_->is_running() && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
}

TestHttpServer::~TestHttpServer() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  stopped_.notify_all();
  server_->stop();
  thread_.join();
}

void TestHttpServer::Serve(const std::string& path, const std::string& body) {
  std::lock_guard lock(mutex_);
  routes_[path] = Route{Route::Content, body, 0};
}

void TestHttpServer::ServeCut(const std::string& path, const std::string& body, size_t sent) {
  std::lock_guard lock(mutex_);
  routes_[path] = Route{Route::Cut, body, sent};
}

void TestHttpServer::ServeSilence(const std::string& path) {
  std::lock_guard lock(mutex_);
  routes_[path] = Route{Route::Silence, {}, 0};
}

void TestHttpServer::Answer(const httplib::Request& req, httplib::Response& res) {
  Route route;
  {
    std::lock_guard lock(mutex_);
    auto it = routes_.find(req.path);
    if (it == routes_.end()) {
      res.status = 404;
      return;
    }
    route = it->second;
  }
  switch (route.kind) {
    case Route::Content:
      res.set_content(route.body, "application/octet-stream");
      break;
    case Route::Cut:
      res.set_content_provider(route.body.size(), "application/octet-stream",
                               [body = route.body, sent = route.sent](size_t offset, size_t, httplib::DataSink& sink) {
                                 if (offset >= sent) return false;  // drop the connection
                                 sink.write(body.data() + offset, sent - offset);
                                 return true;
                               });
      break;
    case Route::Silence: {
      std::unique_lock lock(mutex_);
      stopped_.wait_for(lock, std::chrono::seconds(60), [this] { return stopping_; });
      res.status = 503;
      break;
    }
  }
}

std::string TestHttpServer::Url(const std::string& path) const {
  return std::string(tls_ ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<TestHttpServer::Request> TestHttpServer::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

TestFtpServer::TestFtpServer(const std::string& root) : log_(root + "/../ftp-commands.log") {
  int out[2];
  if (::pipe(out) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  const std::string serverLog = root + "/../ftp-server.log";  // pyftpdlib's own log, off the test output
  posix_spawn_file_actions_addopen(&actions, 2, serverLog.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  std::string python = CORVANE_TEST_PYTHON, script = CORVANE_UPDATE_FTP_SCRIPT;
  std::string rootArg = root, logArg = log_;
  char* argv[] = {python.data(), script.data(), rootArg.data(), logArg.data(), nullptr};
  const int error = ::posix_spawn(&pid_, python.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  if (error != 0) {
    ::close(out[0]);
    throw std::runtime_error("cannot start " + python);
  }
  // The server prints its port once it listens; wait for that line with a deadline.
  std::string line;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
    pollfd p{out[0], POLLIN, 0};
    if (::poll(&p, 1, 200) <= 0) continue;
    char buffer[64];
    const ssize_t n = ::read(out[0], buffer, sizeof buffer);
    if (n <= 0) break;
    line.append(buffer, static_cast<size_t>(n));
  }
  ::close(out[0]);
  port_ = std::atoi(line.c_str());
  if (port_ <= 0) {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
    throw std::runtime_error("the test FTP server (" + python + " with pyftpdlib) did not start");
  }
}

TestFtpServer::~TestFtpServer() {
  ::kill(pid_, SIGTERM);
  ::waitpid(pid_, nullptr, 0);
}

std::string TestFtpServer::CommandLog() const { return ReadFile(log_); }

}  // namespace corvane::update::test
