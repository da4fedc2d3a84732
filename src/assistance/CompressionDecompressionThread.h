#pragma once
// Packs a folder into an archive (mode 0) or unpacks an archive into a folder (mode 1) on a worker
// thread, with the progress dialog's values kept in a ProgressionDialogModel.
//
// Threads: construction, Start, the dialog model and every event belong to the main thread. The
// worker stores its latest report under reportMutex_ and posts one flush to the main thread while
// none is pending (it never waits for the main thread). Terminate may be called from any thread;
// the worker notices it at its next report and ends as aborted. With FreeOnTerminate (the
// default) the object deletes itself on the main thread after OnTerminate. Its list may instead
// stop it (CompressionThreadList::StopAll): the worker is then joined at once and nothing of it
// reaches the main thread any more (no report, no OnTerminate).

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "assistance/CompressionThreadList.h"
#include "assistance/ProgressionDialogModel.h"
#include "base/MainLoop.h"

namespace corvane::assistance {

class TCompressionDecompressionThread {
public:
  enum Mode { Pack = 0, Unpack = 1 };

  // source and destination: the folder and the archive to make (Pack), or the archive and the
  // folder to fill (Unpack). list, when given, holds the thread while it exists.
  TCompressionDecompressionThread(base::MainLoop& loop, Mode mode, std::string source,
                                  std::string destination, CompressionThreadList* list = nullptr);
  // Asks the worker to terminate and waits for it, serving the main loop meanwhile; what the
  // worker posted and did not run yet is dropped.
  ~TCompressionDecompressionThread();
  TCompressionDecompressionThread(const TCompressionDecompressionThread&) = delete;
  TCompressionDecompressionThread& operator=(const TCompressionDecompressionThread&) = delete;

  bool FreeOnTerminate = true;
  // Main thread, after the work ended and the dialog was hidden: see Aborted and ErrorMessage.
  std::function<void(TCompressionDecompressionThread&)> OnTerminate;
  // Main thread: the dialog's values changed (a window redraws).
  std::function<void(TCompressionDecompressionThread&)> OnDialogChange;

  // Sets the dialog caption, shows it and starts the worker. Main thread, once.
  void Start();
  // Any thread: stop at the next progress report (also bound to Escape in the dialog).
  void Terminate() { terminated_.store(true); }
  bool Terminated() const { return terminated_.load(); }

  Mode GetMode() const { return mode_; }
  const std::string& Source() const { return source_; }
  const std::string& Destination() const { return destination_; }
  // Valid once the work ended (in OnTerminate and after).
  bool Finished() const { return finished_.load(); }
  bool Aborted() const { return aborted_; }
  const std::string& ErrorMessage() const { return error_; }

  ProgressionDialogModel& Dialog() { return dialog_; }

private:
  friend class CompressionThreadList;
  class Reporter;
  struct PendingReport {
    std::string title;
    bool newFile = false;
    int64_t done = 0;
    int64_t total = 0;
    bool flushPosted = false;
  };
  void Run();
  void FlushReport();
  // Main thread: drops what the worker posted, asks it to terminate and joins it.
  void StopAndJoin();

  base::MainLoop& loop_;
  const Mode mode_;
  const std::string source_;
  const std::string destination_;
  CompressionThreadList* list_;
  ProgressionDialogModel dialog_;
  std::atomic<bool> terminated_{false};
  std::atomic<bool> finished_{false};
  bool aborted_ = false;   // written by the worker before finished_, read after it
  std::string error_;      // idem
  std::mutex reportMutex_;  // guards report_
  PendingReport report_;
  // Posted work runs only while alive_ exists; the main thread resets it (destructor, StopAll)
  // before it waits for the worker. The worker copies aliveWeak_, which is never reassigned, so
  // that reset races with nothing.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  const std::weak_ptr<bool> aliveWeak_ = alive_;
  std::thread worker_;
};

// The last component of a local path, trailing separators ignored ("/a/b/" gives "b").
std::string LastPathComponent(const std::string& path);

}  // namespace corvane::assistance
