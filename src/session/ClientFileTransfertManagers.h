#pragma once
// Customer side of the two transfer managers, used by the customer program and the tests.
//
// TOLAClientFileTransfertManager (channel 24) asks the agent to accept files: RequestSend writes 35
// and queues the file; each answer takes the oldest queued file, and an acceptance (36) starts a
// TOLAClientFileTransfert for it on a connection of its own. A refusal (0) drops it.
// TOLAClientListeningFileTransfertManager (channel 25) hears the agent's announcements (35) and
// opens a TOLAClientListeningFileTransfert for each.
//
// Threads: RequestSend, the events and the creation of transfers run on the main thread; the
// worker only reads the answers and hands them over (Synchronize). The transfers are owned by the
// manager and destroyed on the main thread once their worker ended.

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "session/ClientComponent.h"
#include "session/FileTransfertEvents.h"

namespace corvane::session {

class TOLAClientFileTransfertManager final : public TOLACustomClientListening {
public:
  TOLAClientFileTransfertManager(TComponent* owner, base::MainLoop& loop);
  ~TOLAClientFileTransfertManager() override;

  TOLAMessageCode ChannelId() const override { return mcChannelFileTransfertManager; }

  // (manager, file, started): on the main thread, once the agent answered a request; started is
  // false when the agent refused, or when the accepted file's connection could not be made.
  std::function<void(TOLAClientFileTransfertManager&, const std::string& fileName, bool started)>
      OnAnswer;
  // Handed to each transfer started.
  TOLAFileTransfertProgressionEvent OnProgress;

  // Main thread: asks the agent to accept one file (directoryName for a packed folder).
  void RequestSend(const std::string& fileName, const std::string& directoryName = {});

protected:
  void HandleMessage(TOLAMessageCode code) override;

private:
  struct Request {
    std::string fileName;
    std::string directoryName;
  };
  void Answered(bool accepted);

  std::mutex mutex_;  // guards requests_
  std::deque<Request> requests_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);  // main thread only
};

class TOLAClientListeningFileTransfertManager final : public TOLACustomClientListening {
public:
  TOLAClientListeningFileTransfertManager(TComponent* owner, base::MainLoop& loop);
  ~TOLAClientListeningFileTransfertManager() override;

  TOLAMessageCode ChannelId() const override { return mcChannelSpeakingFileTransfertManager; }

  // Where received files are written; empty means the system's temporary folder.
  std::string TempFolder;
  // Handed to each transfer started.
  TOLAFileTransfertProgressionEvent OnProgress;

protected:
  void HandleMessage(TOLAMessageCode code) override;

private:
  void Announced();

  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);  // main thread only
};

}  // namespace corvane::session
