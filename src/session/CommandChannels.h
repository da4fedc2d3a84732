#pragma once
// The two command channels: TOLAServerSpeakingCommands (identifier 22) sends the agent's commands
// ("." closes the session, "NEWID" and an identifier gives the customer a new identifier),
// TOLAServerCommands (identifier 23) receives the customer's and raises OnCommand. A command is
// one text line.
//
// Threads: sends run on the main thread, the only writer on their connection. The receiving
// channel stores the command on its connection's thread and TOLAIdServerCommands raises the event
// on the main thread with the command read under lock_, which guards the last command.

#include <functional>
#include <string>

#include "base/ReadWriteLock.h"
#include "session/ChannelComponent.h"

namespace corvane::session {

class TOLAServerSpeakingCommands : public TOLACustomServer {
public:
  using TOLACustomServer::TOLACustomServer;

  TOLAMessageCode ChannelId() const override { return mcChannelSpeakingCommands; }

  // One command; an empty one goes out as an empty line. Unbound: dropped. A text holding a line
  // break or longer than the line limit throws SendTextError; a write error propagates.
  void SendCommand(const std::string& text);
};

class TOLAServerCommands : public TOLACustomServer {
public:
  using TOLACustomServer::TOLACustomServer;

  TOLAMessageCode ChannelId() const override { return mcChannelCommands; }

  std::string LastCommand() const;
  std::function<void(TOLAServerCommands&, const std::string& ACommand)> OnCommand;

  void HandleMessage(TOLAMessageCode code) override;

protected:
  // Stores text as the last command if it differs.
  virtual void MessageReceived(const std::string& text);

private:
  mutable base::ReadWriteLock lock_;
  std::string last_;
};

class TOLAIdServerSpeakingCommands final : public TOLAServerSpeakingCommands {
public:
  TOLAIdServerSpeakingCommands(TComponent* owner, base::MainLoop& loop);

protected:
  TOLACustomIOHandler* CreateIOHandler() override;
};

class TOLAIdServerCommands final : public TOLAServerCommands {
public:
  TOLAIdServerCommands(TComponent* owner, base::MainLoop& loop);

protected:
  TOLACustomIOHandler* CreateIOHandler() override;
  // Raises OnCommand whether or not the command changed.
  void MessageReceived(const std::string& text) override;
};

}  // namespace corvane::session
