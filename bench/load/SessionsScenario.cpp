// Many sessions at once against one console core (see Scenarios.h).

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "CustomerProcess.h"
#include "LoadConsole.h"
#include "ProcessCounts.h"
#include "Scenarios.h"
#include "session/FileTransfertProgressInfos.h"

namespace corvane::load {

namespace {

struct Customer {
  int index = 0;
  std::string id;
  std::string receiveDir;
  std::string sendPath, sendContent;            // customer -> agent
  std::string agentPath, agentContent;          // agent -> customer
  std::vector<std::string> toAgent, toCustomer;  // chat lines
  std::vector<Clock::time_point> sentAt;         // when the agent sent each of toCustomer
  std::unique_ptr<CustomerProcess> process;
  SessionRecord* record = nullptr;
  bool agentStarted = false;

  bool Done() const {
    if (process->Exited()) return true;
    if (!record || !agentStarted) return false;
    if (record->customerChat.size() < toAgent.size()) return false;
    bool in = false, out = false;
    for (const TransferRecord& t : record->transfers) (t.outgoing ? out : in) |= t.finished;
    return in && out && process->WithPrefix("CHAT agent ").size() >= toCustomer.size() &&
           process->HasPrefix("FILE received ");
  }
};

struct PhaseResult {
  int sessions = 0;
  int maxHeld = 0;
  int heldAtEnd = 0;
  long chatSent = 0, chatLost = 0;
  long long bytesSent = 0, bytesLost = 0;
  std::vector<double> framesPerSecond;
  std::vector<double> chatLatencyMs;
  int endedClean = 0;
  int threadsLeaked = 0, descriptorsLeaked = 0;
  std::vector<std::string> problems;
};

std::string ChatText(bool fromAgent, int session, int line) {
  return std::string(fromAgent ? "agent" : "customer") + " " + std::to_string(session) + "." + std::to_string(line) +
         " Voilà : l'écran \"bleu\" {ok} 100% déjà";
}

double Percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[std::min(values.size() - 1, static_cast<size_t>(p * static_cast<double>(values.size())))];
}

PhaseResult RunPhase(LoopDriver& driver, LoadService& service, LoadConsole& console, const ScratchFolder& scratch,
                     int count, const SessionsOptions& options, const std::string& tag) {
  PhaseResult result;
  result.sessions = count;
  const ProcessCounts before = CountProcess(service.Port());
  std::vector<Customer> customers(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    Customer& c = customers[static_cast<size_t>(i)];
    c.index = i;
    c.id = service.NewAssistance(tag + " customer " + std::to_string(i));
    const std::string dir = scratch.Path(tag + "-" + std::to_string(i));
    std::filesystem::create_directories(dir + "/received");
    c.receiveDir = dir + "/received";
    c.sendPath = dir + "/from-customer.bin";
    c.agentPath = dir + "/from-agent.bin";
    WriteRandomFile(c.sendPath, options.fileBytes + static_cast<size_t>(i) * 7, 1000 + static_cast<uint64_t>(i));
    WriteRandomFile(c.agentPath, options.fileBytes + static_cast<size_t>(i) * 11, 5000 + static_cast<uint64_t>(i));
    c.sendContent = ReadWholeFile(c.sendPath);
    c.agentContent = ReadWholeFile(c.agentPath);
    std::ofstream script(dir + "/script.txt");
    for (int k = 0; k < options.chatLines; ++k) {
      c.toAgent.push_back(ChatText(false, i, k));
      c.toCustomer.push_back(ChatText(true, i, k));
      script << "chat " << c.toAgent.back() << "\n";
      if (k == options.chatLines / 2) script << "send " << c.sendPath << "\n";
      script << "wait 0.05\n";
    }
    if (options.chatLines == 0) script << "send " << c.sendPath << "\n";
  }

  auto step = [&] {
    int running = 0;
    for (Customer& c : customers) {
      if (!c.process) continue;
      if (!c.record) c.record = console.Shown(c.id);
      if (!c.record) continue;
      if (c.record->State() == 2) ++running;
      if (c.agentStarted || c.record->State() != 2) continue;
      auto* model = c.record->Model();
      if (!model) continue;
      c.agentStarted = true;
      for (const std::string& line : c.toCustomer) {
        c.sentAt.push_back(Clock::now());
        if (!model->EnvoyerChat(line)) result.problems.push_back("the agent could not send a chat line to " + c.id);
      }
      try {
        model->EnvoyerFichier(c.agentPath, std::string());
      } catch (const std::exception& e) {
        result.problems.push_back("the agent could not send its file to " + c.id + ": " + e.what());
      }
    }
    result.maxHeld = std::max(result.maxHeld, running);
  };

  // Customers call in waves, as many ringing at once as the agent answers.
  for (Customer& c : customers) {
    driver.WaitFor(
        [&] {
          step();
          int waiting = 0;
          for (const Customer& o : customers)
            if (o.process && !o.record && !o.process->Exited()) ++waiting;
          return waiting < options.maxRinging;
        },
        60000);
    std::vector<std::string> args = CustomerArgs(console.CallPort(), c.id, "Customer " + std::to_string(c.index),
                                                 c.receiveDir);
    args.insert(args.end(), {"--chat-script", std::filesystem::path(c.sendPath).parent_path().string() + "/script.txt"});
    c.process = std::make_unique<CustomerProcess>(args);
  }
  const bool allDone = driver.WaitFor(
      [&] {
        step();
        return std::all_of(customers.begin(), customers.end(), [](const Customer& c) { return c.Done(); });
      },
      60000 + 5000 * count);
  if (!allDone) result.problems.push_back("the sessions did not all get their chat and files in time");

  // All sessions run together: frames are counted over the hold.
  std::vector<int> framesAtStart;
  for (const Customer& c : customers) framesAtStart.push_back(c.record ? c.record->frames : 0);
  const auto holdStart = Clock::now();
  driver.WaitFor(
      [&] {
        step();
        return false;
      },
      options.holdMs);
  const double held = std::chrono::duration<double>(Clock::now() - holdStart).count();
  for (size_t i = 0; i < customers.size(); ++i) {
    const Customer& c = customers[i];
    if (c.record && c.record->State() == 2) ++result.heldAtEnd;
    result.framesPerSecond.push_back(c.record ? (c.record->frames - framesAtStart[i]) / held : 0);
  }

  // Every line and byte, checked at the other end.
  for (Customer& c : customers) {
    const std::string who = tag + " session " + std::to_string(c.index);
    if (!c.record) {
      result.problems.push_back(who + " never started:\n" + c.process->Transcript());
      result.chatLost += static_cast<long>(c.toAgent.size() + c.toCustomer.size());
      result.bytesLost += static_cast<long long>(c.sendContent.size() + c.agentContent.size());
      result.chatSent += static_cast<long>(c.toAgent.size() + c.toCustomer.size());
      result.bytesSent += static_cast<long long>(c.sendContent.size() + c.agentContent.size());
      continue;
    }
    // Customer to agent.
    size_t next = 0;
    for (const std::string& line : c.toAgent) {
      ++result.chatSent;
      auto it = std::find(c.record->customerChat.begin() + static_cast<std::ptrdiff_t>(std::min(next, c.record->customerChat.size())),
                          c.record->customerChat.end(), line);
      if (it == c.record->customerChat.end()) {
        ++result.chatLost;
        result.problems.push_back(who + ": the agent never got \"" + line + "\"");
      } else {
        next = static_cast<size_t>(it - c.record->customerChat.begin()) + 1;
      }
    }
    // Agent to customer.
    std::vector<std::string> got;
    for (const std::string& l : c.process->WithPrefix("CHAT agent ")) got.push_back(Unescape(l));
    for (size_t k = 0; k < c.toCustomer.size(); ++k) {
      ++result.chatSent;
      if (std::find(got.begin(), got.end(), c.toCustomer[k]) == got.end()) {
        ++result.chatLost;
        result.problems.push_back(who + ": the customer never got \"" + c.toCustomer[k] + "\"");
        continue;
      }
      const auto at = c.process->WhenSaid("CHAT agent " + c.toCustomer[k]);
      if (at != Clock::time_point{} && k < c.sentAt.size())
        result.chatLatencyMs.push_back(std::chrono::duration<double, std::milli>(at - c.sentAt[k]).count());
    }
    // Files both ways.
    result.bytesSent += static_cast<long long>(c.sendContent.size() + c.agentContent.size());
    bool inOk = false;
    for (const TransferRecord& t : c.record->transfers) {
      if (t.outgoing || !t.finished) continue;
      if (t.status == session::ftsTransferred && ReadWholeFile(t.localFile) == c.sendContent) inOk = true;
      std::error_code ec;
      std::filesystem::remove(t.localFile, ec);
    }
    if (!inOk) {
      result.bytesLost += static_cast<long long>(c.sendContent.size());
      result.problems.push_back(who + ": the customer's file did not arrive whole at the agent");
    }
    bool outOk = false;
    for (const std::string& path : c.process->WithPrefix("FILE received "))
      outOk |= ReadWholeFile(Unescape(path)) == c.agentContent;
    if (!outOk) {
      result.bytesLost += static_cast<long long>(c.agentContent.size());
      result.problems.push_back(who + ": the agent's file did not arrive whole at the customer");
    }
  }

  // The agent terminates every session; each customer program follows and ends.
  for (Customer& c : customers)
    if (c.record && c.record->Model()) c.record->Model()->InitierCloture();
  const bool ended = driver.WaitRunning(
      [&] {
        for (Customer& c : customers)
          if (!c.process->Exited() || (c.record && !c.record->Destroyed())) return false;
        return true;
      },
      30000);
  if (!ended) result.problems.push_back(tag + ": the sessions did not all end after the agent terminated them");
  for (Customer& c : customers) {
    const std::string who = tag + " session " + std::to_string(c.index);
    const bool clean = c.record && c.process->ExitCode() == 0 && c.process->Has("STATE ended reason=agent") &&
                       c.record->Reached(7) && c.record->warnings.empty() && c.record->errors.empty() &&
                       service.Closing(c.id).find('O') != std::string::npos;
    if (clean)
      ++result.endedClean;
    else
      result.problems.push_back(who + " did not end cleanly (exit " + std::to_string(c.process->ExitCode()) +
                                ", closing \"" + service.Closing(c.id) + "\")");
  }
  customers.clear();  // joins the readers of the customer programs
  driver.WaitFor([&] { return console.Agent().NbreSessions() == 0; }, 10000);
  const ProcessCounts after = CountProcess(service.Port());
  result.threadsLeaked = after.threads - before.threads;
  result.descriptorsLeaked = after.descriptors - before.descriptors;
  return result;
}

}  // namespace

Findings RunSessions(LoopDriver& driver, const SessionsOptions& options) {
  Findings findings;
  ScratchFolder scratch;
  LoadService service;
  LoadConsole console(driver, service);

  const PhaseResult single = RunPhase(driver, service, console, scratch, 1, options, "single");
  const PhaseResult load = RunPhase(driver, service, console, scratch, options.sessions, options, "load");

  const int n = options.sessions;
  findings.AddBounded("load-sessions-held", load.maxHeld, "sessions", n);
  findings.AddBounded("load-sessions-ended-clean", load.endedClean, "sessions", n);
  findings.Add("load-chat-lost", static_cast<double>(load.chatLost + single.chatLost), "lines");
  findings.Add("load-bytes-lost", static_cast<double>(load.bytesLost + single.bytesLost), "bytes");
  const double baseFps = single.framesPerSecond.empty() ? 0 : single.framesPerSecond.front();
  const double minFps = load.framesPerSecond.empty() ? 0 : *std::min_element(load.framesPerSecond.begin(), load.framesPerSecond.end());
  findings.Add("load-frames-per-session", minFps, "frames/s", baseFps, baseFps > 0 ? minFps / baseFps : 0, 0.3);
  // A line may take up to a hundred times as long as in a session alone (alone it takes well under
  // a millisecond): still instant for people chatting.
  const double baseP99 = Percentile(single.chatLatencyMs, 0.99), p99 = Percentile(load.chatLatencyMs, 0.99);
  findings.Add("load-chat-latency-p99", p99, "ms", baseP99, p99 > 0 ? baseP99 / p99 : 0, 0.01);
  findings.Add("load-threads-leaked", load.threadsLeaked + single.threadsLeaked, "threads");
  findings.Add("load-descriptors-leaked", load.descriptorsLeaked + single.descriptorsLeaked, "descriptors");

  char line[256];
  std::snprintf(line, sizeof line, "%d sessions at once held %d (%d still running after %.1f s); %ld chat lines and %lld file bytes sent",
                n, load.maxHeld, load.heldAtEnd, options.holdMs / 1000.0, load.chatSent, load.bytesSent);
  findings.Note(line);
  std::snprintf(line, sizeof line, "frames per session: slowest %.1f/s, median %.1f/s (one session alone: %.1f/s)", minFps,
                Percentile(load.framesPerSecond, 0.5), baseFps);
  findings.Note(line);
  if (load.maxHeld < n) findings.Lost(std::to_string(n - load.maxHeld) + " sessions never ran together with the others");
  if (load.heldAtEnd < n) findings.Lost(std::to_string(n - load.heldAtEnd) + " sessions stopped during the hold");
  for (const PhaseResult* r : {&single, &load}) {
    for (const std::string& p : r->problems) findings.Lost(p);
    if (r->threadsLeaked > 0) findings.Lost(std::to_string(r->threadsLeaked) + " threads left behind");
    if (r->descriptorsLeaked > 0) findings.Lost(std::to_string(r->descriptorsLeaked) + " descriptors left behind");
  }
  return findings;
}

}  // namespace corvane::load
