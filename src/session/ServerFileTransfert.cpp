#include "session/ServerFileTransfert.h"

namespace corvane::session {

TOLAServerFileTransfert::TOLAServerFileTransfert(TComponent* owner, base::MainLoop& loop)
    : TOLACustomServer(owner, loop),
      createdTick_(loop.tickCount()),
      receiver_(std::make_unique<TOLAFileReceiver>(*this, loop)) {
  receiver_->OnProgress = [this](TOLAFileTransfertCore& core,
                                 const TOLAFileTransfertProgressInfos& infos) {
    Progress(core, infos);
  };
}

TOLAServerFileTransfert::~TOLAServerFileTransfert() = default;

TOLAFileTransfertProgressInfos TOLAServerFileTransfert::LastProgress() const {
  std::lock_guard lock(mutex_);
  return lastProgress_;
}

void TOLAServerFileTransfert::Progress(TOLAFileTransfertCore&,
                                       const TOLAFileTransfertProgressInfos& infos) {
  std::lock_guard lock(mutex_);
  lastProgress_ = infos;
}

void TOLAServerFileTransfert::HandleMessage(TOLAMessageCode code) { receiver_->HandleMessage(code); }

void TOLAServerFileTransfert::DoDisconnected() {
  try {
    receiver_->Finish();
  } catch (...) {
    TOLACustomServer::DoDisconnected();
    throw;
  }
  TOLACustomServer::DoDisconnected();
}

TOLAIdServerFileTransfert::TOLAIdServerFileTransfert(TComponent* owner, base::MainLoop& loop)
    : TOLAServerFileTransfert(owner, loop) {
  InitIOHandler();
}

TOLAServerFileTransfert* TOLAIdServerFileTransfert::Create(TComponent* owner, base::MainLoop& loop) {
  return new TOLAIdServerFileTransfert(owner, loop);
}

TOLACustomIOHandler* TOLAIdServerFileTransfert::CreateIOHandler() {
  auto* handler = new TOLAIdServerIOHandler(this);
  handler->FreeWithContext = true;
  return handler;
}

void TOLAIdServerFileTransfert::Progress(TOLAFileTransfertCore& core,
                                         const TOLAFileTransfertProgressInfos& infos) {
  TOLAServerFileTransfert::Progress(core, infos);
  RaiseEvent([this] {
    if (OnProgress) OnProgress(*this, LastProgress());
  });
}

}  // namespace corvane::session
