#include "assistance/CompressionDecompressionThread.h"

#include "assistance/AssistanceError.h"
#include "assistance/FolderArchiveReader.h"
#include "assistance/FolderArchiveWriter.h"
#include "base/Format.h"
#include "base/Translate.h"

namespace corvane::assistance {

std::string LastPathComponent(const std::string& path) {
  size_t end = path.find_last_not_of('/');
  if (end == std::string::npos) return path.empty() ? std::string() : "/";
  const size_t slash = path.find_last_of('/', end);
  return path.substr(slash == std::string::npos ? 0 : slash + 1,
                     slash == std::string::npos ? end + 1 : end - slash);
}

// Hands the worker's reports to the dialog on the main thread. Reports are merged: the worker
// keeps only the latest state and posts one flush while none is pending, so it never waits for
// the main thread, and a busy main thread shows the newest values instead of a backlog.
class TCompressionDecompressionThread::Reporter final : public ArchiveProgress {
public:
  explicit Reporter(TCompressionDecompressionThread& t) : t_(t) {}
  bool Terminated() override { return t_.Terminated(); }
  void FileChanged(const std::string& path) override {
    std::lock_guard lock(t_.reportMutex_);
    t_.report_.title = path;
    t_.report_.newFile = true;
  }
  void Progressed(int64_t done, int64_t total) override {
    {
      std::lock_guard lock(t_.reportMutex_);
      t_.report_.done = done;
      t_.report_.total = total;
      if (t_.report_.flushPosted) return;
      t_.report_.flushPosted = true;
    }
    t_.loop_.post([&t = t_, alive = t_.aliveWeak_] {
      if (alive.lock()) t.FlushReport();
    });
  }

private:
  TCompressionDecompressionThread& t_;
};

void TCompressionDecompressionThread::FlushReport() {
  PendingReport r;
  {
    std::lock_guard lock(reportMutex_);
    r = report_;
    report_.newFile = false;
    report_.flushPosted = false;
  }
  if (r.newFile) {
    // A new file restarts the bar (and the clock) even when its first reports were merged away.
    dialog_.Title = r.title;
    dialog_.SetMax(r.total);
    dialog_.SetPosition(0);
  }
  if (dialog_.Max() != r.total) dialog_.SetMax(r.total);
  dialog_.SetPosition(r.done);
  if (OnDialogChange) OnDialogChange(*this);
}

TCompressionDecompressionThread::TCompressionDecompressionThread(base::MainLoop& loop, Mode mode,
                                                                 std::string source,
                                                                 std::string destination,
                                                                 CompressionThreadList* list)
    : loop_(loop),
      mode_(mode),
      source_(std::move(source)),
      destination_(std::move(destination)),
      list_(list),
      dialog_(loop) {
  if (list_) list_->Add(this);
}

TCompressionDecompressionThread::~TCompressionDecompressionThread() {
  StopAndJoin();
  if (list_) list_->Remove(this);
}

void TCompressionDecompressionThread::StopAndJoin() {
  // First, so that no end posted by the worker deletes this object while the wait below serves
  // the main loop's posted work.
  alive_.reset();
  Terminate();
  if (!worker_.joinable()) return;
  // The worker never waits for the main thread; the pumping wait keeps the rest of the program
  // served while it finishes its current piece.
  if (loop_.isMainThread()) loop_.waitPumping([this] { return finished_.load(); });
  worker_.join();
}

void TCompressionDecompressionThread::Start() {
  dialog_.Caption =
      mode_ == Pack ? base::Format(base::Tr("Packing up %s ..."), {LastPathComponent(source_)})
                    : base::Format(base::Tr("Reading %s contents..."), {LastPathComponent(destination_)});
  dialog_.Show();
  if (OnDialogChange) OnDialogChange(*this);
  worker_ = std::thread([this] { Run(); });
}

void TCompressionDecompressionThread::Run() {
  Reporter reporter(*this);
  try {
    if (mode_ == Pack)
      FolderArchiveWriter::Pack(source_, destination_, &reporter);
    else
      FolderArchiveReader::Unpack(source_, destination_, &reporter);
  } catch (const FolderArchiveAborted&) {
    aborted_ = true;
  } catch (const std::exception& e) {
    error_ = e.what();
  }
  finished_.store(true);
  loop_.wake();
  // The end is the main thread's: hide the dialog, tell the owner, and free the object if asked.
  loop_.post([this, alive = aliveWeak_] {
    if (!alive.lock()) return;  // destroyed by its owner meanwhile
    dialog_.Hide();
    if (OnDialogChange) OnDialogChange(*this);
    if (OnTerminate) OnTerminate(*this);
    if (FreeOnTerminate) delete this;
  });
}

}  // namespace corvane::assistance
