// kill -9 of the customer program in every session state (see Scenarios.h). What the console
// must do in each, as its session model says:
//   ringing                 the call dialog gives up 10 s after the last poll (a refusal), and the
//                           call goes with it: its prepared window and assistance port are freed;
//   accepted, no channel    the 25 s connection watch stops the session's server and shows the
//                           firewall error for state 0; the agent closes the window; no closing
//                           is reported to the service;
//   some channels bound     the same, with the error for state 1;
//   running                 the disconnection sequence ends in state 7 with the "Network technical
//                           difficulties" warning; the window stays open until the agent closes
//                           it, which reports the closing;
//   during a transfer       the same, and the transfer ends cancelled (an incoming file stays
//                           partial, in its temporary file, which the transfers window deletes);
//   closing (agent)         Terminate already reported the closing; the sequence ends in state 7
//                           without a warning and the window closes by itself;
//   closing (customer)      the customer's "." came; state 7 without a warning; the agent closes.
// In every case the session's port is free again and no thread or descriptor stays behind, and
// the console then takes a new call that runs and ends normally.

#include <signal.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "CallGate.h"
#include "CustomerProcess.h"
#include "LoadConsole.h"
#include "ProcessCounts.h"
#include "Scenarios.h"
#include "session/FileTransfertProgressInfos.h"

namespace corvane::load {

namespace {

constexpr const char* kNetworkWarning = "Network technical difficulties";
constexpr uint32_t kSequenceMs = 3000 + 3000 + 1000 + 1000;  // states 3 to 7

std::string States(const SessionRecord& r) {
  std::string out = " (states";
  for (int s : r.states) out += " " + std::to_string(s);
  return out + ")";
}

bool Contains(const std::vector<std::string>& list, const std::string& text) {
  for (const std::string& s : list)
    if (s.find(text) != std::string::npos) return true;
  return false;
}

class KillRun {
public:
  KillRun(LoopDriver& driver, const CustomerKillOptions& options)
      : driver_(driver), options_(options), console_(driver, service_) {
    std::filesystem::create_directories(scratch_.Path("received"));
    bigFile_ = scratch_.Path("big.bin");
    WriteRandomFile(bigFile_, options.transferBytes, 77);
  }

  Findings Run() {
    Case("ringing", [&] { return Ringing(); });
    Case("accepted, no channel yet", [&] { return NotConnected(0); });
    Case("some channels bound", [&] { return NotConnected(4); });
    Case("running", [&] { return Running(Transfer::None); });
    Case("receiving a file", [&] { return Running(Transfer::In); });
    Case("sending a file", [&] { return Running(Transfer::Out); });
    Case("closing, agent terminated", [&] { return ClosingByAgent(); });
    Case("closing, customer left", [&] { return ClosingByCustomer(); });

    const int n = cases_;
    findings_.AddBounded("kill-sessions-ended-clean", endedClean_, "sessions", n);
    findings_.AddBounded("kill-new-calls-taken", newCalls_, "calls", n);
    findings_.Add("kill-ports-leaked", portsLeaked_, "ports");
    findings_.Add("kill-threads-leaked", threadsLeaked_, "threads");
    findings_.Add("kill-descriptors-leaked", descriptorsLeaked_, "descriptors");
    // From the kill to the end of the disconnection sequence, which takes kSequenceMs once the
    // loss is seen: ending sooner means a state was skipped or a timer cut short.
    if (lostSessionMs_ > 0) {
      findings_.AddBounded("kill-lost-session-end", lostSessionMs_, "ms", kSequenceMs);
      if (lostSessionMs_ < kSequenceMs)
        findings_.Lost("running: the lost session ended after " + std::to_string(static_cast<int>(lostSessionMs_)) +
                       " ms, before its disconnection sequence of " + std::to_string(kSequenceMs) + " ms");
    }
    char line[200];
    std::snprintf(line, sizeof line, "%d states: %d ended as the session model says, %d new calls taken afterwards", n,
                  endedClean_, newCalls_);
    findings_.Note(line);
    return findings_;
  }

private:
  enum class Transfer { None, In, Out };

  // One state: what happened to the session, then a new call, then the process's counts.
  void Case(const std::string& name, const std::function<std::vector<std::string>()>& run) {
    ++cases_;
    const ProcessCounts before = CountProcess(service_.Port());
    std::vector<std::string> problems = run();
    if (problems.empty()) ++endedClean_;
    for (const std::string& p : problems) findings_.Lost(name + ": " + p);
    if (options_.newCallAfterEach) {
      const std::string problem = NewCall();
      if (problem.empty())
        ++newCalls_;
      else
        findings_.Lost(name + ": the next call failed: " + problem);
      // The next call's start and end purge the contexts of finished calls.
      if (console_.Agent().Contextes().Count() != 0) findings_.Lost(name + ": a call context stayed behind");
    }
    ProcessCounts after;
    driver_.WaitFor(
        [&] {
          after = CountProcess(service_.Port());
          return after.threads <= before.threads && after.descriptors <= before.descriptors;
        },
        20000);
    if (after.threads > before.threads) {
      threadsLeaked_ += after.threads - before.threads;
      findings_.Lost(name + ": " + std::to_string(after.threads - before.threads) + " threads left behind");
    }
    if (after.descriptors > before.descriptors) {
      descriptorsLeaked_ += after.descriptors - before.descriptors;
      findings_.Lost(name + ": " + std::to_string(after.descriptors - before.descriptors) + " descriptors left behind");
    }
  }

  std::unique_ptr<CustomerProcess> Customer(int callPort, const std::string& id, std::vector<std::string> extra = {}) {
    std::vector<std::string> args = CustomerArgs(callPort, id, "Customer " + id, scratch_.Path("received"));
    args.insert(args.end(), extra.begin(), extra.end());
    return std::make_unique<CustomerProcess>(args);
  }

  void Kill(CustomerProcess& customer) {
    customer.Signal(SIGKILL);
    driver_.WaitFor([&] { return customer.Exited(); }, 10000);
  }

  void CheckPort(int port, std::vector<std::string>& problems) {
    if (port > 0 && !PortRefusesConnections(port)) {
      ++portsLeaked_;
      problems.push_back("the session's port " + std::to_string(port) + " still accepts connections");
    }
  }

  // The agent closes a window that stayed open; the closing reaches the service when reported.
  void CloseWindow(SessionRecord& r, bool reports, const std::string& id, std::vector<std::string>& problems) {
    auto* model = r.Model();
    if (!model) {
      problems.push_back("the window closed by itself");
      return;
    }
    if (!model->DemanderFermeture()) problems.push_back("the agent could not close the window");
    if (!driver_.WaitFor([&] { return r.Destroyed(); }, 10000)) problems.push_back("the window was not destroyed");
    const std::string closing = service_.Closing(id);
    if (reports && closing.find('O') == std::string::npos) problems.push_back("no closing reported (\"" + closing + "\")");
    if (!reports && closing.find('O') != std::string::npos) problems.push_back("a closing was reported");
  }

  std::vector<std::string> Ringing() {
    std::vector<std::string> problems;
    console_.SetAutoAccept(false);
    const size_t dialogs0 = console_.Dialogs().size(), sessions0 = console_.Sessions().size();
    const std::string id = service_.NewAssistance("Ringing");
    auto customer = Customer(console_.CallPort(), id);
    if (!driver_.WaitFor([&] { return console_.Dialogs().size() > dialogs0 && console_.Sessions().size() > sessions0; },
                         30000))
      return {"the call never rang:\n" + customer->Transcript()};
    DialogRecord& dialog = *console_.Dialogs().back();
    SessionRecord& r = *console_.Sessions().back();
    const int port = r.Model() ? r.Model()->Port() : 0;
    Kill(*customer);
    // No poll any more: the dialog gives up after 10 s, and the call goes with it.
    if (!driver_.WaitRunning([&] { return !dialog.dialog || dialog.hidden; }, 13000))
      problems.push_back("the dialog still rings");
    else if (dialog.dialog && dialog.dialog->LireReponse() != calls::TFrmAppelClientModel::Refusee)
      problems.push_back("the dialog's answer is not a refusal");
    if (!driver_.WaitRunning([&] { return r.Destroyed(); }, 2000))
      problems.push_back("the window prepared for the call is still there");
    if (r.shown) problems.push_back("a session window was shown");
    if (console_.Agent().AppelsEnSonnerie() != 0) problems.push_back("the console still counts a ringing call");
    CheckPort(port, problems);
    return problems;
  }

  // Killed at channel connection `at` (0: before any channel).
  std::vector<std::string> NotConnected(int at) {
    std::vector<std::string> problems;
    console_.SetAutoAccept(true);
    CallGate gate(console_.CallPort());
    const std::string id = service_.NewAssistance("Gated");
    auto customer = Customer(gate.CallPort(), id);
    gate.KillAt(at, customer->Pid());
    if (!driver_.WaitFor([&] { return gate.Killed() && customer->Exited(); }, 30000))
      return {"the program never reached its channels:\n" + customer->Transcript()};
    SessionRecord* r = console_.Shown(id);
    if (!r) return {"no session window was shown"};
    if (at > 0 && !driver_.WaitFor([&] { return r->Reached(1); }, 10000)) problems.push_back("state 1 never reached");
    const int port = r->port;
    // The connection watch gives up after 25 s.
    if (!driver_.WaitRunning([&] { return !r->errors.empty(); }, 26000)) {
      problems.push_back("no connection time-out after 25 s (state " + std::to_string(r->State()) + ")");
      return problems;
    }
    const std::string& error = r->errors.back();
    const char* expected = at == 0 ? "All client connections are probably blocked" : "Some wanted client connections";
    if (error.find("Connecting time out raised") == std::string::npos || error.find(expected) == std::string::npos)
      problems.push_back("unexpected error box: " + error + States(*r) + ", " + std::to_string(gate.Passed()) +
                         " channels passed");
    if (r->State() != 0) problems.push_back("state " + std::to_string(r->State()) + " instead of 0");
    if (r->Reached(2)) problems.push_back("the session ran");
    if (!r->warnings.empty()) problems.push_back("unexpected warning " + r->warnings.front());
    CheckPort(port, problems);
    CloseWindow(*r, /*reports=*/false, id, problems);
    return problems;
  }

  std::vector<std::string> Running(Transfer transfer) {
    std::vector<std::string> problems;
    console_.SetAutoAccept(true);
    const std::string id = service_.NewAssistance("Killed");
    std::unique_ptr<CustomerProcess> customer =
        Customer(console_.CallPort(), id, transfer == Transfer::In ? std::vector<std::string>{"--send", bigFile_}
                                                                   : std::vector<std::string>{});
    bool killed = false;
    Clock::time_point killedAt;
    std::string partial;
    console_.OnTransfer = [&](SessionRecord&, const TransferRecord& t) {
      const bool wanted = transfer == Transfer::Out ? t.outgoing : !t.outgoing;
      if (killed || !wanted || t.status != session::ftsTransferring || t.transferred <= 0 || t.transferred >= t.size) return;
      // The transfer's connection thread waits for this report: the program dies in the middle.
      customer->Signal(SIGKILL);
      killed = true;
      killedAt = Clock::now();
      partial = t.localFile;
    };
    SessionRecord* r = nullptr;
    // An incoming file starts with the session, and the program may die before a frame came.
    if (!driver_.WaitFor([&] { return (r = console_.Shown(id)) && r->Reached(2) && (killed || r->frames > 1); }, 30000)) {
      console_.OnTransfer = nullptr;
      return {"the session never ran:\n" + customer->Transcript()};
    }
    if (transfer == Transfer::Out) r->Model()->EnvoyerFichier(bigFile_, std::string());
    if (transfer == Transfer::None) {
      customer->Signal(SIGKILL);
      killed = true;
      killedAt = Clock::now();
    }
    const bool died = driver_.WaitFor([&] { return killed && customer->Exited(); }, 30000);
    console_.OnTransfer = nullptr;
    if (!died) return {"the program was not killed during the transfer:\n" + customer->Transcript()};
    const int port = r->port;
    if (!driver_.WaitRunning([&] { return r->State() == 7; }, kSequenceMs + 10000)) {
      problems.push_back("the session did not end (state " + std::to_string(r->State()) + ")");
      return problems;
    }
    if (transfer == Transfer::None && !driver_.Virtual())
      lostSessionMs_ = std::chrono::duration<double, std::milli>(Clock::now() - killedAt).count();
    if (!r->Reached(3)) problems.push_back("the disconnection was not detected");
    if (!Contains(r->warnings, kNetworkWarning)) problems.push_back("no \"Network technical difficulties\" warning");
    if (r->closed) problems.push_back("the window closed by itself");
    if (r->Model() && r->Model()->ClotureDemandee()) problems.push_back("the session counts as ended on purpose");
    if (transfer != Transfer::None) {
      bool cancelled = false;
      for (const TransferRecord& t : r->transfers)
        if (t.outgoing == (transfer == Transfer::Out)) cancelled |= t.finished && t.cancelled;
      if (!cancelled) problems.push_back("the transfer did not end cancelled");
      if (!r->transfersMarkedAborted) problems.push_back("unfinished transfers were not marked aborted");
      // What came of an incoming file waits in its temporary file, marked cancelled, until the
      // transfers window's line goes (which deletes it); here the scenario plays that part.
      if (!partial.empty()) {
        std::error_code ec;
        const auto size = std::filesystem::file_size(partial, ec);
        if (!ec && static_cast<int64_t>(size) >= static_cast<int64_t>(options_.transferBytes))
          problems.push_back("the partial file looks complete: " + partial);
        std::filesystem::remove(partial, ec);
      }
      if (r->Model() && r->Model()->EnvoisOuverts() != 0) problems.push_back("a sending channel stayed");
    }
    CheckPort(port, problems);
    CloseWindow(*r, /*reports=*/true, id, problems);
    return problems;
  }

  std::vector<std::string> ClosingByAgent() {
    std::vector<std::string> problems;
    console_.SetAutoAccept(true);
    const std::string id = service_.NewAssistance("Terminated");
    auto customer = Customer(console_.CallPort(), id);
    SessionRecord* r = nullptr;
    if (!driver_.WaitFor([&] { return (r = console_.Shown(id)) && r->State() == 2 && r->frames > 1; }, 30000))
      return {"the session never ran:\n" + customer->Transcript()};
    const int port = r->port;
    r->Model()->InitierCloture();  // Terminate: the closing goes to the service at once
    if (r->State() != 3) problems.push_back("Terminate left state " + std::to_string(r->State()));
    Kill(*customer);
    if (!driver_.WaitRunning([&] { return r->Destroyed(); }, kSequenceMs + 10000)) {
      problems.push_back("the window did not close by itself (state " + std::to_string(r->State()) + ")");
      return problems;
    }
    if (!r->Reached(7)) problems.push_back("state 7 never reached");
    if (!r->warnings.empty()) problems.push_back("unexpected warning " + r->warnings.front());
    if (service_.Closing(id).find('O') == std::string::npos) problems.push_back("no closing reported");
    CheckPort(port, problems);
    return problems;
  }

  std::vector<std::string> ClosingByCustomer() {
    std::vector<std::string> problems;
    console_.SetAutoAccept(true);
    const std::string id = service_.NewAssistance("Leaving");
    {
      std::ofstream script(scratch_.Path("leave.txt"));
      script << "wait-chat\nquit\n";
    }
    auto customer = Customer(console_.CallPort(), id, {"--chat-script", scratch_.Path("leave.txt")});
    SessionRecord* r = nullptr;
    if (!driver_.WaitFor([&] { return (r = console_.Shown(id)) && r->State() == 2 && r->frames > 1; }, 30000))
      return {"the session never ran:\n" + customer->Transcript()};
    const int port = r->port;
    r->Model()->EnvoyerChat("Je vous laisse, au revoir.");
    if (!driver_.WaitFor([&] { return r->Model() && r->Model()->ClotureDemandee(); }, 15000))
      return {"the customer's \".\" never came:\n" + customer->Transcript()};
    Kill(*customer);
    if (!driver_.WaitRunning([&] { return r->State() == 7; }, kSequenceMs + 10000)) {
      problems.push_back("the session did not end (state " + std::to_string(r->State()) + ")");
      return problems;
    }
    if (!r->warnings.empty()) problems.push_back("unexpected warning " + r->warnings.front());
    if (r->closed) problems.push_back("the window closed by itself");
    if (r->Model() && r->Model()->Caption().find("Client disconnected at") == std::string::npos)
      problems.push_back("the caption does not tell the customer left");
    CheckPort(port, problems);
    CloseWindow(*r, /*reports=*/true, id, problems);
    return problems;
  }

  // A new call after the case: it runs and ends normally.
  std::string NewCall() {
    console_.SetAutoAccept(true);
    const std::string id = service_.NewAssistance("Next");
    auto customer = Customer(console_.CallPort(), id);
    SessionRecord* r = nullptr;
    if (!driver_.WaitFor([&] { return (r = console_.Shown(id)) && r->State() == 2 && r->frames > 1; }, 30000))
      return "the session never ran:\n" + customer->Transcript();
    r->Model()->InitierCloture();
    if (!driver_.WaitRunning([&] { return customer->Exited() && r->Destroyed(); }, kSequenceMs + 10000))
      return "the session did not end";
    if (customer->ExitCode() != 0) return "the program ended with " + std::to_string(customer->ExitCode());
    return {};
  }

  LoopDriver& driver_;
  CustomerKillOptions options_;
  ScratchFolder scratch_;
  LoadService service_;
  LoadConsole console_;
  std::string bigFile_;
  Findings findings_;
  int cases_ = 0, endedClean_ = 0, newCalls_ = 0, portsLeaked_ = 0, threadsLeaked_ = 0, descriptorsLeaked_ = 0;
  double lostSessionMs_ = 0;
};

}  // namespace

Findings RunCustomerKills(LoopDriver& driver, const CustomerKillOptions& options) {
  KillRun run(driver, options);
  return run.Run();
}

}  // namespace corvane::load
