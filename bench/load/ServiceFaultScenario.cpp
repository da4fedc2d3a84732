// A web service that answers slowly or with faults during the status refreshes and the history
// loads (see Scenarios.h). The console's clock is the driver's: on a manual loop the refresh
// period (3 min) and the retry (20 s) are checked to the millisecond without waiting for them;
// the service's delays, time-outs and cuts are real.

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "CustomerProcess.h"
#include "LoadConsole.h"
#include "Scenarios.h"
#include "ServiceFront.h"
#include "records/DmGestionAssistances.h"
#include "service/CorvaneAgent.h"
#include "service/CorvaneGroupeAgent.h"
#include "service/CurlTransport.h"
#include "service/RemotableFaults.h"

namespace corvane::load {

namespace {

using Fault = ServiceFront::Fault;
constexpr uint32_t kPeriode = 180000;  // IntervalRafraichissementStatus 3 minutes
constexpr uint32_t kReessai = calls::TCorvaneAgent::kPeriodeReessai;

class WholeHistory final : public records::HistoryFilter {
public:
  explicit WholeHistory(service::TDateTime today) : today_(today) {}
  service::TDateTime DateDebut() const override { return today_ - 3650; }
  service::TDateTime DateFin() const override { return today_ + 2; }
  service::TRemotableFiltre Criteres() const override {
    service::TRemotableFiltre f;
    f.IdentificationClient = service::TFiltreIdentificationClient::ficTous;
    f.RequeteClient = service::TFiltreRequeteClient::frcToutes;
    return f;
  }
  std::string LibellePeriode() const override { return "Ten years"; }
  std::string LibelleCriteres() const override { return "All"; }

private:
  service::TDateTime today_;
};

struct Case {
  const char* name;
  Fault fault;
  bool refreshFails;     // the refresh fails and is retried 20 s later
  bool toHandler;        // the failure goes to the application's handler instead
  bool loadFails;        // the history load fails
  std::function<bool(std::exception_ptr)> expected;  // the error a failed load must report
};

template <class E>
std::function<bool(std::exception_ptr)> Is() {
  return [](std::exception_ptr e) {
    try {
      std::rethrow_exception(e);
    } catch (const E&) {
      return true;
    } catch (...) {
      return false;
    }
  };
}

// A generic SOAP fault, not one of the service's own kinds.
bool GenericFault(std::exception_ptr e) {
  try {
    std::rethrow_exception(e);
  } catch (const service::ERemotableTarvenholtException&) {
    return false;
  } catch (const service::ERemotableException&) {
    return true;
  } catch (...) {
    return false;
  }
}

std::string What(std::exception_ptr e) {
  try {
    std::rethrow_exception(e);
  } catch (const std::exception& x) {
    return x.what();
  } catch (...) {
    return "?";
  }
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

}  // namespace

Findings RunServiceFaults(LoopDriver& driver, const ServiceFaultOptions& options) {
  Findings findings;
  ScratchFolder scratch;
  LoadService service(/*publishesAddress=*/true);
  ServiceFront front(service.Port());
  ConsoleOptions consoleOptions;
  consoleOptions.root = front.Root();
  service::TransportOptions transport;
  transport.connectTimeoutMs = options.readTimeoutMs;
  transport.readTimeoutMs = options.readTimeoutMs;
  consoleOptions.agentProxy =
      std::make_shared<service::CorvaneAgentProxy>(front.Root(), std::make_shared<service::CurlTransport>(transport));
  consoleOptions.groupProxy = std::make_shared<service::CorvaneGroupeAgentProxy>(
      front.Root(), std::make_shared<service::CurlTransport>(transport));
  consoleOptions.publishAddress = true;
  LoadConsole console(driver, service, consoleOptions);
  calls::TCorvaneAgent& agent = console.Agent();
  int beforeWork = 0, afterWork = 0;
  std::vector<std::exception_ptr> handled;
  agent.BeforeWork = [&] { ++beforeWork; };
  agent.AfterWork = [&] { ++afterWork; };
  agent.OnErreur = [&](std::exception_ptr e) { handled.push_back(e); };

  // A session runs through all of it.
  const std::string id = service.NewAssistance("Patient customer");
  std::filesystem::create_directories(scratch.Path("received"));
  CustomerProcess customer(CustomerArgs(console.CallPort(), id, "Patient customer", scratch.Path("received")));
  SessionRecord* record = nullptr;
  if (!driver.WaitFor([&] { return (record = console.Shown(id)) && record->State() == 2 && record->frames > 2; }, 60000)) {
    findings.Lost("the session did not start:\n" + customer.Transcript());
    return findings;
  }
  const int callPort = console.CallPort();

  records::TdmGestionAssistances history(agent);
  WholeHistory filter(std::floor(history.maintenant()));
  history.setFiltre(&filter);
  history.reload();  // fills the cache with the past days
  // The baseline: a healthy load from the cache (only today is asked of the service), as every
  // load after a fault is.
  auto t0 = Clock::now();
  history.reload();
  const double baseLoadMs = Ms(Clock::now() - t0);
  const size_t expectedRows = service.AssistanceCount();
  if (static_cast<size_t>(history.recordCount()) != expectedRows)
    findings.Lost("the healthy history shows " + std::to_string(history.recordCount()) + " sessions of " +
                  std::to_string(expectedRows));

  const std::vector<Case> cases = {
      {"slow answers", Fault::Slow, false, false, false, {}},
      {"time-out", Fault::Timeout, true, false, true, Is<service::EReadTimeout>()},
      {"HTTP 500", Fault::Http500, true, false, true,
       [](std::exception_ptr e) {
         try {
           std::rethrow_exception(e);
         } catch (const service::EHttpStatus& s) {
           return s.status() == 500;
         } catch (...) {
           return false;
         }
       }},
      {"SOAP fault", Fault::SoapFault, true, false, true, GenericFault},
      {"invalid session", Fault::InvalidSession, false, true, true, Is<service::ERemotableInvalideSession>()},
      {"cut before the answer", Fault::Cut, true, false, true, Is<service::ETransportError>()},
      {"cut in the answer", Fault::CutMidAnswer, true, false, true, Is<service::ETransportError>()},
      {"unreadable answer", Fault::Garbage, true, false, true, Is<service::ENotWellFormedAnswer>()},
      {"service down", Fault::Down, true, false, true, Is<service::EConnectionRefused>()},
  };

  int refreshesKept = 0, retriesRight = 0, errorsReported = 0, recoveries = 0, faultyRequests = 0;
  double timeoutReportMs = 0, recoveredLoadMs = 0;
  for (const Case& c : cases) {
    const std::string tag = std::string(c.name) + ": ";
    // The refresh under the fault comes exactly one period after the countdown restarts.
    agent.SetIntervalRafraichissementStatus(3);
    front.SetFault(c.fault, options.slowMs);
    const int status0 = front.Seen("ModifierStatus");
    const int total0 = front.SeenTotal();
    const int before0 = beforeWork, after0 = afterWork;
    const size_t handled0 = handled.size();
    driver.Pass(kPeriode - 1);
    const bool early = front.Seen("ModifierStatus") != status0;
    driver.Pass(1);
    const int attempts = front.Seen("ModifierStatus") - status0;
    faultyRequests += front.SeenTotal() - total0;

    bool kept = agent.StatusAgent() == service::TStatusAgent::saOccupe && agent.Ecouteur().Active() &&
                console.CallPort() == callPort && record->State() == 2;
    // Every BeforeWork has its AfterWork, also when the fault goes on to the handler.
    kept = kept && beforeWork - before0 == afterWork - after0;
    if (c.toHandler)
      kept = kept && handled.size() == handled0 + 1 && c.expected(handled.back());
    else
      kept = kept && handled.size() == handled0;
    if (early || (c.fault != Fault::Down && attempts != 1)) kept = false;
    if (kept)
      ++refreshesKept;
    else
      findings.Lost(tag + "the refresh changed the console's state or was not handled as it should (attempts " +
                    std::to_string(attempts) + (early ? ", early" : "") + ")");

    // A failed refresh comes again 20 s later, and again while the service stays sick; a
    // successful one (or one handed to the application) keeps the normal period.
    const uint32_t retryIn = c.refreshFails ? kReessai : kPeriode;
    const int status1 = front.Seen("ModifierStatus");
    const size_t handled1 = handled.size();
    driver.Pass(retryIn - 1);
    const bool retryEarly = front.Seen("ModifierStatus") != status1 || handled.size() != handled1;
    driver.Pass(1);
    const bool retried = c.fault == Fault::Down ? handled.size() == handled1 : front.Seen("ModifierStatus") == status1 + 1;
    if (!retryEarly && retried)
      ++retriesRight;
    else
      findings.Lost(tag + "the next refresh did not come " + std::to_string(retryIn / 1000) + " s later");

    // A history load under the fault reports its error and leaves the cache as it was.
    const size_t periods0 = history.periodesCache().size(), pool0 = history.tailleCache();
    const int total1 = front.SeenTotal();
    std::exception_ptr error;
    t0 = Clock::now();
    try {
      history.reload();
    } catch (...) {
      error = std::current_exception();
    }
    const double loadMs = Ms(Clock::now() - t0);
    const int loadRequests = front.SeenTotal() - total1;
    faultyRequests += loadRequests;
    if (c.fault == Fault::Timeout) timeoutReportMs = loadMs;
    bool reported = c.loadFails ? error && c.expected(error) && !history.EzAssistance().active() &&
                                      history.periodesCache().size() == periods0 && history.tailleCache() == pool0
                                : !error && static_cast<size_t>(history.recordCount()) == expectedRows;
    if (c.loadFails && c.fault != Fault::Down && loadRequests != 1) reported = false;  // one try, no storm
    if (reported)
      ++errorsReported;
    else
      findings.Lost(tag + "the history load " +
                    (error ? "reported \"" + What(error) + "\"" : std::string("did not fail")) + " after " +
                    std::to_string(loadRequests) + " requests");

    // Healthy again: the next refresh succeeds and restores the normal period; the history loads.
    front.SetFault(Fault::None);
    driver.Pass(retryIn);
    const int status2 = front.Seen("ModifierStatus");
    const size_t handled2 = handled.size();
    driver.Pass(kPeriode - 1);
    const bool quiet = front.Seen("ModifierStatus") == status2;
    driver.Pass(1);
    bool recovered = quiet && front.Seen("ModifierStatus") == status2 + 1 && handled.size() == handled2;
    error = nullptr;
    t0 = Clock::now();
    try {
      history.reload();
    } catch (...) {
      error = std::current_exception();
    }
    recoveredLoadMs = std::max(recoveredLoadMs, Ms(Clock::now() - t0));
    recovered = recovered && !error && static_cast<size_t>(history.recordCount()) == expectedRows;
    // The session went on through it all (its frames wait while the main thread waits for the
    // service, and flow again).
    const int frames = record->frames;
    recovered = recovered && driver.WaitFor([&] { return record->frames > frames + 2; }, 15000) && record->State() == 2;
    if (recovered)
      ++recoveries;
    else
      findings.Lost(tag + "the console did not recover once the service was healthy" +
                    (error ? " (" + What(error) + ")" : std::string()));
  }

  // The session ends as usual.
  if (auto* m = record->Model()) m->InitierCloture();
  const bool ended = driver.WaitRunning([&] { return customer.Exited() && record->Destroyed(); }, 30000);
  if (!ended || customer.ExitCode() != 0) findings.Lost("the session did not end cleanly:\n" + customer.Transcript());
  if (service.Closing(id).find('O') == std::string::npos) findings.Lost("the session's closing did not reach the service");

  const int n = static_cast<int>(cases.size());
  findings.AddBounded("fault-refreshes-kept", refreshesKept, "refreshes", n);
  findings.AddBounded("fault-retries-on-time", retriesRight, "refreshes", n);
  findings.AddBounded("fault-errors-reported", errorsReported, "loads", n);
  findings.AddBounded("fault-recoveries", recoveries, "faults", n);
  // The load that met no answer fails once the configured read time-out has passed, not sooner.
  findings.AddBounded("fault-timeout-report", timeoutReportMs, "ms", options.readTimeoutMs);
  if (timeoutReportMs < options.readTimeoutMs)
    findings.Lost("time-out: the history load failed after " + std::to_string(static_cast<int>(timeoutReportMs)) +
                  " ms, before the read time-out of " + std::to_string(options.readTimeoutMs) + " ms");
  findings.Add("fault-history-load-after", recoveredLoadMs, "ms", baseLoadMs,
               recoveredLoadMs > 0 ? baseLoadMs / recoveredLoadMs : 0, 0.25);
  findings.Add("fault-state-lost", static_cast<double>(findings.Losses().size()), "faults");
  char line[256];
  std::snprintf(line, sizeof line,
                "%d faults (slow, time-out, HTTP 500, SOAP fault, invalid session, cuts, unreadable, down) during "
                "refreshes and history loads; %d requests met a fault; a session ran throughout",
                n, faultyRequests);
  findings.Note(line);
  std::snprintf(line, sizeof line, "history of %zu sessions: %.0f ms healthy, %.0f ms at worst after a fault; time-out reported after %.0f ms (limit %d ms)",
                expectedRows, baseLoadMs, recoveredLoadMs, timeoutReportMs, options.readTimeoutMs);
  findings.Note(line);
  return findings;
}

}  // namespace corvane::load
