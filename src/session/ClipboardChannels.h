#pragma once
// The two clipboard channels. TOLAServerClipboard (identifier 19) puts the customer's clipboard
// text on the local clipboard; TOLAServerSpeakingClipboard (identifier 18) sends the local
// clipboard text whenever it changes, at most one change per 250 ms, and absorbs the change its
// paired receiving channel has just made, so that a received text is not echoed back.
//
// Threads: the receiving channel reads on its connection's thread; TOLAIdServerClipboard writes
// the received text on the main thread (desktop clipboards belong to it), handed over like an
// event. The speaking channel runs on the main thread only (watcher notifications, pairing).
// justReceivedLock_ guards the just-received flag, set on either thread and taken on the main
// thread.

#include <cstdint>
#include <string>

#include "base/ReadWriteLock.h"
#include "session/ChannelComponent.h"
#include "session/ThreadSafeClipboard.h"

namespace corvane::session {

class TOLAServerSpeakingClipboard;

class TOLAServerClipboard : public TOLACustomServer {
public:
  using TOLACustomServer::TOLACustomServer;
  ~TOLAServerClipboard() override;

  TOLAMessageCode ChannelId() const override { return mcChannelClipboard; }
  void HandleMessage(TOLAMessageCode code) override;

  bool ReadJustReceived() const;
  void WriteJustReceived(bool value);
  // Reads and clears the flag in one locked operation.
  bool TakeJustReceived();

protected:
  // Puts text on the clipboard, setting the just-received flag when it is really written, and
  // swallows clipboard errors.
  virtual void ApplyReceivedText(const std::string& text);

private:
  friend class TOLAServerSpeakingClipboard;
  mutable base::ReadWriteLock justReceivedLock_;
  bool justReceived_ = false;
  TOLAServerSpeakingClipboard* pairedSender_ = nullptr;  // main thread
};

class TOLAServerSpeakingClipboard : public TOLACustomServer {
public:
  // Changes closer together than this to the last handled one are dropped.
  static constexpr uint32_t kMinSendIntervalMs = 250;

  TOLAServerSpeakingClipboard(TComponent* owner, base::MainLoop& loop);
  ~TOLAServerSpeakingClipboard() override;

  TOLAMessageCode ChannelId() const override { return mcChannelSpeakingClipboard; }

  // The paired receiving channel; cleared when that channel is destroyed.
  TOLAServerClipboard* ServerClipBoardReceiver() const { return receiver_; }
  void SetServerClipBoardReceiver(TOLAServerClipboard* receiver);

  // The watcher's notification: sends the clipboard text if due.
  void ClipboardChanged();

private:
  TClipboardWatcher* watcher_;  // owned as a sub-component
  TOLAServerClipboard* receiver_ = nullptr;
  uint32_t lastSend_ = 0;
};

class TOLAIdServerClipboard final : public TOLAServerClipboard {
public:
  TOLAIdServerClipboard(TComponent* owner, base::MainLoop& loop);

protected:
  TOLACustomIOHandler* CreateIOHandler() override;
  void ApplyReceivedText(const std::string& text) override;
};

class TOLAIdServerSpeakingClipboard final : public TOLAServerSpeakingClipboard {
public:
  TOLAIdServerSpeakingClipboard(TComponent* owner, base::MainLoop& loop);

protected:
  TOLACustomIOHandler* CreateIOHandler() override;
};

}  // namespace corvane::session
