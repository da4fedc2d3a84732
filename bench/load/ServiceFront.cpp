#include "ServiceFront.h"

#include "RawHttp.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <stdexcept>

#include "service/RemotableFaults.h"
#include "service/SoapWriter.h"

namespace corvane::load {

namespace {

constexpr size_t kMaxRequest = 4 * 1024 * 1024;
constexpr int kIoTimeoutMs = 30000;

std::string Operation(const std::string& request) {
  const std::string lower = AsciiLower(request.substr(0, request.find("\r\n\r\n")));
  const size_t action = lower.find("\r\nsoapaction:");
  if (action != std::string::npos) {
    const size_t end = request.find("\r\n", action + 2);
    std::string value = request.substr(action + 13, end - action - 13);
    const size_t hash = value.rfind('#');
    if (hash != std::string::npos) value = value.substr(hash + 1);
    while (!value.empty() && (value.back() == '"' || value.back() == ' ')) value.pop_back();
    return value;
  }
  if (lower.find("updateip") != std::string::npos) return "UpdateIP";
  return request.substr(0, request.find("\r\n"));
}

std::string Answer(int status, const std::string& reason, const std::string& type, const std::string& body) {
  return "HTTP/1.1 " + std::to_string(status) + " " + reason + "\r\nContent-Type: " + type +
         "\r\nContent-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}


}  // namespace

ServiceFront::ServiceFront(int servicePort) : servicePort_(servicePort) { Listen(); }

ServiceFront::~ServiceFront() {
  stopping_ = true;
  StopListening();
  std::list<std::unique_ptr<Connection>> connections;
  {
    std::lock_guard lock(mutex_);
    for (auto& c : connections_)
      if (c->fd >= 0) ::shutdown(c->fd, SHUT_RDWR);
    connections.swap(connections_);
  }
  for (auto& c : connections) c->thread.join();
}

std::string ServiceFront::Root() const {
  return "http://127.0.0.1:" + std::to_string(port_) + "/scripts/ServiceCorvane.dll/";
}

void ServiceFront::Listen() {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  int yes = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port_));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 64) != 0) {
    if (fd >= 0) ::close(fd);
    throw std::runtime_error("the service front cannot listen");
  }
  listenFd_ = fd;
  acceptThread_ = std::thread([this, fd] { AcceptLoop(fd); });
}

void ServiceFront::StopListening() {
  if (listenFd_ < 0) return;
  ::shutdown(listenFd_, SHUT_RDWR);
  acceptThread_.join();
  ::close(listenFd_);
  listenFd_ = -1;
}

void ServiceFront::SetFault(Fault fault, int slowMs) {
  {
    std::lock_guard lock(mutex_);
    fault_ = fault;
    slowMs_ = slowMs;
  }
  // A service that is down refuses connections; it listens again on the same port once healthy.
  if (fault == Fault::Down)
    StopListening();
  else if (listenFd_ < 0)
    Listen();
}

int ServiceFront::Seen(const std::string& operation) const {
  std::lock_guard lock(mutex_);
  auto it = seen_.find(operation);
  return it == seen_.end() ? 0 : it->second;
}

int ServiceFront::SeenTotal() const {
  std::lock_guard lock(mutex_);
  int total = 0;
  for (const auto& [op, n] : seen_) total += n;
  return total;
}

void ServiceFront::AcceptLoop(int listenFd) {
  for (;;) {
    const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      return;  // shut down
    }
    std::lock_guard lock(mutex_);
    for (auto it = connections_.begin(); it != connections_.end();) {
      if ((*it)->finished.load()) {
        (*it)->thread.join();
        it = connections_.erase(it);
      } else {
        ++it;
      }
    }
    connections_.push_back(std::make_unique<Connection>());
    Connection& c = *connections_.back();
    c.fd = fd;
    c.thread = std::thread([this, &c] { Serve(c); });
  }
}

std::string ServiceFront::Forward(const std::string& request) const {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(servicePort_));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string answer;
  if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      SendAll(fd, WithConnectionClose(request))) {
    char buffer[16384];
    pollfd p{fd, POLLIN, 0};
    while (::poll(&p, 1, kIoTimeoutMs) == 1) {
      const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      answer.append(buffer, static_cast<size_t>(n));
    }
  }
  if (fd >= 0) ::close(fd);
  return answer;
}

void ServiceFront::Serve(Connection& c) {
  const std::string request = ReadHttpRequest(c.fd, stopping_, kMaxRequest);
  if (!request.empty()) {
    Fault fault;
    int slowMs;
    {
      std::lock_guard lock(mutex_);
      fault = fault_;
      slowMs = slowMs_;
      ++seen_[Operation(request)];
    }
    switch (fault) {
      case Fault::Slow: {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(slowMs);
        while (!stopping_.load() && std::chrono::steady_clock::now() < until) {
          pollfd p{c.fd, 0, 0};
          ::poll(&p, 1, 10);  // the sick service's own slowness
        }
        SendAll(c.fd, Forward(request));
        break;
      }
      case Fault::None: SendAll(c.fd, Forward(request)); break;
      case Fault::Timeout: {
        // Never answers: holds the connection until the client gives up.
        char buffer[1024];
        for (;;) {
          pollfd p{c.fd, POLLIN, 0};
          const int ready = ::poll(&p, 1, 100);
          if (stopping_.load() || ready < 0) break;
          if (ready == 1 && ::recv(c.fd, buffer, sizeof buffer, 0) <= 0) break;
        }
        break;
      }
      case Fault::Http500:
        SendAll(c.fd, Answer(500, "Internal Server Error", "text/html",
                             "<html><body><h1>500 Internal Server Error</h1><p>ISAPI extension failed.</p></body></html>"));
        break;
      case Fault::SoapFault:
        SendAll(c.fd, Answer(500, "Internal Server Error", "text/xml; charset=utf-8",
                             service::SoapWriter::Fault("SOAP-ENV:Server",
                                                        service::ERemotableException("The database is not available."))));
        break;
      case Fault::InvalidSession:
        SendAll(c.fd, Answer(500, "Internal Server Error", "text/xml; charset=utf-8",
                             service::SoapWriter::Fault("SOAP-ENV:Server",
                                                        service::ERemotableInvalideSession("Invalid session"))));
        break;
      case Fault::Garbage:
        SendAll(c.fd, Answer(200, "OK", "text/xml", "<?xml version=\"1.0\"?><SOAP-ENV:Envelope><unclosed"));
        break;
      case Fault::CutMidAnswer: {
        const std::string answer = Forward(request);
        SendAll(c.fd, answer.substr(0, answer.size() / 2 + 1));
        break;
      }
      case Fault::Cut:
      case Fault::Down: break;
    }
  }
  std::lock_guard lock(mutex_);
  ::close(c.fd);
  c.fd = -1;
  c.finished = true;
}

}  // namespace corvane::load
