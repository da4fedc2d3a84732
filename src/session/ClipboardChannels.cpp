#include "session/ClipboardChannels.h"

#include "session/SessionLog.h"
#include "session/TextMessages.h"

namespace corvane::session {

// --- receiving ------------------------------------------------------------------------------------

TOLAServerClipboard::~TOLAServerClipboard() {
  if (pairedSender_) pairedSender_->SetServerClipBoardReceiver(nullptr);
}

bool TOLAServerClipboard::ReadJustReceived() const {
  base::ReadLock l(justReceivedLock_);
  return justReceived_;
}

void TOLAServerClipboard::WriteJustReceived(bool value) {
  base::WriteLock l(justReceivedLock_);
  justReceived_ = value;
}

bool TOLAServerClipboard::TakeJustReceived() {
  base::WriteLock l(justReceivedLock_);
  const bool was = justReceived_;
  justReceived_ = false;
  return was;
}

void TOLAServerClipboard::HandleMessage(TOLAMessageCode code) {
  if (code != mcClipboardChange) return;
  if (auto text = ReadClipboardText(*this)) ApplyReceivedText(*text);
}

void TOLAServerClipboard::ApplyReceivedText(const std::string& text) {
  bool flagged = false;
  try {
    // The flag is set only when the clipboard really changes: an unchanged clipboard sends no
    // notification, and a flag left set would swallow the agent's next own copy.
    TThreadSafeClipboard::Instance().SetAsText(text, [&] {
      WriteJustReceived(true);
      flagged = true;
    });
  } catch (...) {
    // Whatever the platform clipboard throws, the text is simply not applied: the clipboard
    // connection, and the session with it, goes on.
    if (flagged) WriteJustReceived(false);  // the write failed: no notification to absorb
    LogSwallowedError("clipboard write");
  }
}

// --- speaking -------------------------------------------------------------------------------------

TOLAServerSpeakingClipboard::TOLAServerSpeakingClipboard(TComponent* owner, base::MainLoop& loop)
    : TOLACustomServer(owner, loop),
      watcher_(new TClipboardWatcher(this, [this] { ClipboardChanged(); })) {}

TOLAServerSpeakingClipboard::~TOLAServerSpeakingClipboard() {
  watcher_->Enabled = false;
  SetServerClipBoardReceiver(nullptr);
}

void TOLAServerSpeakingClipboard::SetServerClipBoardReceiver(TOLAServerClipboard* receiver) {
  if (receiver_) receiver_->pairedSender_ = nullptr;
  receiver_ = receiver;
  if (receiver_) receiver_->pairedSender_ = this;
}

void TOLAServerSpeakingClipboard::ClipboardChanged() {
  // The echo of a text just received is absorbed before the interval rule: a notification dropped
  // by that rule would otherwise leave the flag set to swallow the agent's next real copy.
  if (receiver_ && receiver_->TakeJustReceived()) return;
  const uint32_t now = Loop().tickCount();
  if (now - lastSend_ < kMinSendIntervalMs) return;
  std::string text;
  try {
    auto& clipboard = TThreadSafeClipboard::Instance();
    if (!clipboard.HasFormat(cfText)) return;
    text = clipboard.AsText();
  } catch (...) {
    text.clear();  // an unreadable clipboard sends nothing, whatever it threw
    LogSwallowedError("clipboard read");
  }
  try {
    WriteClipboardText(*this, text);
  } catch (const SessionError&) {
    // The notification comes from the event loop, which has nobody to report to; a dead
    // connection reaches the session through its disconnect handler.
  }
  lastSend_ = Loop().tickCount();
}

// --- TCP-bound classes ----------------------------------------------------------------------------

TOLAIdServerClipboard::TOLAIdServerClipboard(TComponent* owner, base::MainLoop& loop)
    : TOLAServerClipboard(owner, loop) {
  InitIOHandler();
}

TOLACustomIOHandler* TOLAIdServerClipboard::CreateIOHandler() {
  return new TOLAIdServerIOHandler(this);
}

void TOLAIdServerClipboard::ApplyReceivedText(const std::string& text) {
  RaiseEvent([this, &text] { TOLAServerClipboard::ApplyReceivedText(text); });
}

TOLAIdServerSpeakingClipboard::TOLAIdServerSpeakingClipboard(TComponent* owner, base::MainLoop& loop)
    : TOLAServerSpeakingClipboard(owner, loop) {
  InitIOHandler();
}

TOLACustomIOHandler* TOLAIdServerSpeakingClipboard::CreateIOHandler() {
  return new TOLAIdServerIOHandler(this);
}

}  // namespace corvane::session
