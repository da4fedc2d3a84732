#include "session/CommandChannels.h"

#include "session/TextMessages.h"

namespace corvane::session {

void TOLAServerSpeakingCommands::SendCommand(const std::string& text) {
  WriteCommandText(*this, text);
}

std::string TOLAServerCommands::LastCommand() const {
  base::ReadLock l(lock_);
  return last_;
}

void TOLAServerCommands::HandleMessage(TOLAMessageCode code) {
  if (code == mcCommand) MessageReceived(ReadCommandText(*this));
}

void TOLAServerCommands::MessageReceived(const std::string& text) {
  base::WriteLock l(lock_);
  if (last_ != text) last_ = text;
}

TOLAIdServerSpeakingCommands::TOLAIdServerSpeakingCommands(TComponent* owner, base::MainLoop& loop)
    : TOLAServerSpeakingCommands(owner, loop) {
  InitIOHandler();
}

TOLACustomIOHandler* TOLAIdServerSpeakingCommands::CreateIOHandler() {
  return new TOLAIdServerIOHandler(this);
}

TOLAIdServerCommands::TOLAIdServerCommands(TComponent* owner, base::MainLoop& loop)
    : TOLAServerCommands(owner, loop) {
  InitIOHandler();
}

TOLACustomIOHandler* TOLAIdServerCommands::CreateIOHandler() { return new TOLAIdServerIOHandler(this); }

void TOLAIdServerCommands::MessageReceived(const std::string& text) {
  TOLAServerCommands::MessageReceived(text);
  RaiseEvent([this] {
    const std::string command = LastCommand();
    if (OnCommand) OnCommand(*this, command);
  });
}

}  // namespace corvane::session
