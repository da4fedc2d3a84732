#pragma once
// Customer side: the other end of channel 27. Receives one file from the agent on its worker thread
// with a TOLAFileReceiver and disconnects after the end (39) or cancel (40) code. A connection that
// ends before that finishes the receiver, which then reports the transfer as cancelled.
//
// Threads: Connect and the destructor on the main thread; the receiver runs on the worker.
// OnProgress is raised on the main thread (Synchronize) with a copy of the record, which the lock
// guards. TempFolder and OnProgress are set before Connect.

#include <memory>
#include <mutex>
#include <string>

#include "session/ClientComponent.h"
#include "session/FileReceiver.h"
#include "session/FileTransfertEvents.h"

namespace corvane::session {

class TOLAClientListeningFileTransfert final : public TOLACustomClientListening {
public:
  TOLAClientListeningFileTransfert(TComponent* owner, base::MainLoop& loop);
  ~TOLAClientListeningFileTransfert() override;

  TOLAMessageCode ChannelId() const override { return mcChannelSpeakingFileTransfert; }

  // Where the received file is written; empty means the system's temporary folder.
  std::string TempFolder;
  TOLAFileTransfertProgressionEvent OnProgress;

  TOLAFileTransfertProgressInfos LastProgress() const;

protected:
  void DoBeforeExecute() override;
  void HandleMessage(TOLAMessageCode code) override;
  void DoAfterExecute() override;

private:
  void Progress(const TOLAFileTransfertProgressInfos& infos);

  std::unique_ptr<TOLAFileReceiver> receiver_;
  mutable std::mutex mutex_;  // guards lastProgress_
  TOLAFileTransfertProgressInfos lastProgress_;
};

}  // namespace corvane::session
