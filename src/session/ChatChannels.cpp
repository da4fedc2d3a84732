#include "session/ChatChannels.h"

#include "session/TextMessages.h"

namespace corvane::session {

void TOLAServerSpeakingChat::SendText(const std::string& text) { WriteChatText(*this, text); }

void TOLAServerSpeakingChat::SendLines(std::vector<std::string>& lines, bool clear) {
  std::string text;
  for (const auto& line : lines) {
    text += line;
    text += "\r\n";
  }
  SendText(text);
  if (clear) lines.clear();
}

std::string TOLAServerChat::LastMessage() const {
  base::ReadLock l(lock_);
  return last_;
}

void TOLAServerChat::HandleMessage(TOLAMessageCode code) {
  if (code == mcChatMessage) MessageReceived(ReadChatText(*this));
}

void TOLAServerChat::MessageReceived(const std::string& text) {
  base::WriteLock l(lock_);
  if (last_ != text) last_ = text;
}

TOLAIdServerSpeakingChat::TOLAIdServerSpeakingChat(TComponent* owner, base::MainLoop& loop)
    : TOLAServerSpeakingChat(owner, loop) {
  InitIOHandler();
}

TOLACustomIOHandler* TOLAIdServerSpeakingChat::CreateIOHandler() {
  return new TOLAIdServerIOHandler(this);
}

TOLAIdServerChat::TOLAIdServerChat(TComponent* owner, base::MainLoop& loop) : TOLAServerChat(owner, loop) {
  InitIOHandler();
}

TOLACustomIOHandler* TOLAIdServerChat::CreateIOHandler() { return new TOLAIdServerIOHandler(this); }

void TOLAIdServerChat::MessageReceived(const std::string& text) {
  TOLAServerChat::MessageReceived(text);
  RaiseEvent([this] {
    const std::string message = LastMessage();
    if (OnMessageChat) OnMessageChat(*this, message);
  });
}

}  // namespace corvane::session
