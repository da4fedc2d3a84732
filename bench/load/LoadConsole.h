#pragma once
// The console core under load: the reference web service in-process (in-memory database) and
// the agent controller logged in as "tech" with the assistance-session factory installed, so that
// every call gets a real session model with its TCP server and eleven channel components. Every
// session model and call dialog is followed by a record that outlives it: state changes, frames,
// chat, transfers, error and warning boxes, and whether it closed.
//
// Threads: main thread only (the records are written by the models' events, which the models
// raise on the main thread).

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "DemoData.h"
#include "LoopDriver.h"
#include "ReservedPort.h"
#include "ServiceServer.h"
#include "ServiceStore.h"
#include "assistance/SessionAssistanceModel.h"
#include "calls/AppelClientModel.h"
#include "calls/CorvaneAgent.h"

namespace corvane::load {

using Clock = std::chrono::steady_clock;

// The reference service on an ephemeral loopback port, with the demo group and the agent
// "tech"/"tech" whose call port is a reserved fixed port.
class LoadService {
public:
  explicit LoadService(bool publishesAddress = false);
  ~LoadService();
  LoadService(const LoadService&) = delete;
  LoadService& operator=(const LoadService&) = delete;

  // A help request opened as a customer's program does it: returns the assistance identifier.
  std::string NewAssistance(const std::string& name);
  // The closing letters of an assistance ("<none>" when unknown).
  std::string Closing(const std::string& assistanceId);
  // Assistances of the group the service holds (what a full history shows).
  size_t AssistanceCount();
  int Port() const { return server.port(); }

  ReservedPort callPort;
  service::server::ServiceStore store;
  service::server::DemoSummary demo;
  service::server::ServiceServer server;
  std::string techId;
  std::string root;
};

struct TransferRecord {
  bool outgoing = false;
  std::string fileName;   // the sender's path
  std::string localFile;  // incoming: the temporary file written
  int64_t size = 0;
  int64_t transferred = 0;
  int status = 0;  // session::TOLAFileTransfertStatus of the last report
  bool finished = false;
  bool cancelled = false;
};

struct SessionRecord {
  int index = 0;
  std::string assistanceId;  // once shown
  int port = 0;
  int frames = 0;
  Clock::time_point firstFrame, lastFrame;
  Clock::duration longestGap{};  // between two frames, since the last ResetGap
  std::vector<int> states{0};          // every connection state taken, in order
  std::vector<std::string> customerChat;  // the customer's chat lines, as the window shows them
  std::vector<TransferRecord> transfers;
  std::vector<std::string> errors;     // error boxes
  std::vector<std::string> warnings;   // warning captions
  bool shown = false;
  bool closed = false;
  bool transfersMarkedAborted = false;

  // The live model, or nullptr once it closed or was destroyed.
  assistance::TFrmInstanceCorvaneAgentModel* Model() const;
  bool Destroyed() const { return windowSet && window.expired(); }
  int State() const { return states.back(); }
  bool Reached(int state) const;
  void ResetGap() { longestGap = {}; }

  // Set by the console.
  assistance::TFrmInstanceCorvaneAgentModel* model = nullptr;
  std::weak_ptr<calls::IFenetreSession> window;
  bool windowSet = false;
  std::map<const void*, size_t> activeTransfers;  // by transfers-window line
};

struct DialogRecord {
  calls::TFrmAppelClientModel* dialog = nullptr;  // null once destroyed
  bool hidden = false;
};

struct ConsoleOptions {
  // The agent's assistance ports ("0": any free port for each session).
  std::string ports = "0";
  // The agent answers every ringing call at once.
  bool autoAccept = true;
  // Proxies in place of the default ones (a transport with other time-outs, a faulty front).
  std::shared_ptr<service::ICorvaneAgent> agentProxy;
  std::shared_ptr<service::ICorvaneGroupeAgent> groupProxy;
  // The service root the console uses (default: the reference service's).
  std::string root;
  // The address is published with the real request (else the publication is left out).
  bool publishAddress = false;
};

class LoadConsole {
public:
  LoadConsole(LoopDriver& driver, LoadService& service, ConsoleOptions options = {});
  ~LoadConsole();
  LoadConsole(const LoadConsole&) = delete;
  LoadConsole& operator=(const LoadConsole&) = delete;

  calls::TCorvaneAgent& Agent() { return *agent_; }
  int CallPort() const { return agent_->PortEcoute(); }
  // The records of every session model and dialog created so far.
  const std::vector<std::unique_ptr<SessionRecord>>& Sessions() const { return sessions_; }
  const std::vector<std::unique_ptr<DialogRecord>>& Dialogs() const { return dialogs_; }
  // The session shown for this assistance (nullptr when none).
  SessionRecord* Shown(const std::string& assistanceId) const;
  // Session models alive now (prepared or shown, not destroyed).
  int LiveSessions() const;
  // Application-wide errors (the controller's OnErreur) and warning boxes.
  const std::vector<std::string>& ApplicationErrors() const { return applicationErrors_; }
  const std::vector<std::string>& ApplicationWarnings() const { return applicationWarnings_; }
  void SetAutoAccept(bool value) { options_.autoAccept = value; }
  // Each progress report of a transfer, after its record was updated (main thread; the transfer's
  // connection thread waits meanwhile).
  std::function<void(SessionRecord&, const TransferRecord&)> OnTransfer;
  // Waits until the call listener has answered one request: its threads are all up, so that
  // counting the process's threads now gives a stable baseline.
  void Settle();

private:
  void Follow(SessionRecord& record, assistance::TFrmInstanceCorvaneAgentModel& model);

  LoopDriver& driver_;
  LoadService& service_;
  ConsoleOptions options_;
  std::unique_ptr<calls::TCorvaneAgent> agent_;
  std::vector<std::unique_ptr<SessionRecord>> sessions_;
  std::vector<std::unique_ptr<DialogRecord>> dialogs_;
  std::vector<std::string> applicationErrors_;
  std::vector<std::string> applicationWarnings_;
};

// Arguments of a customer program calling the console directly for a help request opened at the
// service (its assistance identifier), with a small synthetic screen and fast polls.
std::vector<std::string> CustomerArgs(int callPort, const std::string& assistanceId, const std::string& name,
                                      const std::string& receiveDir);

// The whole content of a file ("" when unreadable), and a file of random bytes.
std::string ReadWholeFile(const std::string& path);
void WriteRandomFile(const std::string& path, size_t size, uint64_t seed);

// A fresh folder, removed with its contents.
class ScratchFolder {
public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  std::string Path(const std::string& name = {}) const;

private:
  std::string path_;
};

}  // namespace corvane::load
