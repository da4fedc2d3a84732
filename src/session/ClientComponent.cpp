#include "session/ClientComponent.h"

#include "session/SessionError.h"

namespace corvane::session {

// --- client -------------------------------------------------------------------------------------

TOLACustomClient::TOLACustomClient(TComponent* owner, base::MainLoop& loop)
    : TOLABaseComponent(owner, loop) {
  // The client handler is the same for every client class, so it is created here.
  InitIOHandler();
}

TOLACustomIOHandler* TOLACustomClient::CreateIOHandler() { return new TOLAIdClientIOHandler(this); }

void TOLACustomClient::Connect() {
  if (IOHandler()->Connected()) return;
  IOHandler()->Connect();
  WriteMessageCode(ChannelId());
  DoConnected();
}

void TOLACustomClient::Disconnect() { IOHandler()->Disconnect(); }

void TOLACustomClient::DoConnected() {
  TOLABaseComponent::DoConnected();
  if (OnConnected) OnConnected(*this);
}

// --- worker thread ------------------------------------------------------------------------------

TOLAThread::TOLAThread(Callback before, Callback step, Callback after, Callback onEnd)
    : before_(std::move(before)), step_(std::move(step)), after_(std::move(after)),
      onEnd_(std::move(onEnd)) {}

TOLAThread::~TOLAThread() {
  Terminate();
  if (thread_.joinable()) {
    if (thread_.get_id() == std::this_thread::get_id())
      thread_.detach();
    else
      thread_.join();
  }
}

void TOLAThread::Start() { thread_ = std::thread([this] { Run(); }); }

void TOLAThread::Join() {
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

TOLAThread::Callback TOLAThread::Take(Callback& cb) {
  std::lock_guard lock(mutex_);
  return cb;
}

void TOLAThread::ClearCallbacks() {
  std::lock_guard lock(mutex_);
  before_ = step_ = after_ = onEnd_ = nullptr;
}

void TOLAThread::Run() {
  try {
    if (auto before = Take(before_)) before();
    while (!Terminated()) {
      auto step = Take(step_);
      if (!step) break;
      try {
        step();
      } catch (const AbortError&) {
        break;
      }
    }
  } catch (...) {
    // Any other error leaves the loop; the connection is dropped by the end handler.
  }
  try {
    if (auto after = Take(after_)) after();
  } catch (...) {
  }
  try {
    if (auto onEnd = Take(onEnd_)) onEnd();
  } catch (...) {
  }
  finished_.store(true);
}

// --- threaded client ----------------------------------------------------------------------------

TOLACustomClientThreaded::~TOLACustomClientThreaded() { StopAndWait(); }

void TOLACustomClientThreaded::StopAndWait() {
  alive_->store(false);
  auto thread = thread_;
  if (!thread) return;
  thread->ClearCallbacks();
  thread->Terminate();
  IOHandler()->Disconnect();
  if (Loop().isMainThread())
    Loop().waitPumping([&] { return thread->Finished(); });
  thread->Join();
  thread_.reset();
}

bool TOLACustomClientThreaded::Running() const { return thread_ && !thread_->Finished(); }

void TOLACustomClientThreaded::Connect() {
  TOLACustomClient::Connect();
  if (thread_ && !thread_->Finished()) return;
  if (thread_) thread_->Join();
  auto alive = alive_;
  thread_ = std::make_shared<TOLAThread>(
      [this] { DoBeforeExecute(); }, [this] { Execute(); }, [this] { DoAfterExecute(); },
      [this, alive] {
        // The end handler runs on the main thread; the component may be gone by then.
        Loop().invoke([this, alive] {
          if (alive->load()) ThreadEnded();
        });
      });
  thread_->Start();
}

void TOLACustomClientThreaded::ThreadEnded() {
  DoDisconnected();
  DoThreadTerminated();
}

void TOLACustomClientThreaded::Disconnect() {
  StopThread();
  TOLACustomClient::Disconnect();
}

void TOLACustomClientThreaded::StopThread() {
  if (thread_) thread_->Terminate();
}

bool TOLACustomClientThreaded::Synchronize(const std::function<void()>& fn) {
  return Loop().invoke(fn);
}

void TOLACustomClientThreaded::DoBeforeExecute() {
  if (BeforeExecute) BeforeExecute(*this);
}

void TOLACustomClientThreaded::DoAfterExecute() {
  if (AfterExecute) AfterExecute(*this);
}

void TOLACustomClientThreaded::DoThreadTerminated() {
  if (OnThreadTerminated) OnThreadTerminated(*this);
}

// --- listening client -----------------------------------------------------------------------------

void TOLACustomClientListening::Execute() {
  HandleMessage(ReadMessageCode(kNoTimeLimit));
}

void TOLACustomClientListening::HandleMessage(TOLAMessageCode code) {
  if (code == mcDisconnect) StopThread();
}

}  // namespace corvane::session
