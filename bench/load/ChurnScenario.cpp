// A customer opening and closing connections in a loop against a running session and the call
// listener (see Scenarios.h).

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "CustomerProcess.h"
#include "LoadConsole.h"
#include "ProcessCounts.h"
#include "RawPeer.h"
#include "Scenarios.h"
#include "session/MessageCode.h"

namespace corvane::load {

namespace {

enum Kind {
  kSessionClose,
  kSessionReset,
  kSessionGarbage,
  kSessionDuplicate,
  kSessionTransfer,
  kSessionSilent,
  kListenerClose,
  kListenerReset,
  kListenerPartial,
  kListenerPoll,
  kListenerEnd,
  kListenerPage,
  kKinds
};

constexpr std::array<const char*, kKinds> kKindNames = {
    "session connect+close",       "session connect+reset",  "session garbage",
    "session duplicate channel",   "session stray transfer", "session silent",
    "listener connect+close",      "listener connect+reset", "listener partial request",
    "listener poll of a stranger", "listener end of a stranger", "listener information page"};

struct Counts {
  std::array<std::atomic<long>, kKinds> done{};
  std::array<std::atomic<long>, kKinds> failed{};
  std::atomic<long> duringOffline{0};
  std::mutex mutex;
  std::array<std::string, kKinds> lastFailure;  // guarded by mutex
};

std::string CallRequest(const std::string& id, int action) {
  return "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nUser-Agent: CorvaneClient\r\nDAD-AssistanceID: " + id +
         "\r\nDAD-Action: " + std::to_string(action) + "\r\nDAD-AgentCount: 1\r\nConnection: close\r\n\r\n";
}

// One stray connection of the given kind; false (and why) when the console did not behave.
bool Once(Kind kind, int sessionPort, int listenerPort, long n, std::string& why) {
  const bool session = kind <= kSessionSilent;
  RawConnection c(session ? sessionPort : listenerPort);
  if (!c.Connected()) {
    why = "connection refused or timed out";
    return false;
  }
  auto Answered200 = [&](RawConnection& connection) {
    const auto start = std::chrono::steady_clock::now();
    const std::string answer = connection.ReadAll(10000);
    if (answer.rfind("HTTP/1.1 200", 0) == 0) return true;
    why = "answer after " +
          std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count()) +
          " ms: \"" + answer.substr(0, answer.find("\r\n")) + "\"";
    return false;
  };
  switch (kind) {
    case kSessionClose:
    case kListenerClose: c.Close(); return true;
    case kSessionReset:
    case kListenerReset: c.Reset(); return true;
    case kSessionGarbage: c.Send("GET / HTTP/1.0\r\n\r\n\x01\x02\x03"); c.Close(); return true;
    case kSessionDuplicate: c.Send(session::MessageCodeLine(session::mcChannelScreen)); c.Close(); return true;
    case kSessionTransfer: c.Send(session::MessageCodeLine(session::mcChannelFileTransfert)); c.Reset(); return true;
    case kSessionSilent: c.ReadSome(30); c.Close(); return true;
    case kListenerPartial: c.Send("GET / HTTP/1.1\r\nUser-Agent: Corv"); c.Close(); return true;
    case kListenerPoll: return c.Send(CallRequest("stranger-" + std::to_string(n), 2)) && Answered200(c);
    case kListenerEnd: return c.Send(CallRequest("stranger-" + std::to_string(n), 4)) && Answered200(c);
    case kListenerPage:
      return c.Send("GET /index.html HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n") && Answered200(c);
    default: return false;
  }
}

}  // namespace

Findings RunChurn(LoopDriver& driver, const ChurnOptions& options) {
  Findings findings;
  ScratchFolder scratch;
  LoadService service;
  LoadConsole console(driver, service);

  // The real session: the customer chats every quarter of a second for the whole run.
  const std::string id = service.NewAssistance("Churn customer");
  std::filesystem::create_directories(scratch.Path("received"));
  {
    std::ofstream script(scratch.Path("script.txt"));
    const int lines = (options.baselineMs + options.churnMs) / 250 + 40;
    for (int k = 0; k < lines; ++k) script << "chat customer line " << k << " é\nwait 0.25\n";
  }
  std::vector<std::string> args = CustomerArgs(console.CallPort(), id, "Churn customer", scratch.Path("received"));
  args.insert(args.end(), {"--chat-script", scratch.Path("script.txt")});
  auto customer = std::make_unique<CustomerProcess>(args);
  SessionRecord* record = nullptr;
  if (!driver.WaitFor([&] { return (record = console.Shown(id)) && record->State() == 2 && record->frames > 2; }, 60000)) {
    findings.Lost("the real session did not start:\n" + customer->Transcript());
    return findings;
  }

  std::vector<std::string> agentLines;
  std::vector<Clock::time_point> agentSentAt;
  auto sendAgentLine = [&] {
    if (auto* m = record->Model()) {
      agentLines.push_back("agent line " + std::to_string(agentLines.size()) + " à");
      agentSentAt.push_back(Clock::now());
      m->EnvoyerChat(agentLines.back());
    }
  };
  // Serves the loop for periodMs, the agent chatting every quarter of a second.
  auto chatFor = [&](int periodMs, const std::function<void()>& midway) {
    const auto start = Clock::now();
    auto next = start;
    bool midwayDone = !midway;
    while (Clock::now() - start < std::chrono::milliseconds(periodMs)) {
      driver.WaitFor([&] { return Clock::now() >= next; }, 300);
      sendAgentLine();
      next += std::chrono::milliseconds(250);
      if (!midwayDone && Clock::now() - start >= std::chrono::milliseconds(periodMs / 2)) {
        midwayDone = true;
        midway();
      }
    }
  };

  // Baseline: the session alone.
  int frames0 = record->frames;
  record->ResetGap();
  auto t0 = Clock::now();
  chatFor(options.baselineMs, {});
  const double baseFps = (record->frames - frames0) / std::chrono::duration<double>(Clock::now() - t0).count();
  const double baseGapMs = std::chrono::duration<double, std::milli>(record->longestGap).count();
  const ProcessCounts before = CountProcess(service.Port());

  // The churn.
  Counts counts;
  std::atomic<bool> stop{false};
  std::atomic<int> listenerPort{console.CallPort()};
  std::atomic<int> offlineEpoch{0};  // odd while the agent is off-line
  const int sessionPort = record->port;
  std::atomic<int> churnersDone{0};
  std::vector<std::thread> churners;
  for (int t = 0; t < options.churnThreads; ++t) {
    churners.emplace_back([&, t] {
      struct Done {
        std::atomic<int>& count;
        base::MainLoop& loop;
        ~Done() {
          ++count;
          loop.wake();
        }
      } done{churnersDone, driver.Loop()};
      for (long n = t; !stop.load(); n += options.churnThreads) {
        const Kind kind = static_cast<Kind>(n % kKinds);
        const int epoch = offlineEpoch.load();
        std::string why;
        const bool ok = Once(kind, sessionPort, listenerPort.load(), n, why);
        ++counts.done[kind];
        if (ok) continue;
        if (kind > kSessionSilent && (epoch % 2 == 1 || offlineEpoch.load() != epoch)) {
          ++counts.duringOffline;  // the listener was closed on purpose meanwhile
        } else {
          ++counts.failed[kind];
          std::lock_guard lock(counts.mutex);
          counts.lastFailure[kind] = why;
        }
      }
    });
  }
  frames0 = record->frames;
  record->ResetGap();
  t0 = Clock::now();
  std::string offlineProblem;
  chatFor(options.churnMs, [&] {
    // The agent goes off-line and back while customers keep knocking: the listener closes and
    // opens again on the agent's port.
    ++offlineEpoch;
    try {
      console.Agent().SetStatusAgent(service::TStatusAgent::saDeconnecte);
      console.Agent().SetStatusAgent(service::TStatusAgent::saOccupe);
      listenerPort = console.CallPort();
      console.Settle();
    } catch (const std::exception& e) {
      offlineProblem = e.what();
    }
    ++offlineEpoch;
  });
  const double churnSeconds = std::chrono::duration<double>(Clock::now() - t0).count();
  const double churnFps = (record->frames - frames0) / churnSeconds;
  const double churnGapMs = std::chrono::duration<double, std::milli>(record->longestGap).count();
  // The last requests still need the main thread.
  stop = true;
  driver.WaitFor([&] { return churnersDone.load() == options.churnThreads; }, 60000);
  for (std::thread& t : churners) t.join();

  // Every stray connection ends; nothing of them may stay.
  ProcessCounts after;
  driver.WaitFor(
      [&] {
        after = CountProcess(service.Port());
        return after.threads <= before.threads && after.descriptors <= before.descriptors;
      },
      20000);
  const bool stillRunning = record->State() == 2;

  // Chat both ways, every line.
  driver.WaitFor([&] { return customer->WithPrefix("CHAT agent ").size() >= agentLines.size(); }, 10000);
  long chatLost = 0, chatSent = 0;
  std::vector<std::string> got;
  for (const std::string& l : customer->WithPrefix("CHAT agent ")) got.push_back(Unescape(l));
  for (const std::string& line : agentLines) {
    ++chatSent;
    if (std::find(got.begin(), got.end(), line) == got.end()) ++chatLost;
  }
  const std::vector<std::string> customerSent = customer->WithPrefix("CHAT sent ");
  driver.WaitFor([&] { return record->customerChat.size() >= customerSent.size(); }, 10000);
  for (const std::string& l : customerSent) {
    ++chatSent;
    if (std::find(record->customerChat.begin(), record->customerChat.end(), Unescape(l)) == record->customerChat.end())
      ++chatLost;
  }

  // The agent ends the session; the customer program follows.
  if (auto* m = record->Model()) m->InitierCloture();
  const bool ended = driver.WaitRunning([&] { return customer->Exited() && record->Destroyed(); }, 30000);

  long connections = 0, failed = 0;
  for (int k = 0; k < kKinds; ++k) {
    connections += counts.done[k];
    failed += counts.failed[k];
    if (counts.failed[k] > 0)
      findings.Lost(std::to_string(counts.failed[k].load()) + " of " + std::to_string(counts.done[k].load()) + " \"" +
                    kKindNames[static_cast<size_t>(k)] + "\" connections refused or answered wrongly (last: " +
                    counts.lastFailure[static_cast<size_t>(k)] + ")");
  }
  findings.Add("churn-connections", static_cast<double>(connections), "connections");
  findings.Add("churn-connections-failed", static_cast<double>(failed), "connections");
  findings.AddBounded("churn-session-held", stillRunning ? 1 : 0, "sessions", 1);
  findings.Add("churn-session-frames", churnFps, "frames/s", baseFps, baseFps > 0 ? churnFps / baseFps : 0, 0.5);
  findings.Add("churn-frame-gap-max", churnGapMs, "ms", baseGapMs, churnGapMs > 0 ? baseGapMs / churnGapMs : 0, 0.2);
  findings.Add("churn-chat-lost", static_cast<double>(chatLost), "lines");
  findings.Add("churn-threads-leaked", after.threads - before.threads, "threads");
  findings.Add("churn-descriptors-leaked", after.descriptors - before.descriptors, "descriptors");

  char line[256];
  std::snprintf(line, sizeof line, "%ld stray connections in %.1f s (%.0f/s) by %d threads; %ld more while the agent was off-line",
                connections, churnSeconds, connections / churnSeconds, options.churnThreads, counts.duringOffline.load());
  findings.Note(line);
  std::snprintf(line, sizeof line, "the session kept %.1f frames/s (alone %.1f), longest gap %.0f ms (alone %.0f); %ld chat lines",
                churnFps, baseFps, churnGapMs, baseGapMs, chatSent);
  findings.Note(line);
  findings.Note("before: " + before.Text() + "; after: " + after.Text());
  if (!offlineProblem.empty())
    findings.Lost("the call listener did not open again after the agent went off-line and back: " + offlineProblem);
  if (!stillRunning) findings.Lost("the real session stopped during the churn");
  if (chatLost > 0) findings.Lost(std::to_string(chatLost) + " of " + std::to_string(chatSent) + " chat lines");
  if (after.threads > before.threads) findings.Lost(std::to_string(after.threads - before.threads) + " threads left behind");
  if (after.descriptors > before.descriptors)
    findings.Lost(std::to_string(after.descriptors - before.descriptors) + " descriptors left behind");
  if (!ended || customer->ExitCode() != 0 || !customer->Has("STATE ended reason=agent"))
    findings.Lost("the real session did not end cleanly:\n" + customer->Transcript());
  return findings;
}

}  // namespace corvane::load
