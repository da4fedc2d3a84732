#include "session/TcpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace corvane::session {

TcpContext::TcpContext(TcpServer& server, std::unique_ptr<TcpConnection> connection)
    : server_(server), connection_(std::move(connection)) {}

TcpContext::~TcpContext() = default;

TcpServer::TcpServer(base::MainLoop& loop) : loop_(loop) {
  factory_ = [](TcpServer& server, std::unique_ptr<TcpConnection> c) {
    return std::make_unique<TcpContext>(server, std::move(c));
  };
}

TcpServer::~TcpServer() { SetActive(false); }

void TcpServer::SetBinding(std::string host, uint16_t port) {
  host_ = std::move(host);
  requestedPort_ = port;
}

void TcpServer::SetActive(bool active) {
  if (active == active_) return;
  if (active) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(requestedPort_);
    if (inet_pton(AF_INET, host_.c_str(), &addr.sin_addr) != 1)
      throw SocketBindError("Invalid listening address: " + host_);
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw SocketBindError(std::strerror(errno));
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 64) != 0) {
      const int err = errno;
      ::close(fd);
      if (err == EADDRINUSE)
        throw SocketBindError("Could not bind socket. Address and port are already in use.");
      throw SocketBindError(std::string("Could not bind socket: ") + std::strerror(err));
    }
    socklen_t len = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    listenFd_ = fd;
    {
      std::lock_guard lock(mutex_);
      stopping_ = false;
    }
    active_ = true;
    acceptThread_ = std::thread([this] { AcceptLoop(); });
    return;
  }

  // Stop: no new connections, end the open ones, wait for their threads.
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    for (auto* ctx : contexts_) ctx->Connection().Disconnect();
  }
  ::shutdown(listenFd_, SHUT_RDWR);
  if (acceptThread_.joinable()) acceptThread_.join();
  ::close(listenFd_);
  listenFd_ = -1;
  {
    // Connections accepted just before the stop may have registered after the loop above.
    std::lock_guard lock(mutex_);
    for (auto* ctx : contexts_) ctx->Connection().Disconnect();
  }
  auto allFinished = [this] {
    std::lock_guard lock(mutex_);
    for (auto& s : slots_)
      if (!s->finished.load()) return false;
    return true;
  };
  if (loop_.isMainThread()) {
    loop_.waitPumping(allFinished);
  } else {
    while (!allFinished()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  std::list<std::shared_ptr<Slot>> slots;
  {
    std::lock_guard lock(mutex_);
    slots.swap(slots_);
  }
  for (auto& s : slots)
    if (s->thread.joinable()) s->thread.join();
  active_ = false;
}

size_t TcpServer::ConnectionCount() const {
  std::lock_guard lock(mutex_);
  return contexts_.size();
}

void TcpServer::ForEachContext(const std::function<void(TcpContext&)>& fn) {
  std::lock_guard lock(mutex_);
  for (auto* ctx : contexts_) fn(*ctx);
}

void TcpServer::ReapFinished() {
  std::list<std::shared_ptr<Slot>> done;
  {
    std::lock_guard lock(mutex_);
    for (auto it = slots_.begin(); it != slots_.end();) {
      if ((*it)->finished.load()) {
        done.push_back(std::move(*it));
        it = slots_.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (auto& s : done)
    if (s->thread.joinable()) s->thread.join();
}

void TcpServer::AcceptLoop() {
  for (;;) {
    int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      if (errno == EMFILE || errno == ENFILE) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        continue;
      }
      return;  // listening socket shut down
    }
    ReapFinished();
    std::lock_guard lock(mutex_);
    if (stopping_) {
      ::close(fd);
      return;
    }
    if (maxConnections_ > 0 && (open_ >= maxConnections_ || slots_.size() >= 2 * maxConnections_)) {
      ::close(fd);  // over the cap: refused at once
      continue;
    }
    auto slot = std::make_shared<Slot>();
    slots_.push_back(slot);
    ++open_;
    slot->thread = std::thread([this, slot, fd] { Serve(slot, fd); });
  }
}

void TcpServer::Serve(std::shared_ptr<Slot> slot, int fd) {
  std::unique_ptr<TcpContext> ctx;
  try {
    ctx = factory_(*this, std::make_unique<TcpConnection>(fd));
  } catch (...) {
    {
      std::lock_guard lock(mutex_);
      --open_;
    }
    slot->finished = true;
    loop_.wake();
    return;
  }
  ctx->threadId_ = std::this_thread::get_id();
  {
    std::lock_guard lock(mutex_);
    contexts_.push_back(ctx.get());
    if (stopping_) ctx->Connection().Disconnect();
  }
  try {
    if (OnConnect) OnConnect(*ctx);
    while (ctx->Connection().Connected()) {
      if (OnExecute)
        OnExecute(*ctx);
      else
        ctx->Connection().ReadLine(kNoTimeLimit, kMaxLineLength);
    }
  } catch (...) {
    // An error on a connection's thread ends that connection, silently.
  }
  ctx->Connection().Disconnect();
  try {
    if (OnDisconnect) OnDisconnect(*ctx);
  } catch (...) {
  }
  {
    std::lock_guard lock(mutex_);
    contexts_.remove(ctx.get());
    --open_;
  }
  try {
    ctx->ConnectionEnded();
  } catch (...) {
  }
  ctx.reset();
  slot->finished = true;
  loop_.wake();
}

}  // namespace corvane::session
