#include "session/ClientListeningFileTransfert.h"

namespace corvane::session {

TOLAClientListeningFileTransfert::TOLAClientListeningFileTransfert(TComponent* owner,
                                                                   base::MainLoop& loop)
    : TOLACustomClientListening(owner, loop),
      receiver_(std::make_unique<TOLAFileReceiver>(*this, loop)) {
  receiver_->OnProgress = [this](TOLAFileTransfertCore&,
                                 const TOLAFileTransfertProgressInfos& infos) { Progress(infos); };
}

TOLAClientListeningFileTransfert::~TOLAClientListeningFileTransfert() { StopAndWait(); }

TOLAFileTransfertProgressInfos TOLAClientListeningFileTransfert::LastProgress() const {
  std::lock_guard lock(mutex_);
  return lastProgress_;
}

void TOLAClientListeningFileTransfert::Progress(const TOLAFileTransfertProgressInfos& infos) {
  {
    std::lock_guard lock(mutex_);
    lastProgress_ = infos;
  }
  Synchronize([this] {
    if (OnProgress) OnProgress(*this, LastProgress());
  });
}

void TOLAClientListeningFileTransfert::DoBeforeExecute() {
  TOLACustomClientListening::DoBeforeExecute();
  receiver_->TempFolder = TempFolder;
}

void TOLAClientListeningFileTransfert::HandleMessage(TOLAMessageCode code) {
  receiver_->HandleMessage(code);
  if (code == mcFileEnd || code == mcFileCancel)
    Disconnect();
  else
    TOLACustomClientListening::HandleMessage(code);
}

void TOLAClientListeningFileTransfert::DoAfterExecute() {
  TOLACustomClientListening::DoAfterExecute();
  receiver_->Finish();
}

}  // namespace corvane::session
