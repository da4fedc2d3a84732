#pragma once
// Customer side: the other end of channel 26. Sends one file to the agent from its worker thread
// with a TOLAFileSender (header, blocks, end), then disconnects. It can be paused and resumed.
//
// Threads: Connect, Pause, Resume and the destructor on the main thread; the sender runs on the
// worker. OnProgress is raised on the main thread (Synchronize) with a copy of the record, which
// the lock guards. FileName, DirectoryName and OnProgress are set before Connect.

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

#include "session/ClientComponent.h"
#include "session/FileSender.h"
#include "session/FileTransfertEvents.h"

namespace corvane::session {

class TOLAClientFileTransfert final : public TOLACustomClientThreaded {
public:
  TOLAClientFileTransfert(TComponent* owner, base::MainLoop& loop, const std::string& fileName);
  ~TOLAClientFileTransfert() override;

  TOLAMessageCode ChannelId() const override { return mcChannelFileTransfert; }

  std::string DirectoryName;
  TOLAFileTransfertProgressionEvent OnProgress;

  const std::string& FileName() const { return fileName_; }
  TOLAFileTransfertProgressInfos LastProgress() const;

  // Holds the worker between two blocks, and lets it go on.
  void Pause();
  void Resume();

protected:
  void DoBeforeExecute() override;
  void Execute() override;
  void DoAfterExecute() override;
  void StopThread() override;

private:
  void Progress(const TOLAFileTransfertProgressInfos& infos);

  const std::string fileName_;
  std::unique_ptr<TOLAFileSender> sender_;
  mutable std::mutex mutex_;  // guards lastProgress_, paused_, stopping_
  std::condition_variable resumed_;
  TOLAFileTransfertProgressInfos lastProgress_;
  bool paused_ = false;
  bool stopping_ = false;
};

}  // namespace corvane::session
