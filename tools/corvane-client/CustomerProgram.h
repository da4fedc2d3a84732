#pragma once
// The whole run of the customer program: the help request at the service (or agents named on the
// command line), the call, the session, and the closing letters recorded at the service for what
// the program observed: "R" for an agent that refused, "I" for one that let the call ring out (and
// for a request no agent was available for), "N" for one that could not be reached or a session
// lost to the network, "A" when the customer gave up while the agents rang. "U" (a group that only
// helps its known customers) is recorded by the service itself when it refuses the request.
//
// Threads: main thread only. Start and the service requests serve the main loop while they wait,
// so Interrupt and InputLine may arrive meanwhile (as posted work); they only record what to do.

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "AgentDialer.h"
#include "ChatScript.h"
#include "ClientOptions.h"
#include "CustomerSession.h"
#include "HelpDesk.h"
#include "ProgressOutput.h"
#include "base/MainLoop.h"
#include "base/Timer.h"

namespace corvane::client {

enum ExitCode : int {
  kExitSessionHeld = 0,
  kExitUsage = 1,
  kExitService = 2,
  kExitNoSession = 3,
  kExitSessionLost = 4,
};

class CustomerProgram {
public:
  // options must have passed ParseCommandLine; the script, when named, is read by Start.
  CustomerProgram(base::MainLoop& loop, ClientOptions options, ProgressOutput& output);
  ~CustomerProgram();
  CustomerProgram(const CustomerProgram&) = delete;
  CustomerProgram& operator=(const CustomerProgram&) = delete;

  // Runs the help request and starts the call; the rest follows on the main loop.
  void Start();
  // SIGINT or SIGTERM: gives up the call, or leaves the session; a second one closes at once.
  void Interrupt();
  // A line typed on standard input: chat, or "/clip", "/send", "/command", "/quit", ".".
  void InputLine(const std::string& line);

  bool Finished() const { return finished_; }
  int ExitCode() const { return exitCode_; }
  // Once, when the run is over.
  std::function<void(int exitCode)> OnFinished;

  const std::string& AssistanceId() const { return assistanceId_; }
  CustomerSession* Session() { return session_.get(); }
  AgentDialer* Dialer() { return dialer_.get(); }

private:
  enum class Phase { Idle, Requesting, Calling, Connecting, Session, Done };

  void Call(std::vector<AgentAddress> agents);
  void AgentChanged(const AgentCall& call);
  void CallFinished(const AgentCall* accepted);
  void SessionStarted();
  void AgentReady();
  void SessionEnded(CustomerSession::EndReason reason);
  void RecordLetter(char letter);
  void FlushLetters();
  void Finish(int code);

  base::MainLoop& loop_;
  ClientOptions options_;
  ProgressOutput& output_;
  std::unique_ptr<HelpDesk> helpDesk_;
  std::unique_ptr<AgentDialer> dialer_;
  std::unique_ptr<CustomerSession> session_;
  std::unique_ptr<ScriptRunner> script_;
  std::vector<ScriptStep> scriptSteps_;
  base::Timer durationTimer_;
  Phase phase_ = Phase::Idle;
  std::string assistanceId_;
  std::string token_;  // the service's, sent back with the closing letters
  AgentAddress sessionAgent_;
  bool interrupted_ = false;
  std::deque<char> letters_;
  bool flushing_ = false;
  std::deque<std::string> earlyLines_;  // typed before the agent's side of the session ran
  bool finished_ = false;
  int exitCode_ = kExitNoSession;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// An assistance identifier for direct calls: "direct-" and 16 random hexadecimal digits.
std::string NewAssistanceId();

}  // namespace corvane::client
