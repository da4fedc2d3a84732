#include "session/SystemClipboard.h"

namespace corvane::session {

InMemoryClipboard::InMemoryClipboard(base::MainLoop& loop)
    : loop_(loop), handler_(std::make_shared<std::function<void()>>()) {}

InMemoryClipboard::~InMemoryClipboard() {
  // Notifications still queued in the loop find an empty handler.
  std::lock_guard lock(mutex_);
  *handler_ = nullptr;
}

void InMemoryClipboard::CheckAccess() const {
  if (!Failing.load()) return;
  ++failed_;
  throw ClipboardError("Cannot open clipboard");
}

bool InMemoryClipboard::HasText() const {
  CheckAccess();
  std::lock_guard lock(mutex_);
  return hasText_;
}

std::string InMemoryClipboard::Text() const {
  CheckAccess();
  std::lock_guard lock(mutex_);
  return hasText_ ? text_ : std::string();
}

void InMemoryClipboard::SetText(std::string_view utf8) {
  CheckAccess();
  std::lock_guard lock(mutex_);
  text_ = utf8;
  hasText_ = true;
  Changed();
}

void InMemoryClipboard::Clear() {
  CheckAccess();
  std::lock_guard lock(mutex_);
  text_.clear();
  hasText_ = false;
  Changed();
}

void InMemoryClipboard::SetImageOnly() {
  std::lock_guard lock(mutex_);
  text_.clear();
  hasText_ = false;
  Changed();
}

int InMemoryClipboard::WriteCount() const {
  std::lock_guard lock(mutex_);
  return writes_;
}

void InMemoryClipboard::SetChangeHandler(std::function<void()> handler) {
  std::lock_guard lock(mutex_);
  *handler_ = std::move(handler);
}

void InMemoryClipboard::Changed() {
  ++writes_;
  // The posted function runs on the main thread, where the handler is also set and cleared.
  loop_.post([handler = handler_] {
    if (*handler) (*handler)();
  });
}

}  // namespace corvane::session
