#include "session/ChannelComponent.h"

#include "session/SessionError.h"

namespace corvane::session {

TOLABaseComponent::TOLABaseComponent(TComponent* owner, base::MainLoop& loop)
    : TComponent(owner), loop_(loop) {}

TOLABaseComponent::~TOLABaseComponent() = default;

void TOLABaseComponent::InitIOHandler() { ioHandler_ = CreateIOHandler(); }

void TOLABaseComponent::DoConnected() { connectedFlag_ = true; }

void TOLABaseComponent::DoDisconnected() {
  if (connectedFlag_ && OnDisconnected) OnDisconnected(*this);
  connectedFlag_ = false;
}

void TOLABaseComponent::Disconnect() {
  if (ioHandler_) ioHandler_->Disconnect();
}

bool TOLABaseComponent::Connected() { return ioHandler_ && ioHandler_->Connected(); }

TOLAMessageCode TOLABaseComponent::ReadMessageCode(int timeout) {
  return ioHandler_->ReadMessageCode(timeout);
}
int32_t TOLABaseComponent::ReadInteger() { return ioHandler_->ReadInteger(); }
uint16_t TOLABaseComponent::ReadWord() { return ioHandler_->ReadWord(); }
uint8_t TOLABaseComponent::ReadByte() { return ioHandler_->ReadByte(); }
uint32_t TOLABaseComponent::ReadCardinal() { return ioHandler_->ReadCardinal(); }
void TOLABaseComponent::ReadComponent(TOLAStreamable& record) { ioHandler_->ReadComponent(record); }
void TOLABaseComponent::ReadStream(base::Stream& stream, int64_t size) {
  ioHandler_->ReadStream(stream, size);
}
std::string TOLABaseComponent::ReadLn() { return ioHandler_->ReadLn(); }
void TOLABaseComponent::WriteMessageCode(TOLAMessageCode code) { ioHandler_->WriteMessageCode(code); }
void TOLABaseComponent::WriteInteger(int32_t value) { ioHandler_->WriteInteger(value); }
void TOLABaseComponent::WriteWord(uint16_t value) { ioHandler_->WriteWord(value); }
void TOLABaseComponent::WriteByte(uint8_t value) { ioHandler_->WriteByte(value); }
void TOLABaseComponent::WriteCardinal(uint32_t value) { ioHandler_->WriteCardinal(value); }
void TOLABaseComponent::WriteComponent(const TOLAStreamable& record) {
  ioHandler_->WriteComponent(record);
}
void TOLABaseComponent::WriteStream(base::Stream& stream, int64_t size, bool writeSize,
                                    bool fromStart) {
  ioHandler_->WriteStream(stream, size, writeSize, fromStart);
}
void TOLABaseComponent::WriteLn(std::string_view text) { ioHandler_->WriteLn(text); }

// --- server -------------------------------------------------------------------------------------

bool TOLACustomServer::AcceptChannel(TOLAMessageCode code) {
  if (code != ChannelId()) return false;
  accepted_.store(true);
  return true;
}

void TOLACustomServer::Disconnect() {
  if (IOHandler()) IOHandler()->Disconnect();
}

void TOLACustomServer::ListenStep() {
  const TOLAMessageCode code = ReadMessageCode(kNoTimeLimit);
  if (code == mcDisconnect)
    Disconnect();
  else
    HandleMessage(code);
}

void TOLACustomServer::ExecuteStep() { ListenStep(); }

bool TOLACustomServer::RaiseEvent(const std::function<void()>& fn) {
  if (!SynchronizeEvents()) return false;
  auto* handler = dynamic_cast<TOLAIdServerIOHandler*>(IOHandler());
  if (!handler || handler->ContextThread() == std::thread::id()) return false;
  return Loop().invoke(fn);
}

// --- speaking server ------------------------------------------------------------------------------

void TOLACustomServerSpeaking::DoBeforeExecute() {
  // The stopped flag is clear here (ExecuteStep starts a round only then) and is not cleared again:
  // a Stop from another thread in the meantime must end the round, not be lost.
  if (BeforeExecute) BeforeExecute(*this);
}

void TOLACustomServerSpeaking::DoAfterExecute() {
  if (AfterExecute) AfterExecute(*this);
}

void TOLACustomServerSpeaking::ExecuteStep() {
  if (!stopped_.load()) {
    DoBeforeExecute();
    try {
      while (!stopped_.load()) {
        if (!Connected()) break;
        try {
          Speak();
        } catch (const AbortError&) {
          break;
        }
      }
    } catch (...) {
      stopped_.store(true);
      DoAfterExecute();
      throw;
    }
    stopped_.store(true);
    DoAfterExecute();
  }
  switch (AfterExecuteAction.load()) {
    case aeaLoop:
      stopped_.store(false);
      break;
    case aeaListenMessage:
      ListenStep();
      break;
    case aeaDisconnect:
      Disconnect();
      break;
  }
}

// --- binding --------------------------------------------------------------------------------------

void ExecuteSessionConnection(TOLAIdContext& context, TComponent& owner) {
  if (TOLACustomServer* channel = context.Channel()) {
    channel->ExecuteStep();
    return;
  }
  auto line = context.Connection().ReadLine(kConnectionTimeLimit, kMaxLineLength);
  const TOLAMessageCode code = line ? MessageCodeFromLine(*line) : mcEmpty;
  owner.FindComponent([&](TComponent& c) {
    auto* channel = dynamic_cast<TOLACustomServer*>(&c);
    if (!channel || channel->Accepted() || !channel->AcceptChannel(code)) return false;
    if (auto* handler = dynamic_cast<TOLAIdServerIOHandler*>(channel->IOHandler()))
      handler->Bind(&context);
    return true;
  });
}

}  // namespace corvane::session
