#include "LoginThrottle.h"

#include <algorithm>
#include <cctype>

namespace corvane::service::server {
namespace {

// Log-in names ignore case at the service; so does their count. A name is counted by its first
// bytes only, so that huge names cannot make the table large (real names are much shorter).
constexpr size_t kMaxKeyBytes = 128;

std::string Folded(const std::string& login) {
  std::string key = login.substr(0, kMaxKeyBytes);
  for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return key;
}

}  // namespace

int64_t LoginThrottle::Table::waitMs(const std::string& key, int64_t nowMs) {
  auto it = entries.find(key);
  if (it == entries.end()) return 0;
  if (nowMs - it->second.lastFailureMs >= rule.forgetMs) {
    entries.erase(it);
    return 0;
  }
  return std::max<int64_t>(0, it->second.blockedUntilMs - nowMs);
}

void LoginThrottle::Table::fail(const std::string& key, int64_t nowMs) {
  auto it = entries.find(key);
  if (it != entries.end() && nowMs - it->second.lastFailureMs >= rule.forgetMs) {
    entries.erase(it);
    it = entries.end();
  }
  if (it == entries.end()) {
    if (entries.size() >= rule.maxEntries) {
      std::erase_if(entries, [&](const auto& e) { return nowMs - e.second.lastFailureMs >= rule.forgetMs; });
      if (entries.size() >= rule.maxEntries)
        entries.erase(std::min_element(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
          return a.second.lastFailureMs < b.second.lastFailureMs;
        }));
    }
    it = entries.emplace(key, Entry{}).first;
  }
  Entry& e = it->second;
  ++e.failures;
  e.lastFailureMs = nowMs;
  int over = e.failures - rule.freeFailures;
  if (over > 0) {
    int64_t backOff = rule.firstBackOffMs;
    for (int i = 1; i < over && backOff < rule.maxBackOffMs; ++i) backOff *= 2;
    e.blockedUntilMs = nowMs + std::min(backOff, rule.maxBackOffMs);
  }
}

int64_t LoginThrottle::WaitMs(const std::string& login, const std::string& address, int64_t nowMs) {
  std::lock_guard lock(mutex_);
  int64_t wait = logins_.waitMs(Folded(login), nowMs);
  if (!address.empty()) wait = std::max(wait, addresses_.waitMs(address, nowMs));
  return wait;
}

void LoginThrottle::Failed(const std::string& login, const std::string& address, int64_t nowMs) {
  std::lock_guard lock(mutex_);
  logins_.fail(Folded(login), nowMs);
  if (!address.empty()) addresses_.fail(address, nowMs);
}

void LoginThrottle::Succeeded(const std::string& login) {
  std::lock_guard lock(mutex_);
  logins_.entries.erase(Folded(login));
}

size_t LoginThrottle::Size() {
  std::lock_guard lock(mutex_);
  return logins_.entries.size() + addresses_.entries.size();
}

}  // namespace corvane::service::server
