// service-load: many console clients calling ListeAssistances on the reference service at once.
// Prints requests/s and the 99th-percentile latency. The baseline is the same load on a bare
// HTTP server that answers a pre-encoded answer of the same size (transport and client decoding
// only), measured in the same run.
//
// Usage: bench_service_load [--clients N] [--seconds S] [--pbkdf2-iterations N]
//        (defaults 200, 60 and kQuickPasswordIterations). Every client logs in once before the
// measured period, which starts once every client is logged in; at the service's default work
// factor those log-ins alone would take minutes of CPU on a small machine (200 clients), and the
// measured work (history loads) does not hash.

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "DemoData.h"
#include "ServiceLimits.h"
#include "ServiceServer.h"
#include "service/CorvaneAgent.h"
#include "service/SoapWriter.h"

using namespace corvane::service;
using namespace corvane::service::server;
using Clock = std::chrono::steady_clock;

namespace {

struct Result {
  double requestsPerSecond = 0;
  double p99Ms = 0;
  long errors = 0;
  std::map<std::string, long> errorsByText;  // what failed, for the report
};

// Counts one failed call under its message.
class ErrorLog {
public:
  void add(const std::string& text) {
    std::lock_guard lock(mutex_);
    ++byText_[text];
    ++count_;
  }
  long count() const {
    std::lock_guard lock(mutex_);
    return count_;
  }
  std::map<std::string, long> byText() const {
    std::lock_guard lock(mutex_);
    return byText_;
  }

private:
  mutable std::mutex mutex_;
  std::map<std::string, long> byText_;
  long count_ = 0;
};

Result RunLoad(const std::string& root, int clients, int seconds, bool logIn) {
  std::atomic<bool> go{false}, stop{false};
  std::atomic<int> ready{0};  // clients logged in (or failed to): the period starts after them
  ErrorLog errors;
  std::vector<std::vector<double>> latencies(static_cast<size_t>(clients));
  std::vector<std::thread> threads;
  TRemotableFiltre filtre;
  filtre.DateDebutInclue = 0;
  filtre.DateFinNonInclue = 1e6;
  filtre.IdentificationClient = TFiltreIdentificationClient::ficTous;
  filtre.RequeteClient = TFiltreRequeteClient::frcToutes;
  for (int c = 0; c < clients; ++c) {
    threads.emplace_back([&, c] {
      CorvaneAgentProxy proxy(root);
      std::string session;
      try {
        if (logIn) session = proxy.LogIn(c % 2 ? "admin" : "agent", c % 2 ? "admin" : "agent");
      } catch (const std::exception& e) {
        errors.add(std::string("log-in: ") + e.what());
        ++ready;
        return;
      }
      ++ready;
      while (!go) std::this_thread::yield();
      while (!stop) {
        auto start = Clock::now();
        try {
          if (proxy.ListeAssistances(session, filtre).size() < 100) errors.add("short list");
        } catch (const std::exception& e) {
          errors.add(e.what());
        }
        latencies[static_cast<size_t>(c)].push_back(
            std::chrono::duration<double, std::milli>(Clock::now() - start).count());
      }
    });
  }
  while (ready < clients) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  auto start = Clock::now();
  go = true;
  std::this_thread::sleep_for(std::chrono::seconds(seconds));  // the measured period itself
  stop = true;
  for (std::thread& t : threads) t.join();
  double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  std::vector<double> all;
  for (auto& l : latencies) all.insert(all.end(), l.begin(), l.end());
  std::sort(all.begin(), all.end());
  Result r;
  r.requestsPerSecond = static_cast<double>(all.size()) / elapsed;
  r.p99Ms = all.empty() ? 0 : all[std::min(all.size() - 1, all.size() * 99 / 100)];
  r.errors = errors.count();
  r.errorsByText = errors.byText();
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  int clients = 200, seconds = 60, iterations = kQuickPasswordIterations;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--clients")) clients = std::max(1, std::atoi(argv[i + 1]));
    if (!std::strcmp(argv[i], "--seconds")) seconds = std::max(1, std::atoi(argv[i + 1]));
    if (!std::strcmp(argv[i], "--pbkdf2-iterations"))
      iterations = std::clamp(std::atoi(argv[i + 1]), 1, kMaxPasswordIterations);
  }
  auto dir = std::filesystem::temp_directory_path() / "corvane-service-load";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);

  ServiceStore store(StoreOptions{(dir / "load.db").string(), 0, {}, iterations});
  SeedDemo(store, SystemMilliseconds());
  ServiceServer service(store, ServerOptions{"127.0.0.1", 0, "/scripts/ServiceCorvane.dll/", "", "", {}});
  service.start();

  // Baseline: the same answer, encoded once, from a bare server.
  std::string canned;
  {
    CorvaneAgentProxy proxy(service.rootUrl());
    std::string session = proxy.LogIn("admin", "admin");
    TRemotableFiltre filtre;
    filtre.DateFinNonInclue = 1e6;
    filtre.IdentificationClient = TFiltreIdentificationClient::ficTous;
    filtre.RequeteClient = TFiltreRequeteClient::frcToutes;
    auto list = proxy.ListeAssistances(session, filtre);
    SoapWriter writer("urn:UCorvaneAgentIntf-ICorvaneAgent", "ListeAssistancesResponse");
    writer.addArray("return", list);
    canned = writer.finish();
  }
  httplib::Server bare;
  bare.new_task_queue = [] { return new httplib::ThreadPool(64); };
  bare.Post("/bare/soap/ICorvaneAgent", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content(canned, "text/xml; charset=utf-8");
  });
  // The same accept queue as the service's, so that the two differ only in the work per request.
  int bareSocket = -1;
  bare.set_socket_options([&bareSocket](int sock) {
    int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    bareSocket = sock;
  });
  int barePort = bare.bind_to_any_port("127.0.0.1");
  if (bareSocket >= 0) ::listen(bareSocket, kListenBacklog);
  std::thread bareThread([&] { bare.listen_after_bind(); });

  Result baseline = RunLoad("http://127.0.0.1:" + std::to_string(barePort) + "/bare/", clients, seconds, false);
  Result ours = RunLoad(service.rootUrl(), clients, seconds, true);
  while (!bare.is_running()) std::this_thread::yield();
  bare.stop();
  bareThread.join();
  service.stop();
  std::filesystem::remove_all(dir);

  std::printf("clients=%d seconds=%d errors=%ld (baseline errors=%ld)\n", clients, seconds,
              ours.errors, baseline.errors);
  for (const auto& [text, count] : baseline.errorsByText) std::printf("  baseline error x%ld: %s\n", count, text.c_str());
  for (const auto& [text, count] : ours.errorsByText) std::printf("  error x%ld: %s\n", count, text.c_str());
  std::printf("BENCH service-load %.1f requests/s baseline=%.1f ratio=%.2f goal=0.5\n",
              ours.requestsPerSecond, baseline.requestsPerSecond,
              ours.requestsPerSecond / baseline.requestsPerSecond);
  // Lower latency is better: the ratio is baseline over ours.
  std::printf("BENCH service-load-p99 %.1f ms baseline=%.1f ratio=%.2f goal=0.5\n", ours.p99Ms,
              baseline.p99Ms, ours.p99Ms > 0 ? baseline.p99Ms / ours.p99Ms : 0);
  return ours.errors == 0 ? 0 : 1;
}
