// call-load: many customers calling one agent at once. Each customer thread runs whole calls over
// HTTP against the agent's call listener: a new call (a context, a session window with its own
// assistance port and a ringing dialog, on the main thread), a poll, and the end of the call
// (purge: dialog and window released). Prints accepted calls/s (calls the agent refused, with
// "NOK", are not counted: refusing is cheaper than ringing) and the 99th-percentile answer
// latency. The baseline is the same request pattern against a bare HTTP server with the same
// thread pool that answers at once (HTTP and client costs only), measured in the same run.
// Any request without an answer or with another status than 200 fails the program.
//
// Usage: bench_call_load [--customers N] [--seconds S]   (defaults 50 and 10)

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "BenchReport.h"
#include "DemoData.h"
#include "ServiceServer.h"
#include "assistance/SessionAssistanceModel.h"
#include "base/RealLoop.h"
#include "calls/CallsLimits.h"
#include "calls/CorvaneAgent.h"
#include "session/TcpServer.h"

using namespace corvane;
using Clock = std::chrono::steady_clock;

namespace {

struct Result {
  double callsPerSecond = 0;
  double p99Ms = 0;
  long errors = 0;
  long refused = 0;
};

class OneTry final : public calls::IFournisseurAuthentification {
public:
  bool Authentifier() override { return auth_ && auth_->EssayerConnexion("bench", "bench"); }
  void SetAuthentification(calls::ICorvaneAuthentification* a) override { auth_ = a; }
  bool GroupeCree() const override { return false; }

private:
  calls::ICorvaneAuthentification* auth_ = nullptr;
};

// Runs the customers against port for `seconds`; `pump` keeps the agent's main loop turning.
Result RunLoad(int port, int customers, int seconds, const std::function<void(const std::atomic<bool>&)>& pump,
               const std::function<void()>& loopWake) {
  std::atomic<bool> go{false}, stop{false};
  std::atomic<long> errors{0}, refused{0}, calls{0};
  std::atomic<int> finished{0};
  std::vector<std::vector<double>> latencies(static_cast<size_t>(customers));
  std::vector<std::thread> threads;
  for (int c = 0; c < customers; ++c) {
    threads.emplace_back([&, c] {
      httplib::Client client("127.0.0.1", port);
      client.set_read_timeout(30);
      while (!go) std::this_thread::yield();
      for (long n = 0; !stop; ++n) {
        const std::string id = "bench-" + std::to_string(c) + "-" + std::to_string(n);
        bool ok = true, accepted = true;
        for (int action : {1, 2, 4}) {
          httplib::Headers h = {{"User-Agent", "CorvaneClient"}, {"DAD-AssistanceID", id},
                                {"DAD-Action", std::to_string(action)}, {"DAD-AgentCount", "3"}};
          if (action == 1) {
            h.emplace("DAD-ClientNom", "Customer " + std::to_string(c));
            h.emplace("DAD-Description", "\"The printer does not print\"");
          }
          const auto start = Clock::now();
          auto res = client.Get("/", h);
          latencies[static_cast<size_t>(c)].push_back(
              std::chrono::duration<double, std::milli>(Clock::now() - start).count());
          if (!res || res->status != 200) {
            ok = false;
            ++errors;
            break;
          }
          // A refused call still ends with its action 4, which drops its context.
          if (res->get_header_value("DAD-Reponse") == "NOK" && accepted) {
            accepted = false;
            ++refused;
          }
        }
        if (ok && accepted) ++calls;
      }
      ++finished;
    });
  }
  const auto start = Clock::now();
  go = true;
  std::thread timer([&] {
    std::this_thread::sleep_for(std::chrono::seconds(seconds));  // the measured period itself
    stop = true;
    loopWake();
  });
  pump(stop);
  timer.join();
  // Requests in flight still need the main loop.
  std::atomic<bool> allDone{false};
  std::thread waiter([&] {
    while (finished < customers) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    allDone = true;
    loopWake();
  });
  pump(allDone);
  waiter.join();
  for (std::thread& t : threads) t.join();
  const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  std::vector<double> all;
  for (auto& l : latencies) all.insert(all.end(), l.begin(), l.end());
  std::sort(all.begin(), all.end());
  Result r;
  r.callsPerSecond = static_cast<double>(calls.load()) / elapsed;
  r.p99Ms = all.empty() ? 0 : all[std::min(all.size() - 1, all.size() * 99 / 100)];
  r.errors = errors;
  r.refused = refused;
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  int customers = 50, seconds = 10;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--customers")) customers = std::max(1, std::atoi(argv[i + 1]));
    if (!std::strcmp(argv[i], "--seconds")) seconds = std::max(1, std::atoi(argv[i + 1]));
  }

  // The service only serves the log-in and the status; calls of unknown customers need nothing
  // more from it.
  service::server::ServiceStore store(
      service::server::StoreOptions{":memory:", 0, {}, service::server::kQuickPasswordIterations});
  const auto demo = service::server::SeedDemo(store, service::server::SystemMilliseconds());
  service::TRemotableAgent bench;
  bench.GroupeID = demo.groupeId;
  bench.Login = "bench";
  bench.Nom = "Bench";
  bench.Port = 0;
  // Assistance ports as an agent defines them, a list of fixed ports (enough for every customer
  // and the windows being released): picked free now.
  {
    base::RealLoop probeLoop;
    std::vector<std::unique_ptr<session::TcpServer>> probes;
    for (int i = 0; i < customers + 32; ++i) {
      probes.push_back(std::make_unique<session::TcpServer>(probeLoop));
      probes.back()->SetBinding("127.0.0.1", 0);
      probes.back()->SetActive(true);
      bench.Ports += (bench.Ports.empty() ? "" : ",") + std::to_string(probes.back()->Port());
    }
  }
  store.SeedAgent(bench, "bench");
  service::server::ServiceServer server(
      store, service::server::ServerOptions{"127.0.0.1", 0, "/scripts/ServiceCorvane.dll/", "", "", {}});
  server.start();

  base::RealLoop loop;
  long warnings = 0;
  bool failed = false;
  {
    calls::TCorvaneAgent agent(loop);
    agent.SetRacineServeur(server.rootUrl());
    agent.SetHoteEcoute("127.0.0.1");
    agent.MaxAppelsEnSonnerie = customers;
    agent.OnAvertissement = [&](const std::string&, const std::string&) { ++warnings; };
    assistance::InstallerFabriqueSessions(agent, loop, {}, "127.0.0.1");
    OneTry credentials;
    if (!agent.Connecter(credentials)) {
      std::fprintf(stderr, "log-in failed\n");
      return 1;
    }
    agent.SetStatusAgent(service::TStatusAgent::saDisponible);
    auto pump = [&](const std::atomic<bool>& until) { loop.runUntil([&] { return until.load(); }, 3'600'000); };
    auto wake = [&] { loop.wake(); };
    Result ours = RunLoad(agent.PortEcoute(), customers, seconds, pump, wake);
    loop.runUntil([] { return false; }, 50);  // deferred releases
    std::printf("customers=%d seconds=%d errors=%ld refused=%ld warnings=%ld windows-left=%d contexts-left=%zu\n",
                customers, seconds, ours.errors, ours.refused, warnings, agent.NbreSessions(),
                agent.Contextes().Count());

    // Baseline: a bare server with the listener's pool answering each request at once.
    httplib::Server bare;
    bare.new_task_queue = [] { return new httplib::ThreadPool(calls::kCallListenerThreads); };
    bare.set_keep_alive_max_count(1);
    bare.Get(R"(.*)", [](const httplib::Request&, httplib::Response& res) { res.set_header("DAD-Reponse", "OK"); });
    const int barePort = bare.bind_to_any_port("127.0.0.1");
    std::thread bareThread([&] { bare.listen_after_bind(); });
    Result baseline = RunLoad(barePort, customers, seconds, pump, wake);
    while (!bare.is_running()) std::this_thread::yield();
    bare.stop();
    bareThread.join();

    bench::Report("call-load", ours.callsPerSecond, "calls/s", baseline.callsPerSecond,
                  ours.callsPerSecond / baseline.callsPerSecond, 0.25);
    // Lower latency is better: the ratio is the baseline's over ours.
    bench::Report("call-load-p99", ours.p99Ms, "ms", baseline.p99Ms,
                  ours.p99Ms > 0 ? baseline.p99Ms / ours.p99Ms : 0, 0.1);
    agent.Deconnecter();
    if (ours.errors > 0 || baseline.errors > 0) {
      std::fprintf(stderr, "bench_call_load: %ld requests failed (%ld against the bare server)\n", ours.errors,
                   baseline.errors);
      failed = true;
    }
  }
  server.stop();
  return failed ? 1 : 0;
}
