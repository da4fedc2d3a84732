#include "service/LoopbackHttpServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <stdexcept>

namespace corvane::service::test {
namespace {

int ListenOnLoopback(int backlog, int& port) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw std::runtime_error("socket failed");
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, backlog) != 0) {
    ::close(fd);
    throw std::runtime_error("bind/listen failed");
  }
  socklen_t len = sizeof addr;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  port = ntohs(addr.sin_port);
  return fd;
}

bool SendAll(int fd, const std::string& data) {
  size_t sent = 0;
  while (sent < data.size()) {
    ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

std::string RecordedRequest::header(const std::string& name) const {
  std::string wanted = Lower(name) + ":";
  size_t pos = head.find("\r\n");
  while (pos != std::string::npos && pos + 2 < head.size()) {
    size_t end = head.find("\r\n", pos + 2);
    std::string line = head.substr(pos + 2, end == std::string::npos ? std::string::npos : end - pos - 2);
    if (Lower(line).rfind(wanted, 0) == 0) {
      std::string value = line.substr(wanted.size());
      while (!value.empty() && value.front() == ' ') value.erase(0, 1);
      return value;
    }
    pos = end;
  }
  return {};
}

LoopbackHttpServer::LoopbackHttpServer(Handler handler) : handler_(std::move(handler)) {
  listenFd_ = ListenOnLoopback(16, port_);
  acceptThread_ = std::thread([this] { acceptLoop(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
  stopping_ = true;
  ::shutdown(listenFd_, SHUT_RDWR);
  acceptThread_.join();
  ::close(listenFd_);
  {
    std::lock_guard lock(mutex_);
    for (int fd : connections_) ::shutdown(fd, SHUT_RDWR);
  }
  for (std::thread& t : threads_) t.join();
}

std::string LoopbackHttpServer::root() const {
  return "http://127.0.0.1:" + std::to_string(port_) + "/svc/";
}

void LoopbackHttpServer::setHandler(Handler handler) {
  std::lock_guard lock(mutex_);
  handler_ = std::move(handler);
}

std::vector<RecordedRequest> LoopbackHttpServer::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

void LoopbackHttpServer::acceptLoop() {
  while (!stopping_) {
    int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
      if (stopping_) return;
      continue;
    }
    std::lock_guard lock(mutex_);
    connections_.push_back(fd);
    threads_.emplace_back([this, fd] { serve(fd); });
  }
}

void LoopbackHttpServer::serve(int fd) {
  std::string data;
  char buf[65536];
  size_t headEnd = std::string::npos;
  size_t contentLength = 0;
  while (true) {
    if (headEnd == std::string::npos) {
      headEnd = data.find("\r\n\r\n");
      if (headEnd != std::string::npos) {
        RecordedRequest probe;
        probe.head = data.substr(0, headEnd);
        std::string cl = probe.header("Content-Length");
        contentLength = cl.empty() ? 0 : std::stoul(cl);
      }
    }
    if (headEnd != std::string::npos && data.size() >= headEnd + 4 + contentLength) break;
    ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n <= 0) {
      ::close(fd);
      return;
    }
    data.append(buf, static_cast<size_t>(n));
  }
  RecordedRequest request;
  request.raw = data.substr(0, headEnd + 4 + contentLength);
  request.head = data.substr(0, headEnd);
  request.body = data.substr(headEnd + 4, contentLength);
  Handler handler;
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(request);
    handler = handler_;
  }
  Reply reply = handler ? handler(request) : Reply::Xml("", 404);
  switch (reply.kind) {
    case Reply::Kind::Answer: {
      std::string out = "HTTP/1.1 " + std::to_string(reply.status) + " X\r\nContent-Type: " +
                        reply.contentType + "\r\nContent-Length: " +
                        std::to_string(reply.body.size()) + "\r\nConnection: close\r\n" +
                        reply.extraHeaders + "\r\n" + reply.body;
      SendAll(fd, out);
      break;
    }
    case Reply::Kind::Raw: SendAll(fd, reply.raw); break;
    case Reply::Kind::Silent:
      // Wait until the peer gives up or the server stops (shutdown wakes the recv).
      while (::recv(fd, buf, sizeof buf, 0) > 0) {
      }
      break;
  }
  ::shutdown(fd, SHUT_WR);
  ::close(fd);
}

FullBacklogListener::FullBacklogListener() {
  listenFd_ = ListenOnLoopback(0, port_);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<uint16_t>(port_));
  // Fill the accept queue; further handshakes are then dropped by the kernel.
  for (int i = 0; i < 3; ++i) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    pollfd p{fd, POLLOUT, 0};
    ::poll(&p, 1, 200);
    fillers_.push_back(fd);
  }
}

FullBacklogListener::~FullBacklogListener() {
  for (int fd : fillers_) ::close(fd);
  ::close(listenFd_);
}

int UnusedLoopbackPort() {
  int port = 0;
  int fd = ListenOnLoopback(1, port);
  ::close(fd);
  return port;
}

}  // namespace corvane::service::test
