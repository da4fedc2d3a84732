#pragma once
// One file going out from the agent (channel 27), created per file by the sending manager and bound
// to the next connection announcing 27. Its speaking round sends the header, the blocks and the end
// through its sender, then the channel listens until the customer closes the connection; it is
// destroyed when that connection ends. Disconnect is Stop: it cancels the transfer (code 40).
//
// Threads: the round (DoBeforeExecute, Speak, DoAfterExecute), OnConfig and DoDisconnected run on
// the connection's thread; Disconnect/Stop may come from the main thread. OnProgress is raised on
// the main thread with a copy of the record (the lock guards that copy). DirectoryName, OnProgress
// and OnConfig are assigned before the channel is bound.

#include <memory>
#include <mutex>
#include <string>

#include "session/ChannelComponent.h"
#include "session/FileSender.h"
#include "session/FileTransfertEvents.h"

namespace corvane::session {

class TOLAServerSpeakingFileTransfert : public TOLACustomServerSpeaking {
public:
  TOLAServerSpeakingFileTransfert(TComponent* owner, base::MainLoop& loop,
                                  const std::string& fileName);
  ~TOLAServerSpeakingFileTransfert() override;

  TOLAMessageCode ChannelId() const override { return mcChannelSpeakingFileTransfert; }

  // Handed to the sender's Start: the folder's name when the file is a packed folder.
  std::string DirectoryName;
  TOLAFileTransfertProgressionEvent OnProgress;
  TOLAFileTransfertConfigEvent OnConfig;

  const std::string& FileName() const { return fileName_; }
  TOLAFileTransfertProgressInfos LastProgress() const;

  // Cancels the transfer: the round ends at its next turn and code 40 goes out. Before the
  // connection came the stop sticks: the file is never sent, the customer hears code 40 at once.
  void Disconnect() override { Stop(); }
  void DoDisconnected() override;
  void ExecuteStep() override;

protected:
  void DoBeforeExecute() override;
  void Speak() override;
  void DoAfterExecute() override;
  virtual void Progress(TOLAFileTransfertCore& core, const TOLAFileTransfertProgressInfos& infos);
  virtual void DoConfig(TOLAAuthorizedEndOperations& authorized);
  TOLAFileSender& Sender() { return *sender_; }

private:
  const std::string fileName_;
  bool roundStarted_ = false;  // connection thread only
  mutable std::mutex mutex_;
  TOLAFileTransfertProgressInfos lastProgress_;
  std::unique_ptr<TOLAFileSender> sender_;
};

class TOLAIdServerSpeakingFileTransfert final : public TOLAServerSpeakingFileTransfert {
public:
  TOLAIdServerSpeakingFileTransfert(TComponent* owner, base::MainLoop& loop,
                                    const std::string& fileName);
  // The class reference handed to the sending manager.
  static TOLAServerSpeakingFileTransfert* Create(TComponent* owner, base::MainLoop& loop,
                                                 const std::string& fileName);

protected:
  TOLACustomIOHandler* CreateIOHandler() override;
  // A connection that fails while a block goes out ends the round (the transfer is cancelled).
  void Speak() override;
  void Progress(TOLAFileTransfertCore& core, const TOLAFileTransfertProgressInfos& infos) override;
};

}  // namespace corvane::session
