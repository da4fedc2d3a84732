#include "session/ServerSpeakingFileTransfert.h"

#include "session/SessionError.h"

namespace corvane::session {

TOLAServerSpeakingFileTransfert::TOLAServerSpeakingFileTransfert(TComponent* owner,
                                                                 base::MainLoop& loop,
                                                                 const std::string& fileName)
    : TOLACustomServerSpeaking(owner, loop),
      fileName_(fileName),
      sender_(std::make_unique<TOLAFileSender>(*this, loop, fileName)) {
  sender_->OnProgress = [this](TOLAFileTransfertCore& core,
                               const TOLAFileTransfertProgressInfos& infos) {
    Progress(core, infos);
  };
  sender_->OnFinished = [this](TOLAFileSender&) { Stop(); };
  // A round that is skipped because the transfer was stopped before it began must not loop back
  // (which clears the stop) but listen, as after a finished round.
  AfterExecuteAction = aeaListenMessage;
}

TOLAServerSpeakingFileTransfert::~TOLAServerSpeakingFileTransfert() = default;

TOLAFileTransfertProgressInfos TOLAServerSpeakingFileTransfert::LastProgress() const {
  std::lock_guard lock(mutex_);
  return lastProgress_;
}

void TOLAServerSpeakingFileTransfert::Progress(TOLAFileTransfertCore&,
                                               const TOLAFileTransfertProgressInfos& infos) {
  std::lock_guard lock(mutex_);
  lastProgress_ = infos;
}

void TOLAServerSpeakingFileTransfert::DoConfig(TOLAAuthorizedEndOperations& authorized) {
  if (OnConfig) OnConfig(*this, authorized);
}

void TOLAServerSpeakingFileTransfert::ExecuteStep() {
  if (!roundStarted_ && Stopped()) {
    // Cancelled before its round began: end as cancelled without opening the file.
    roundStarted_ = true;
    sender_->Cancel(DirectoryName);
  }
  TOLACustomServerSpeaking::ExecuteStep();
}

void TOLAServerSpeakingFileTransfert::DoBeforeExecute() {
  roundStarted_ = true;
  TOLACustomServerSpeaking::DoBeforeExecute();
  AfterExecuteAction = aeaListenMessage;
  TOLAAuthorizedEndOperations authorized =
      AuthorizationBit(aeoCanSave) | AuthorizationBit(aeoCanExecute);
  DoConfig(authorized);
  sender_->SetAuthorizations(authorized);
  try {
    sender_->Start(DirectoryName);
  } catch (...) {
    // The file could not be opened or announced: end the transfer as cancelled, and say so.
    try {
      sender_->Finish();
    } catch (...) {
    }
    throw;
  }
}

void TOLAServerSpeakingFileTransfert::Speak() { sender_->SendNextBlock(); }

void TOLAServerSpeakingFileTransfert::DoAfterExecute() {
  TOLACustomServerSpeaking::DoAfterExecute();
  // Finish reports the final state once and clears the sender's progress callback, so no progress
  // event follows.
  sender_->Finish();
}

void TOLAServerSpeakingFileTransfert::DoDisconnected() {
  TOLACustomServerSpeaking::DoDisconnected();
  Stop();
}

TOLAIdServerSpeakingFileTransfert::TOLAIdServerSpeakingFileTransfert(TComponent* owner,
                                                                     base::MainLoop& loop,
                                                                     const std::string& fileName)
    : TOLAServerSpeakingFileTransfert(owner, loop, fileName) {
  InitIOHandler();
}

TOLAServerSpeakingFileTransfert* TOLAIdServerSpeakingFileTransfert::Create(
    TComponent* owner, base::MainLoop& loop, const std::string& fileName) {
  return new TOLAIdServerSpeakingFileTransfert(owner, loop, fileName);
}

TOLACustomIOHandler* TOLAIdServerSpeakingFileTransfert::CreateIOHandler() {
  auto* handler = new TOLAIdServerIOHandler(this);
  handler->FreeWithContext = true;
  return handler;
}

void TOLAIdServerSpeakingFileTransfert::Speak() {
  try {
    TOLAServerSpeakingFileTransfert::Speak();
  } catch (const ConnectionClosedError&) {
    Disconnect();
  } catch (const ReadTimeoutError&) {
    Disconnect();
  }
}

void TOLAIdServerSpeakingFileTransfert::Progress(TOLAFileTransfertCore& core,
                                                 const TOLAFileTransfertProgressInfos& infos) {
  TOLAServerSpeakingFileTransfert::Progress(core, infos);
  RaiseEvent([this] {
    if (OnProgress) OnProgress(*this, LastProgress());
  });
}

}  // namespace corvane::session
