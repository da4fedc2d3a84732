#pragma once
// Customer-side ends of the clipboard, chat and command channels. The listening ends receive what
// the agent's speaking channels send and raise their event on the worker thread; the speaking ends
// send to the agent's receiving channels from the caller's thread.

#include <functional>
#include <string>

#include "session/ClientEnd.h"

namespace corvane::session {

// Announces 18: receives the agent's clipboard text.
class TOLAClientClipboard final : public TOLAClientListeningEnd {
public:
  using TOLAClientListeningEnd::TOLAClientListeningEnd;
  ~TOLAClientClipboard() override;
  TOLAMessageCode ChannelId() const override { return mcChannelSpeakingClipboard; }
  std::function<void(TOLAClientClipboard&, const std::string& AText)> OnClipboardText;

protected:
  void HandleMessage(TOLAMessageCode code) override;
};

// Announces 19: sends the customer's clipboard text (nothing for an empty text).
class TOLAClientSpeakingClipboard final : public TOLAClientSpeakingEnd {
public:
  using TOLAClientSpeakingEnd::TOLAClientSpeakingEnd;
  TOLAMessageCode ChannelId() const override { return mcChannelClipboard; }
  void SendClipboardText(const std::string& text);
};

// Announces 20: receives the agent's chat text.
class TOLAClientChat final : public TOLAClientListeningEnd {
public:
  using TOLAClientListeningEnd::TOLAClientListeningEnd;
  ~TOLAClientChat() override;
  TOLAMessageCode ChannelId() const override { return mcChannelSpeakingChat; }
  std::function<void(TOLAClientChat&, const std::string& AMessage)> OnMessageChat;

protected:
  void HandleMessage(TOLAMessageCode code) override;
};

// Announces 21: sends the customer's chat text (nothing for an empty text).
class TOLAClientSpeakingChat final : public TOLAClientSpeakingEnd {
public:
  using TOLAClientSpeakingEnd::TOLAClientSpeakingEnd;
  TOLAMessageCode ChannelId() const override { return mcChannelChat; }
  void SendText(const std::string& text);
};

// Announces 22: receives the agent's commands.
class TOLAClientCommands final : public TOLAClientListeningEnd {
public:
  using TOLAClientListeningEnd::TOLAClientListeningEnd;
  ~TOLAClientCommands() override;
  TOLAMessageCode ChannelId() const override { return mcChannelSpeakingCommands; }
  std::function<void(TOLAClientCommands&, const std::string& ACommand)> OnCommand;

protected:
  void HandleMessage(TOLAMessageCode code) override;
};

// Announces 23: sends the customer's commands ("." when the customer leaves).
class TOLAClientSpeakingCommands final : public TOLAClientSpeakingEnd {
public:
  using TOLAClientSpeakingEnd::TOLAClientSpeakingEnd;
  TOLAMessageCode ChannelId() const override { return mcChannelCommands; }
  void SendCommand(const std::string& text);
};

}  // namespace corvane::session
