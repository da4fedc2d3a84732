#include "session/ClientFileTransfert.h"

namespace corvane::session {

TOLAClientFileTransfert::TOLAClientFileTransfert(TComponent* owner, base::MainLoop& loop,
                                                 const std::string& fileName)
    : TOLACustomClientThreaded(owner, loop),
      fileName_(fileName),
      sender_(std::make_unique<TOLAFileSender>(*this, loop, fileName)) {
  sender_->OnProgress = [this](TOLAFileTransfertCore&, const TOLAFileTransfertProgressInfos& infos) {
    Progress(infos);
  };
  sender_->OnFinished = [this](TOLAFileSender&) { Disconnect(); };
}

TOLAClientFileTransfert::~TOLAClientFileTransfert() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  resumed_.notify_all();
  StopAndWait();
}

TOLAFileTransfertProgressInfos TOLAClientFileTransfert::LastProgress() const {
  std::lock_guard lock(mutex_);
  return lastProgress_;
}

void TOLAClientFileTransfert::Progress(const TOLAFileTransfertProgressInfos& infos) {
  {
    std::lock_guard lock(mutex_);
    lastProgress_ = infos;
  }
  Synchronize([this] {
    if (OnProgress) OnProgress(*this, LastProgress());
  });
}

void TOLAClientFileTransfert::Pause() {
  std::lock_guard lock(mutex_);
  paused_ = true;
}

void TOLAClientFileTransfert::Resume() {
  {
    std::lock_guard lock(mutex_);
    paused_ = false;
  }
  resumed_.notify_all();
}

void TOLAClientFileTransfert::StopThread() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  resumed_.notify_all();
  TOLACustomClientThreaded::StopThread();
}

void TOLAClientFileTransfert::DoBeforeExecute() {
  TOLACustomClientThreaded::DoBeforeExecute();
  sender_->SetAuthorizations(AuthorizationBit(aeoCanSave) | AuthorizationBit(aeoCanExecute));
  sender_->Start(DirectoryName);
}

void TOLAClientFileTransfert::Execute() {
  {
    std::unique_lock lock(mutex_);
    resumed_.wait(lock, [this] { return !paused_ || stopping_; });
    if (stopping_) return;
  }
  sender_->SendNextBlock();
}

void TOLAClientFileTransfert::DoAfterExecute() {
  TOLACustomClientThreaded::DoAfterExecute();
  sender_->Finish();
}

}  // namespace corvane::session
