#pragma once
// The common base of the file sender and receiver: the progress record, the speed measured over
// windows of 15 blocks, and the end of a transfer.
//
// Threads: a sender or receiver runs entirely on the thread of its channel's connection (or the
// customer-side worker); it is never shared. OnProgress runs on that same thread and the channel
// copies the record before handing it to the main thread.

#include <cstdint>
#include <functional>
#include <memory>

#include "base/MainLoop.h"
#include "base/Stream.h"
#include "session/FileTransfertProgressInfos.h"
#include "session/Transport.h"

namespace corvane::session {

class TOLAFileTransfertCore {
public:
  using ProgressCallback =
      std::function<void(TOLAFileTransfertCore&, const TOLAFileTransfertProgressInfos&)>;

  // Blocks per measuring window: the speed is measured from zero again every 15 blocks.
  static constexpr uint32_t kBlocksPerWindow = 15;

  TOLAFileTransfertCore(IOLATransport& channel, base::MainLoop& loop,
                        TOLAFileTransfertDirection direction);
  virtual ~TOLAFileTransfertCore();
  TOLAFileTransfertCore(const TOLAFileTransfertCore&) = delete;
  TOLAFileTransfertCore& operator=(const TOLAFileTransfertCore&) = delete;

  // Set by the owning channel; while empty, progress is neither counted nor reported.
  ProgressCallback OnProgress;

  const TOLAFileTransfertProgressInfos& ProgressInfos() const { return infos_; }

  // Counts n bytes just moved (0 for a plain report), updates the speed and reports.
  virtual void Progress(int64_t n);
  // Ends the transfer: transferred when every byte went through, cancelled otherwise. Final states
  // are kept.
  virtual void Finish();

  uint32_t BlockCounter() const { return blockCounter_; }

protected:
  bool Final() const { return infos_.Status == ftsCancelled || infos_.Status == ftsTransferred; }
  // Counts a block; the fifteenth of a window starts a new window.
  void AfterBlock();
  void ResetWindow();
  IOLATransport& Channel() { return channel_; }
  base::MainLoop& Loop() { return loop_; }

  TOLAFileTransfertProgressInfos infos_;
  std::unique_ptr<base::FileStream> file_;

private:
  IOLATransport& channel_;
  base::MainLoop& loop_;
  uint32_t windowStart_ = 0;
  uint32_t windowBytes_ = 0;
  uint32_t blockCounter_ = 0;
};

}  // namespace corvane::session
