#pragma once
// One file coming in to the agent (channel 26), created per accepted request by the receiving
// manager and bound to the next connection announcing 26. Its receiver writes the file into a
// temporary file; the channel is destroyed when its connection ends.
//
// Threads: HandleMessage, DoDisconnected and the receiver run on the connection's thread.
// OnProgress is raised on the main thread with a copy of the record (the lock guards that copy);
// it is assigned before the channel is bound, or on the main thread.

#include <memory>
#include <mutex>

#include "session/ChannelComponent.h"
#include "session/FileReceiver.h"
#include "session/FileTransfertEvents.h"

namespace corvane::session {

class TOLAServerFileTransfert : public TOLACustomServer {
public:
  TOLAServerFileTransfert(TComponent* owner, base::MainLoop& loop);
  ~TOLAServerFileTransfert() override;

  TOLAMessageCode ChannelId() const override { return mcChannelFileTransfert; }

  TOLAFileTransfertProgressionEvent OnProgress;

  TOLAFileTransfertProgressInfos LastProgress() const;
  // The main loop's tick when the transfer was accepted.
  uint32_t CreatedTick() const { return createdTick_; }
  // Connection thread only (or before binding).
  TOLAFileReceiver& Receiver() { return *receiver_; }

  void HandleMessage(TOLAMessageCode code) override;
  // Finishes the receiver: a transfer cut short ends as cancelled.
  void DoDisconnected() override;

protected:
  // Copies the record; the Id class raises OnProgress with the copy.
  virtual void Progress(TOLAFileTransfertCore& core, const TOLAFileTransfertProgressInfos& infos);

private:
  const uint32_t createdTick_;
  mutable std::mutex mutex_;
  TOLAFileTransfertProgressInfos lastProgress_;
  std::unique_ptr<TOLAFileReceiver> receiver_;
};

class TOLAIdServerFileTransfert final : public TOLAServerFileTransfert {
public:
  TOLAIdServerFileTransfert(TComponent* owner, base::MainLoop& loop);
  // The class reference handed to the receiving manager.
  static TOLAServerFileTransfert* Create(TComponent* owner, base::MainLoop& loop);

protected:
  TOLACustomIOHandler* CreateIOHandler() override;
  void Progress(TOLAFileTransfertCore& core, const TOLAFileTransfertProgressInfos& infos) override;
};

}  // namespace corvane::session
