#include "CallGate.h"

#include "RawHttp.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <string>

namespace corvane::load {

namespace {

int ListenOnLoopback(int& port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 64) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
    throw std::runtime_error("the call gate cannot listen");
  port = ntohs(address.sin_port);
  return fd;
}

int ConnectLoopback(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return fd;
  if (fd >= 0) ::close(fd);
  return -1;
}

// Everything until the peer closes (bounded by a long silence).
std::string ReadToEnd(int fd, const std::atomic<bool>& stopping) {
  std::string out;
  char buffer[16384];
  for (int idle = 0; !stopping.load() && idle < 300;) {
    pollfd p{fd, POLLIN, 0};
    const int ready = ::poll(&p, 1, 100);
    if (ready < 0) break;
    if (ready == 0) {
      ++idle;
      continue;
    }
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    out.append(buffer, static_cast<size_t>(n));
  }
  return out;
}


}  // namespace

CallGate::CallGate(int callListenerPort) : listenerPort_(callListenerPort) {
  callFd_ = ListenOnLoopback(callPort_);
  channelFd_ = ListenOnLoopback(channelPort_);
  callAccept_ = std::thread([this] { Accept(callFd_, true); });
  channelAccept_ = std::thread([this] { Accept(channelFd_, false); });
}

CallGate::~CallGate() {
  stopping_ = true;
  ::shutdown(callFd_, SHUT_RDWR);
  ::shutdown(channelFd_, SHUT_RDWR);
  callAccept_.join();
  channelAccept_.join();
  ::close(callFd_);
  ::close(channelFd_);
  std::list<std::unique_ptr<Worker>> workers;
  {
    std::lock_guard lock(mutex_);
    for (int fd : open_) ::shutdown(fd, SHUT_RDWR);
    workers.swap(workers_);
  }
  for (auto& w : workers) w->thread.join();
}

void CallGate::KillAt(int n, pid_t pid) {
  std::lock_guard lock(mutex_);
  killAt_ = n;
  victim_ = pid;
}

int CallGate::Passed() const {
  std::lock_guard lock(mutex_);
  return passed_;
}

bool CallGate::Killed() const {
  std::lock_guard lock(mutex_);
  return killed_;
}

void CallGate::Accept(int listenFd, bool calls) {
  for (;;) {
    const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      return;
    }
    Start([this, fd, calls] { calls ? ServeCall(fd) : ServeChannel(fd); });
  }
}

void CallGate::Start(std::function<void()> work) {
  std::lock_guard lock(mutex_);
  for (auto it = workers_.begin(); it != workers_.end();) {
    if ((*it)->finished.load()) {
      (*it)->thread.join();
      it = workers_.erase(it);
    } else {
      ++it;
    }
  }
  workers_.push_back(std::make_unique<Worker>());
  Worker* w = workers_.back().get();
  w->thread = std::thread([w, work = std::move(work)] {
    work();
    w->finished = true;
  });
}

void CallGate::ServeCall(int fd) {
  {
    std::lock_guard lock(mutex_);
    open_.push_back(fd);
  }
  const std::string request = ReadHttpRequest(fd, stopping_);
  const int up = request.empty() ? -1 : ConnectLoopback(listenerPort_);
  if (up >= 0) {
    std::string answer = SendAll(up, WithConnectionClose(request)) ? ReadToEnd(up, stopping_) : std::string();
    ::close(up);
    // The session's port becomes the gate's.
    const size_t header = answer.find("\r\nDAD-Port: ");
    if (header != std::string::npos) {
      const size_t value = header + 12, eol = answer.find("\r\n", value);
      sessionPort_ = std::stoi(answer.substr(value, eol - value));
      answer.replace(value, eol - value, std::to_string(channelPort_));
    }
    SendAll(fd, answer);
  }
  std::lock_guard lock(mutex_);
  open_.remove(fd);
  ::close(fd);
}

void CallGate::ServeChannel(int fd) {
  bool drop = false;
  {
    std::lock_guard lock(mutex_);
    if (arrived_++ == killAt_ && victim_ > 0) {
      ::kill(victim_, SIGKILL);
      killed_ = true;
    }
    // The program may have opened more connections before it died (the kernel completes them
    // before they are accepted); none of them reaches the session.
    drop = killed_;
    if (!drop) open_.push_back(fd);
  }
  if (drop) {
    ::close(fd);
    return;
  }
  const int up = ConnectLoopback(sessionPort_.load());
  if (up >= 0) {
    {
      std::lock_guard lock(mutex_);
      ++passed_;
      open_.push_back(up);
    }
    // Both ways until either side ends; the end is passed on to the other.
    char buffer[65536];
    pollfd p[2] = {{fd, POLLIN, 0}, {up, POLLIN, 0}};
    for (bool open = true; open && !stopping_.load();) {
      if (::poll(p, 2, 100) < 0) break;
      for (int i = 0; i < 2 && open; ++i) {
        if (!(p[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        const ssize_t n = ::recv(p[i].fd, buffer, sizeof buffer, 0);
        open = n > 0 && SendAll(p[1 - i].fd, std::string(buffer, static_cast<size_t>(n)));
      }
    }
    std::lock_guard lock(mutex_);
    open_.remove(up);
    ::close(up);
  }
  std::lock_guard lock(mutex_);
  open_.remove(fd);
  ::close(fd);
}

}  // namespace corvane::load
