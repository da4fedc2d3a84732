#include "session/ThreadSafeClipboard.h"

#include <algorithm>

namespace corvane::session {

TThreadSafeClipboard& TThreadSafeClipboard::Instance() {
  static TThreadSafeClipboard instance;
  return instance;
}

void TThreadSafeClipboard::SetSystemClipboard(std::shared_ptr<ISystemClipboard> clipboard) {
  base::WriteLock l(lock_);
  if (clipboard_) clipboard_->SetChangeHandler(nullptr);
  clipboard_ = std::move(clipboard);
  if (clipboard_) clipboard_->SetChangeHandler([this] { NotifyWatchers(); });
}

void TThreadSafeClipboard::Clear() {
  base::WriteLock l(lock_);
  if (clipboard_) clipboard_->Clear();
}

bool TThreadSafeClipboard::HasFormat(TClipboardFormat format) const {
  base::ReadLock l(lock_);
  return clipboard_ && format == cfText && clipboard_->HasText();
}

std::string TThreadSafeClipboard::AsText() const {
  base::ReadLock l(lock_);
  return clipboard_ ? clipboard_->Text() : std::string();
}

bool TThreadSafeClipboard::SetAsText(std::string_view text, const std::function<void()>& beforeWrite) {
  base::WriteLock l(lock_);
  if (!clipboard_) return false;
  if (clipboard_->HasText() && clipboard_->Text() == text) return false;
  if (beforeWrite) beforeWrite();
  clipboard_->SetText(text);
  return true;
}

TThreadSafeClipboard::WatcherId TThreadSafeClipboard::AddWatcher(std::function<void()> notify) {
  std::lock_guard lock(watchersMutex_);
  const WatcherId id = nextWatcher_++;
  watchers_.emplace_back(id, std::make_shared<std::function<void()>>(std::move(notify)));
  return id;
}

void TThreadSafeClipboard::RemoveWatcher(WatcherId id) {
  std::lock_guard lock(watchersMutex_);
  watchers_.erase(std::remove_if(watchers_.begin(), watchers_.end(),
                                 [id](const auto& w) { return w.first == id; }),
                  watchers_.end());
}

void TThreadSafeClipboard::NotifyWatchers() {
  // A watcher may add or remove watchers (a session closing), so call a copy, skipping any that
  // went away in the meantime.
  decltype(watchers_) snapshot;
  {
    std::lock_guard lock(watchersMutex_);
    snapshot = watchers_;
  }
  for (const auto& [id, notify] : snapshot) {
    bool present;
    {
      std::lock_guard lock(watchersMutex_);
      present = std::any_of(watchers_.begin(), watchers_.end(),
                            [id = id](const auto& w) { return w.first == id; });
    }
    if (present) (*notify)();
  }
}

TClipboardWatcher::TClipboardWatcher(TComponent* owner, std::function<void()> onChange)
    : TComponent(owner), onChange_(std::move(onChange)) {
  id_ = TThreadSafeClipboard::Instance().AddWatcher([this] {
    if (Enabled && onChange_) onChange_();
  });
}

TClipboardWatcher::~TClipboardWatcher() { TThreadSafeClipboard::Instance().RemoveWatcher(id_); }

}  // namespace corvane::session
