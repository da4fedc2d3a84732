#pragma once
// A notification with several subscribers: each Subscribe returns a number that Unsubscribe takes
// back. Raising calls the subscribers in order of subscription; a subscriber may unsubscribe
// itself or others while it runs (the ones removed are not called any more).
//
// Threads: one thread (the main thread) subscribes and raises.

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace corvane::base {

template <typename... Args>
class Notification {
public:
  using Handler = std::function<void(Args...)>;

  uint64_t Subscribe(Handler handler) {
    handlers_.push_back({++last_, std::move(handler)});
    return last_;
  }
  void Unsubscribe(uint64_t id) {
    for (auto& h : handlers_)
      if (h.first == id) h.second = nullptr;
    if (depth_ == 0) Compact();
  }
  bool Empty() const {
    for (const auto& h : handlers_)
      if (h.second) return false;
    return true;
  }
  void operator()(Args... args) {
    ++depth_;
    // Subscribers added while raising wait for the next time.
    const size_t count = handlers_.size();
    for (size_t i = 0; i < count; ++i)
      if (handlers_[i].second) {
        Handler copy = handlers_[i].second;  // survives its own unsubscription
        copy(args...);
      }
    if (--depth_ == 0) Compact();
  }

private:
  void Compact() {
    std::erase_if(handlers_, [](const auto& h) { return !h.second; });
  }
  std::vector<std::pair<uint64_t, Handler>> handlers_;
  uint64_t last_ = 0;
  int depth_ = 0;
};

}  // namespace corvane::base
