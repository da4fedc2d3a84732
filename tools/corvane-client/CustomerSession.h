#pragma once
// The customer's side of one assistance session: the eleven channel connections to the agent's
// session port and what travels on them. The synthetic desktop answers the screen channel's
// requests with frame updates; the agent's mouse and keyboard are traced on it and move the cursor;
// chat, commands and clipboard text go both ways (printed as progress lines); files go both ways.
//
// The session ends on the agent's ".", on the customer's own "." (Leave: the program then waits
// for the agent's "." within the close wait), or when a channel connection ends without either:
// after a short grace period, in which a late "." still counts, the session is lost.
//
// Threads: Connect, the customer's actions, Leave, Close and OnEnded run on the main thread, as do
// the channels' end notifications and the transfers' progress events. The channels' workers run
// the frame answers (screen), the input trace and cursor moves (inputs), and print what the agent
// sends; they hand the agent's "." and chat lines to the main thread with posts. clipboardMutex_
// guards the in-memory clipboard; the desktop and the encoder guard themselves.

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "FrameEncoder.h"
#include "ProgressOutput.h"
#include "ReceivedFiles.h"
#include "SyntheticDesktop.h"
#include "base/MainLoop.h"
#include "base/Timer.h"
#include "session/Component.h"

namespace corvane::session {
class TOLABaseComponent;
class TOLAClientScreen;
class TOLAClientCursor;
class TOLAClientInputs;
class TOLAClientClipboard;
class TOLAClientSpeakingClipboard;
class TOLAClientChat;
class TOLAClientSpeakingChat;
class TOLAClientCommands;
class TOLAClientSpeakingCommands;
class TOLAClientFileTransfertManager;
class TOLAClientListeningFileTransfertManager;
struct TOLAFileTransfertProgressInfos;
}  // namespace corvane::session

namespace corvane::client {

class CustomerSession {
public:
  enum class EndReason { Agent, Customer, Lost };

  struct Settings {
    int width = 1024;
    int height = 768;
    std::string owner;  // shown in the desktop's title
    std::string receiveDir = ".";
    uint32_t closeWaitMs = 10000;
  };

  CustomerSession(base::MainLoop& loop, Settings settings, ProgressOutput& output);
  ~CustomerSession();
  CustomerSession(const CustomerSession&) = delete;
  CustomerSession& operator=(const CustomerSession&) = delete;

  // Opens the eleven connections and starts the session. Throws session::SessionError when one
  // cannot be made; nothing stays open then.
  void Connect(const std::string& host, uint16_t port);

  bool Running() const { return phase_ == Phase::Running; }
  bool Ended() const { return phase_ == Phase::Ended; }
  // A channel ended without the agent's "."; the session is lost unless it comes in time.
  bool LossSuspected() const { return graceTimer_.enabled(); }

  // The customer's actions; false when the session is not running or the text could not go out.
  bool SendChat(const std::string& text);
  bool OfferClipboard(const std::string& text);
  bool SendCommand(const std::string& text);
  // A file, or a folder packed into a folder archive.
  bool SendPath(const std::string& path);

  // The customer leaves: "." to the agent, then the end once the agent answered with its own "."
  // or closed, or the close wait passed.
  void Leave();
  // Ends at once.
  void Close(EndReason reason);

  // Once, after every channel was closed.
  std::function<void(EndReason)> OnEnded;
  // A chat message from the agent.
  std::function<void(const std::string&)> OnAgentChat;
  // Once, when the agent has shown that its side of the session runs (its first request on the
  // screen channel), or kAgentReadyWaitMs after Connect when it asks for nothing.
  std::function<void()> OnAgentReady;
  bool AgentReady() const { return agentReady_; }

  SyntheticDesktop& Desktop() { return desktop_; }
  const FrameEncoder& Frames() const { return encoder_; }
  std::string Clipboard() const;

private:
  enum class Phase { Idle, Running, Leaving, Ended };

  void Create();
  void DeleteChannels();
  // Removes packed folders not sent and receptions not finished, then the empty incoming folder.
  void ForgetFiles();
  void AnswerFrame();                    // screen worker
  void ChannelEnded();                   // main thread
  void AgentSaidGoodbye();               // main thread
  void AgentAsked();                     // screen worker
  void SignalAgentReady();               // main thread
  void Finish(EndReason reason);
  void Teardown(EndReason reason);
  void Post(std::function<void()> fn);   // runs fn on the main thread unless the session is gone
  void SendProgress(session::TOLABaseComponent& sender, const session::TOLAFileTransfertProgressInfos& infos);
  void ReceiveProgress(session::TOLABaseComponent& sender, const session::TOLAFileTransfertProgressInfos& infos);
  std::string DisplayName(const std::string& packedOrPath) const;
  bool Guard(const std::function<void()>& send);

  base::MainLoop& loop_;
  Settings settings_;
  ProgressOutput& output_;
  SyntheticDesktop desktop_;
  FrameEncoder encoder_;
  ReceivedFiles received_;
  base::Timer animationTimer_;
  base::Timer graceTimer_;
  base::Timer closeTimer_;
  base::Timer readyTimer_;
  Phase phase_ = Phase::Idle;
  uint64_t animationStep_ = 0;
  std::atomic<bool> agentGoodbye_{false};
  std::atomic<bool> agentAsked_{false};
  bool agentReady_ = false;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);

  // Screen worker only.
  uint64_t renderedVersion_ = 0;
  bool dimensionSent_ = false;

  mutable std::mutex clipboardMutex_;
  std::string clipboard_;

  std::map<const void*, int> transferStatus_;       // last status seen per transfer (main thread)
  std::map<std::string, std::string> packedFolders_;  // packed archive -> the folder it holds
  std::set<std::string> incoming_;                    // temporary files of unfinished receptions

  session::TComponent root_;
  session::TOLAClientScreen* screen_ = nullptr;
  session::TOLAClientCursor* cursor_ = nullptr;
  session::TOLAClientInputs* inputs_ = nullptr;
  session::TOLAClientClipboard* clipboardIn_ = nullptr;
  session::TOLAClientSpeakingClipboard* clipboardOut_ = nullptr;
  session::TOLAClientChat* chatIn_ = nullptr;
  session::TOLAClientSpeakingChat* chatOut_ = nullptr;
  session::TOLAClientCommands* commandsIn_ = nullptr;
  session::TOLAClientSpeakingCommands* commandsOut_ = nullptr;
  session::TOLAClientFileTransfertManager* filesOut_ = nullptr;
  session::TOLAClientListeningFileTransfertManager* filesIn_ = nullptr;
};

}  // namespace corvane::client
