#pragma once
// Back-off after failed log-ins, per log-in name and per caller address: the first failures are
// free, each further one doubles the wait before the next try of that name (address) is even
// checked (ServiceLimits.h). A success clears its name's count. Memory is bounded: counts are
// forgotten after a quiet period, and when the table is full the quietest entry goes.
//
// Threads: any; one mutex guards both tables.

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>

namespace corvane::service::server {

class LoginThrottle {
public:
  struct Rule {
    int freeFailures;
    int64_t firstBackOffMs;
    int64_t maxBackOffMs;
    int64_t forgetMs;
    size_t maxEntries;
  };
  LoginThrottle(Rule perLogin, Rule perAddress) : logins_{perLogin, {}}, addresses_{perAddress, {}} {}

  // Milliseconds the name or the address must still wait at `nowMs` (0: the try may go on).
  int64_t WaitMs(const std::string& login, const std::string& address, int64_t nowMs);
  void Failed(const std::string& login, const std::string& address, int64_t nowMs);
  void Succeeded(const std::string& login);
  // Entries held (both tables), for tests of the bound.
  size_t Size();

private:
  struct Entry {
    int failures = 0;
    int64_t lastFailureMs = 0;
    int64_t blockedUntilMs = 0;
  };
  struct Table {
    Rule rule;
    std::unordered_map<std::string, Entry> entries;
    int64_t waitMs(const std::string& key, int64_t nowMs);
    void fail(const std::string& key, int64_t nowMs);
  };

  std::mutex mutex_;
  Table logins_;
  Table addresses_;
};

}  // namespace corvane::service::server
