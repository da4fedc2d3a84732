#pragma once
// The process-wide guarded clipboard shared by the two clipboard channels of every session, and
// the watcher through which a channel hears of clipboard changes.
//
// Threads: every access to the system clipboard goes through lock_ (reads shared, writes
// exclusive). Installing the system clipboard and the watchers' notifications belong to the main
// thread; watchersMutex_ guards the list of watchers, which are added and removed on the main
// thread and called there without the mutex held.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "base/ReadWriteLock.h"
#include "session/Component.h"
#include "session/SystemClipboard.h"

namespace corvane::session {

// Clipboard formats the channels ask about; only text is ever exchanged.
enum TClipboardFormat : uint32_t { cfText = 1 };

class TThreadSafeClipboard {
public:
  // The one instance, created on first use and destroyed when the program ends.
  static TThreadSafeClipboard& Instance();

  // Main thread: the clipboard to use from now on; nullptr for none (then it holds nothing and
  // writes are dropped).
  void SetSystemClipboard(std::shared_ptr<ISystemClipboard> clipboard);

  // The operations throw what the system clipboard throws (ClipboardError).
  virtual void Clear();
  bool HasFormat(TClipboardFormat format) const;
  std::string AsText() const;
  // Does nothing when the clipboard already holds exactly this text and returns false. Otherwise
  // runs beforeWrite (under the lock, so that no other access slips in between) and replaces the
  // clipboard's content with text.
  bool SetAsText(std::string_view text, const std::function<void()>& beforeWrite = {});

  // Main thread: notify is called on the main thread after each change of the clipboard.
  using WatcherId = uint64_t;
  WatcherId AddWatcher(std::function<void()> notify);
  void RemoveWatcher(WatcherId id);

  virtual ~TThreadSafeClipboard() = default;

private:
  TThreadSafeClipboard() = default;
  void NotifyWatchers();

  mutable base::ReadWriteLock lock_;
  std::shared_ptr<ISystemClipboard> clipboard_;

  std::mutex watchersMutex_;
  std::vector<std::pair<WatcherId, std::shared_ptr<std::function<void()>>>> watchers_;
  WatcherId nextWatcher_ = 1;
};

// A component that calls OnChange on the main thread whenever the clipboard's content changes,
// while Enabled. Main thread only.
class TClipboardWatcher final : public TComponent {
public:
  TClipboardWatcher(TComponent* owner, std::function<void()> onChange);
  ~TClipboardWatcher() override;
  bool Enabled = true;

private:
  TThreadSafeClipboard::WatcherId id_;
  std::function<void()> onChange_;
};

}  // namespace corvane::session
