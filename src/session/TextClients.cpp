#include "session/TextClients.h"

#include "session/TextMessages.h"

namespace corvane::session {

TOLAClientClipboard::~TOLAClientClipboard() { StopAndWait(); }

void TOLAClientClipboard::HandleMessage(TOLAMessageCode code) {
  if (code != mcClipboardChange) return TOLAClientListeningEnd::HandleMessage(code);
  auto text = ReadClipboardText(*this);
  if (text && OnClipboardText) OnClipboardText(*this, *text);
}

void TOLAClientSpeakingClipboard::SendClipboardText(const std::string& text) {
  std::lock_guard lock(sendMutex_);
  WriteClipboardText(*this, text);
}

TOLAClientChat::~TOLAClientChat() { StopAndWait(); }

void TOLAClientChat::HandleMessage(TOLAMessageCode code) {
  if (code != mcChatMessage) return TOLAClientListeningEnd::HandleMessage(code);
  const std::string text = ReadChatText(*this);
  if (OnMessageChat) OnMessageChat(*this, text);
}

void TOLAClientSpeakingChat::SendText(const std::string& text) {
  std::lock_guard lock(sendMutex_);
  WriteChatText(*this, text);
}

TOLAClientCommands::~TOLAClientCommands() { StopAndWait(); }

void TOLAClientCommands::HandleMessage(TOLAMessageCode code) {
  if (code != mcCommand) return TOLAClientListeningEnd::HandleMessage(code);
  const std::string text = ReadCommandText(*this);
  if (OnCommand) OnCommand(*this, text);
}

void TOLAClientSpeakingCommands::SendCommand(const std::string& text) {
  std::lock_guard lock(sendMutex_);
  WriteCommandText(*this, text);
}

}  // namespace corvane::session
