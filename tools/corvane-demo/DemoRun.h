#pragma once
// One run of the demo: the reference web service and the customer program as real processes on
// loopback, the console's core in this process on a real main loop, and the story told step by
// step. Every step checks what it shows; a step that cannot go on ends the story, and the
// shutdown runs in every case, so that no process is left behind.
//
// The steps are spread over three files: DemoRun.cpp (service, console start-up, shutdown),
// DemoSession.cpp (the call, the session, its closing) and DemoHistory.cpp (history, exports,
// translations).
//
// Threads: main thread only. The console core's own threads (call listener, session server) reach
// it through the main loop, which every wait here pumps.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "DemoOptions.h"
#include "Narrative.h"
#include "ScreenCopy.h"
#include "assistance/SessionAssistanceModel.h"
#include "base/RealLoop.h"
#include "calls/AppelClientModel.h"
#include "calls/CorvaneAgent.h"
#include "session/FileTransfertProgressInfos.h"
#include "session/SystemClipboard.h"
#include "shell/ConfigurationStore.h"
#include "shell/ReglagesFrmPrincipale.h"

namespace corvane::demo {

class DemoRun {
public:
  // options.serviceProgram and options.clientProgram are resolved paths. interrupted() turns true
  // when the demo is asked to stop (SIGINT, SIGTERM).
  DemoRun(DemoOptions options, Narrative& narrative, std::function<bool()> interrupted);
  ~DemoRun();
  DemoRun(const DemoRun&) = delete;
  DemoRun& operator=(const DemoRun&) = delete;

  // Runs every step, then the shutdown; returns the exit status.
  int Run();

private:
  // A file received by one side, as the other side sent it.
  struct Transfer {
    std::string name;
    std::string path;
    bool done = false;
    bool cancelled = false;
  };

  // --- steps ---
  void StartService();
  void StartConsole();
  void CustomerCalls();
  void RunSession();
  void CloseSession();
  void ShowHistory();
  void ShowTranslations();
  // orderly: the story got this far; otherwise stop everything quietly.
  void Shutdown(bool orderly);

  // --- the session's parts ---
  void SessionChat(assistance::TFrmInstanceCorvaneAgentModel& model);
  void SessionInputs(assistance::TFrmInstanceCorvaneAgentModel& model);
  void SessionClipboard();
  void SessionFiles(assistance::TFrmInstanceCorvaneAgentModel& model);
  void SessionScreen(assistance::TFrmInstanceCorvaneAgentModel& model);

  // --- the console's events ---
  void HookDialog(calls::TFrmAppelClientModel& dialog);
  void HookSession(assistance::TFrmInstanceCorvaneAgentModel& model);
  void SessionChanged();
  void TransferProgress(const session::TOLAFileTransfertProgressInfos& infos);
  void ErrorBox(std::exception_ptr error);

  // --- waiting and the other programs' output ---
  // Pumps the main loop until done() holds; false on time-out or interruption.
  bool WaitFor(const std::function<bool()>& done, uint32_t timeoutMs);
  // WaitFor within the step time-out, recorded as a check; a check that fails ends the step.
  void Await(const std::function<bool()>& done, const std::string& what);
  // Records a check; a check that fails ends the step.
  void Require(bool ok, const std::string& what, const std::string& whyNot = {});
  // Lets the session run for ms, unless interrupted.
  void Pause(uint32_t ms);
  // Prints what the other programs wrote since the last call.
  void Drain();
  bool CustomerSaid(const std::string& line) const;
  bool CustomerSaidPrefix(const std::string& prefix) const;
  // The first customer line starting with prefix, without the prefix.
  std::optional<std::string> CustomerLine(const std::string& prefix) const;
  bool ServiceLogged(const std::string& operation, size_t from = 0) const;

  std::shared_ptr<assistance::TFrmInstanceCorvaneAgentModel> Session() const { return session_.lock(); }
  std::filesystem::path Output(const std::string& name) const { return output_ / name; }

  DemoOptions options_;
  Narrative& say_;
  std::function<bool()> interrupted_;

  base::RealLoop loop_;
  std::filesystem::path temp_;    // service database, console folder, customer's files
  std::filesystem::path output_;  // absolute

  std::unique_ptr<ChildProcess> service_;
  std::unique_ptr<ChildProcess> customer_;
  std::vector<std::string> serviceLog_;
  std::vector<std::string> customerLog_;
  std::string root_;  // the service's root URL

  std::unique_ptr<shell::ConfigurationStore> configuration_;
  shell::ReglagesFrmPrincipale reglages_;
  std::shared_ptr<session::InMemoryClipboard> clipboard_;
  std::unique_ptr<calls::TCorvaneAgent> agent_;
  int callPort_ = 0;

  calls::TFrmAppelClientModel* dialog_ = nullptr;  // cleared when the dialog goes
  bool dialogShown_ = false;
  std::weak_ptr<assistance::TFrmInstanceCorvaneAgentModel> session_;
  int lastEtat_ = -1;
  bool sessionClosed_ = false;
  bool historyChanged_ = false;
  ScreenCopy screen_;
  int frames_ = 0;
  uint32_t sessionStartTick_ = 0;
  std::string assistanceId_;

  std::string customerFile_, agentFile_;  // what each side sends
  Transfer toAgent_, toCustomer_;
};

}  // namespace corvane::demo
