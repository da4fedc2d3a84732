#pragma once
// Helpers for the channel tests: customer-side ends connected to a SessionHost, component blocks
// as a customer sends them, and a log that worker and main threads can both append to.

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "SessionHost.h"
#include "session/ClientEnd.h"
#include "session/ComponentStream.h"

namespace corvane::session::testing {

template <class Client>
std::unique_ptr<Client> ConnectedClient(SessionHost& host) {
  auto client = std::make_unique<Client>(nullptr, host.loop);
  ConnectClient(*client, "127.0.0.1", host.Port());
  return client;
}

// A record as a length-prefixed component stream.
inline std::string Block(const TOLAStreamable& record) {
  const std::string stream = EncodeComponent(record);
  return BigEndian(static_cast<uint32_t>(stream.size())) + stream;
}

class Log {
public:
  void Add(std::string entry) {
    std::lock_guard lock(mutex_);
    items_.push_back(std::move(entry));
  }
  std::vector<std::string> Items() const {
    std::lock_guard lock(mutex_);
    return items_;
  }
  size_t Size() const {
    std::lock_guard lock(mutex_);
    return items_.size();
  }
  bool Contains(const std::string& entry) const {
    std::lock_guard lock(mutex_);
    for (const auto& i : items_)
      if (i == entry) return true;
    return false;
  }

private:
  mutable std::mutex mutex_;
  std::vector<std::string> items_;
};

}  // namespace corvane::session::testing
