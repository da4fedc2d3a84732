#pragma once
// The desktop clipboard as the session channels see it: text read, text write, whether it holds
// text, and a notification after each change of its content. The user interface installs the
// desktop's implementation; tests use InMemoryClipboard.
//
// Threads: implementations are called from the main thread by TThreadSafeClipboard (which adds the
// process-wide lock) and deliver the change notification on the main thread.

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "base/MainLoop.h"
#include "session/SessionError.h"

namespace corvane::session {

// The clipboard could not be read or written.
class ClipboardError : public SessionError {
public:
  using SessionError::SessionError;
};

class ISystemClipboard {
public:
  virtual ~ISystemClipboard() = default;
  virtual bool HasText() const = 0;
  // UTF-8; empty when the clipboard holds no text. Throws ClipboardError.
  virtual std::string Text() const = 0;
  // Replaces the clipboard's content. Throws ClipboardError.
  virtual void SetText(std::string_view utf8) = 0;
  virtual void Clear() = 0;
  // handler runs on the main thread after each change, also changes made through SetText.
  virtual void SetChangeHandler(std::function<void()> handler) = 0;
};

// A clipboard held in memory. Each change posts its notification to the main loop, as a desktop
// clipboard delivers it later from its event loop. Thread-safe.
class InMemoryClipboard final : public ISystemClipboard {
public:
  explicit InMemoryClipboard(base::MainLoop& loop);
  ~InMemoryClipboard() override;

  bool HasText() const override;
  std::string Text() const override;
  void SetText(std::string_view utf8) override;
  void Clear() override;
  void SetChangeHandler(std::function<void()> handler) override;

  // Puts a picture on the clipboard: it then holds no text.
  void SetImageOnly();
  // Makes every access fail with ClipboardError, as a clipboard held by another program does.
  std::atomic<bool> Failing{false};
  // Number of writes (SetText, Clear, SetImageOnly) and of accesses refused while Failing.
  int WriteCount() const;
  int FailedAccesses() const { return failed_.load(); }

private:
  void Changed();  // called with mutex_ held
  void CheckAccess() const;

  base::MainLoop& loop_;
  mutable std::mutex mutex_;
  std::string text_;
  bool hasText_ = false;
  int writes_ = 0;
  mutable std::atomic<int> failed_{0};
  std::shared_ptr<std::function<void()>> handler_;  // shared with pending notifications
};

}  // namespace corvane::session
