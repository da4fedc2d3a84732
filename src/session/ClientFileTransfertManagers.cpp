#include "session/ClientFileTransfertManagers.h"

#include "session/ClientFileTransfert.h"
#include "session/ClientListeningFileTransfert.h"
#include "session/SessionError.h"

namespace corvane::session {

namespace {

// Connects a new transfer to the manager's agent and arranges for its destruction, on the main
// thread, once its worker ended (not from inside the end event, which its worker waits for).
// A transfer that cannot connect is destroyed at once; returns whether it connected.
bool Launch(TOLACustomClient& manager, TOLACustomClientThreaded& transfer,
            const std::shared_ptr<bool>& managerAlive) {
  transfer.ClientIOHandler().Host = manager.ClientIOHandler().Host;
  transfer.ClientIOHandler().Port = manager.ClientIOHandler().Port;
  std::weak_ptr<bool> alive = managerAlive;
  base::MainLoop& loop = manager.Loop();
  transfer.OnThreadTerminated = [alive, &loop](TOLACustomClientThreaded& ended) {
    TOLACustomClientThreaded* target = &ended;
    loop.post([alive, target] {
      if (alive.lock()) target->Free();  // still owned by the living manager
    });
  };
  try {
    transfer.Connect();
  } catch (const SessionError&) {
    transfer.Free();
    return false;
  }
  return true;
}

}  // namespace

// --- requests to send files -----------------------------------------------------------------------

TOLAClientFileTransfertManager::TOLAClientFileTransfertManager(TComponent* owner,
                                                               base::MainLoop& loop)
    : TOLACustomClientListening(owner, loop) {}

TOLAClientFileTransfertManager::~TOLAClientFileTransfertManager() {
  alive_.reset();
  StopAndWait();
}

void TOLAClientFileTransfertManager::RequestSend(const std::string& fileName,
                                                 const std::string& directoryName) {
  {
    std::lock_guard lock(mutex_);
    requests_.push_back({fileName, directoryName});
  }
  WriteMessageCode(mcNewTransfert);
}

void TOLAClientFileTransfertManager::HandleMessage(TOLAMessageCode code) {
  if (code == mcTransfertAccepted || code == mcNone) {
    const bool accepted = code == mcTransfertAccepted;
    Synchronize([this, accepted] { Answered(accepted); });
  }
  TOLACustomClientListening::HandleMessage(code);
}

void TOLAClientFileTransfertManager::Answered(bool accepted) {
  Request request;
  {
    std::lock_guard lock(mutex_);
    if (requests_.empty()) return;  // an answer nobody asked for
    request = std::move(requests_.front());
    requests_.pop_front();
  }
  if (accepted) {
    auto* transfer = new TOLAClientFileTransfert(this, Loop(), request.fileName);
    transfer->DirectoryName = request.directoryName;
    transfer->OnProgress = OnProgress;
    accepted = Launch(*this, *transfer, alive_);
  }
  if (OnAnswer) OnAnswer(*this, request.fileName, accepted);
}

// --- announcements of files to receive ------------------------------------------------------------

TOLAClientListeningFileTransfertManager::TOLAClientListeningFileTransfertManager(
    TComponent* owner, base::MainLoop& loop)
    : TOLACustomClientListening(owner, loop) {}

TOLAClientListeningFileTransfertManager::~TOLAClientListeningFileTransfertManager() {
  alive_.reset();
  StopAndWait();
}

void TOLAClientListeningFileTransfertManager::HandleMessage(TOLAMessageCode code) {
  if (code == mcNewTransfert) Synchronize([this] { Announced(); });
  TOLACustomClientListening::HandleMessage(code);
}

void TOLAClientListeningFileTransfertManager::Announced() {
  auto* transfer = new TOLAClientListeningFileTransfert(this, Loop());
  transfer->TempFolder = TempFolder;
  transfer->OnProgress = OnProgress;
  Launch(*this, *transfer, alive_);
}

}  // namespace corvane::session
