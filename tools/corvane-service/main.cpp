// corvane-service: the reference web service of the Corvane console, as a command-line program.

#include <signal.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "DemoData.h"
#include "ServiceServer.h"

using namespace corvane::service::server;

namespace {

const char* kUsage =
    "Usage: corvane-service [--listen HOST:PORT] [--db FILE] [--root PATH] [--demo]\n"
    "                       [--updates DIR] [--client-program FILE] [--session-idle SECONDS]\n"
    "                       [--first-password-days DAYS] [--pbkdf2-iterations N]\n"
    "\n"
    "Serves the Corvane web service (SOAP interfaces ICorvaneAgent, ICorvaneGroupeAgent and\n"
    "ICorvaneInscription) with its data in an SQLite file.\n"
    "\n"
    "  --listen HOST:PORT       address to listen on (default 127.0.0.1:8090; port 0 picks one)\n"
    "  --db FILE                database file, created on first start (default corvane-service.db)\n"
    "  --root PATH              root path of the service (default /scripts/ServiceCorvane.dll/)\n"
    "  --demo                   seed a demonstration group when the database is empty\n"
    "                           (agents admin/admin and agent/agent)\n"
    "  --updates DIR            serve the files of DIR under /maj/ (update descriptor and files)\n"
    "  --client-program FILE    the customer program served by GetFile\n"
    "  --session-idle SECONDS   forget service sessions idle this long (default 1800)\n"
    "  --first-password-days DAYS\n"
    "                           a new agent's first password (its login) opens the account this\n"
    "                           many days after its creation (default 7); later only an\n"
    "                           administrator's reset of its password does\n"
    "  --pbkdf2-iterations N    work factor of new password hashes (default 600000); lower it only\n"
    "                           for tests; existing hashes keep their own\n"
    "  --help                   show this help\n"
    "\n"
    "Prints the root URL once listening; stops cleanly on SIGINT or SIGTERM.\n";

int Fail(const std::string& message) {
  std::cerr << "corvane-service: " << message << "\n" << kUsage;
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  ServerOptions server;
  StoreOptions store;
  store.path = "corvane-service.db";
  bool demo = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc) return false;
      out = argv[++i];
      return true;
    };
    std::string v;
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      return 0;
    } else if (arg == "--demo") {
      demo = true;
    } else if (arg == "--listen") {
      if (!value(v)) return Fail("--listen needs HOST:PORT");
      size_t colon = v.rfind(':');
      if (colon == std::string::npos) return Fail("--listen needs HOST:PORT");
      server.host = v.substr(0, colon);
      try {
        size_t used = 0;
        server.port = std::stoi(v.substr(colon + 1), &used);
        if (used != v.size() - colon - 1 || server.port < 0 || server.port > 65535) throw 0;
      } catch (...) {
        return Fail("bad port in --listen " + v);
      }
    } else if (arg == "--db") {
      if (!value(store.path)) return Fail("--db needs a file");
    } else if (arg == "--root") {
      if (!value(server.rootPath)) return Fail("--root needs a path");
    } else if (arg == "--updates") {
      if (!value(server.updatesDir)) return Fail("--updates needs a folder");
    } else if (arg == "--client-program") {
      if (!value(server.clientProgram)) return Fail("--client-program needs a file");
    } else if (arg == "--session-idle") {
      if (!value(v)) return Fail("--session-idle needs seconds");
      try {
        store.sessionIdleMs = std::stoll(v) * 1000;
      } catch (...) {
        return Fail("bad --session-idle " + v);
      }
      if (store.sessionIdleMs <= 0) return Fail("bad --session-idle " + v);
    } else if (arg == "--first-password-days" || arg == "--pbkdf2-iterations") {
      if (!value(v)) return Fail(arg + " needs a number");
      int number = -1;
      try {
        size_t used = 0;
        number = std::stoi(v, &used);
        if (used != v.size()) number = -1;
      } catch (...) {
      }
      if (arg == "--first-password-days") {
        if (number < 0 || number > 36500) return Fail("bad --first-password-days " + v);
        store.firstPasswordDays = number;
      } else {
        if (number < 1 || number > kMaxPasswordIterations) return Fail("bad --pbkdf2-iterations " + v);
        store.passwordIterations = number;
      }
    } else {
      return Fail("unknown argument " + arg);
    }
  }

  // Signals are taken by sigwait below, not by a handler on an arbitrary thread.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  try {
    ServiceStore data(store);
    if (demo && data.Empty()) {
      DemoSummary summary = SeedDemo(data, SystemMilliseconds());
      std::cout << "demo: group " << summary.groupeId << ", " << summary.assistances
                << " sessions; agents admin/admin and agent/agent" << std::endl;
    }
    server.log = [](const std::string& line) { std::cout << line << std::endl; };
    ServiceServer http(data, server);
    http.start();
    std::cout << "corvane-service: listening on " << http.rootUrl() << std::endl;
    int signal = 0;
    sigwait(&stopSignals, &signal);
    std::cout << "corvane-service: stopping (" << strsignal(signal) << ")" << std::endl;
    http.stop();
  } catch (const std::exception& e) {
    std::cerr << "corvane-service: " << e.what() << std::endl;
    return 1;
  }
  return 0;
}
