#pragma once
// The two chat channels: TOLAServerSpeakingChat (identifier 20) sends the agent's chat text,
// TOLAServerChat (identifier 21) receives the customer's and raises OnMessageChat.
//
// Threads: sends run on the main thread, the only writer on their connection. The receiving
// channel stores the text on its connection's thread and TOLAIdServerChat raises the event on the
// main thread with the text read under lock_, which guards the last text.

#include <functional>
#include <string>
#include <vector>

#include "base/ReadWriteLock.h"
#include "session/ChannelComponent.h"

namespace corvane::session {

class TOLAServerSpeakingChat : public TOLACustomServer {
public:
  using TOLACustomServer::TOLACustomServer;

  TOLAMessageCode ChannelId() const override { return mcChannelSpeakingChat; }

  // One chat message; nothing for an empty text. Unbound: dropped. A write error propagates.
  void SendText(const std::string& text);
  // The lines, each followed by CR LF, as one message; empties lines when clear is true and the
  // send succeeded.
  void SendLines(std::vector<std::string>& lines, bool clear);
};

class TOLAServerChat : public TOLACustomServer {
public:
  using TOLACustomServer::TOLACustomServer;

  TOLAMessageCode ChannelId() const override { return mcChannelChat; }

  std::string LastMessage() const;
  std::function<void(TOLAServerChat&, const std::string& AMessage)> OnMessageChat;

  void HandleMessage(TOLAMessageCode code) override;

protected:
  // Stores text as the last text if it differs.
  virtual void MessageReceived(const std::string& text);

private:
  mutable base::ReadWriteLock lock_;
  std::string last_;
};

class TOLAIdServerSpeakingChat final : public TOLAServerSpeakingChat {
public:
  TOLAIdServerSpeakingChat(TComponent* owner, base::MainLoop& loop);

protected:
  TOLACustomIOHandler* CreateIOHandler() override;
};

class TOLAIdServerChat final : public TOLAServerChat {
public:
  TOLAIdServerChat(TComponent* owner, base::MainLoop& loop);

protected:
  TOLACustomIOHandler* CreateIOHandler() override;
  // Raises OnMessageChat whether or not the text changed.
  void MessageReceived(const std::string& text) override;
};

}  // namespace corvane::session
