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

// Hands the worker's reports to the dialog on the main thread.
class TCompressionDecompressionThread::Reporter final : public ArchiveProgress {
public:
  explicit Reporter(TCompressionDecompressionThread& t) : t_(t) {}
  bool Terminated() override { return t_.Terminated(); }
  void FileChanged(const std::string& path) override {
    t_.loop_.invoke([&] {
      t_.dialog_.Title = path;
      if (t_.OnDialogChange) t_.OnDialogChange(t_);
    });
  }
  void Progressed(int64_t done, int64_t total) override {
    t_.loop_.invoke([&] {
      if (t_.dialog_.Max() != total) t_.dialog_.SetMax(total);
      t_.dialog_.SetPosition(done);
      if (t_.OnDialogChange) t_.OnDialogChange(t_);
    });
  }

private:
  TCompressionDecompressionThread& t_;
};

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
  Terminate();
  if (worker_.joinable()) {
    if (loop_.isMainThread()) loop_.waitPumping([this] { return finished_.load(); });
    worker_.join();
  }
  if (list_) list_->Remove(this);
  alive_.reset();
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
  loop_.post([this, alive = std::weak_ptr<bool>(alive_)] {
    if (!alive.lock()) return;  // destroyed by its owner meanwhile
    dialog_.Hide();
    if (OnDialogChange) OnDialogChange(*this);
    if (OnTerminate) OnTerminate(*this);
    if (FreeOnTerminate) delete this;
  });
}

}  // namespace corvane::assistance
