// console-startup, history-grid-scroll: the desktop console offscreen against the reference service
// (in this process, on loopback) holding a 10,000-session history for the agent's group.
//
// console-startup (ms): wall time from the start of a process to its main window painted with the
// whole history, logged in (-login/-pwd/-status 2, as the command line does it). The process is this
// program started again as the console: it runs the console's start-up as corvane-agent's main()
// does. Baseline: a process that logs in with the service's SOAP proxy, asks for the same history
// (one ListeAssistances, the same answer) and shows it in a plain QTableView over a
// QStandardItemModel filled with the same number of columns of plain texts.
//
// history-grid-scroll (ms): paging through the 10,000 rows, each page scrolled to and painted,
// in the console's history grid against the plain QTableView of the same viewport size.
//
// Ratios are baseline / ours (higher is better); each figure is the best of a few runs.

#include <QApplication>
#include <QDateTime>
#include <QHeaderView>
#include <QPixmap>
#include <QStandardItemModel>
#include <QTableView>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "BenchReport.h"
#include "ChildProcess.h"
#include "DemoData.h"
#include "ServiceServer.h"
#include "base/ui/QtMainLoop.h"
#include "service/CorvaneAgent.h"
#include "shell/ConfigurationStore.h"
#include "shell/Demarrage.h"
#include "shell/LigneCommande.h"
#include "shell/ui/FrmPrincipale.h"

using namespace corvane;
using service::TDateTime;

namespace {

constexpr int kSessions = 10000;
constexpr int kHistoryDays = 30;
constexpr int kRuns = 3;

int64_t MonotonicNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Pages through every row of the grid, top to bottom, painting each page; milliseconds.
double PageThrough(QTableView& grid) {
  const int rows = grid.model()->rowCount();
  const int rowHeight = std::max(1, grid.verticalHeader()->defaultSectionSize());
  const int page = std::max(1, grid.viewport()->height() / rowHeight);
  const int64_t t0 = MonotonicNs();
  for (int row = 0; row < rows; row += page) {
    grid.scrollTo(grid.model()->index(row, 0), QAbstractItemView::PositionAtTop);
    (void)grid.viewport()->grab();
  }
  return static_cast<double>(MonotonicNs() - t0) / 1e6;
}

// Prints "ready <monotonic ns> scroll <ms> size <w> <h>" once the grid shows `kSessions` rows.
void ReportWhenShown(QWidget& window, QTableView& grid) {
  auto* poll = new QTimer(&window);
  QObject::connect(poll, &QTimer::timeout, [&window, &grid, poll] {
    if (!window.isVisible() || !grid.model() || grid.model()->rowCount() < kSessions) return;
    poll->stop();
    (void)window.grab();  // the whole window painted, grid included
    const int64_t ready = MonotonicNs();
    const double scroll = PageThrough(grid);
    std::printf("ready %lld scroll %.3f size %d %d rows %d\n", static_cast<long long>(ready), scroll,
                grid.viewport()->width(), grid.viewport()->height(), grid.model()->rowCount());
    std::fflush(stdout);
    QApplication::exit(0);
  });
  poll->start(1);
}

// The console, as corvane-agent's main() starts it, with its configuration in `folder`.
int RunConsole(int argc, char** argv, const std::string& folder) {
  QApplication application(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  shell::InitialiserProcessus(argc, argv, [](const std::string& caption, const std::string& text) {
    std::cerr << caption << ": " << text << "\n";
    std::_Exit(3);
  });
  base::QtMainLoop loop;
  shell::ConfigurationStore configuration(folder, "");
  int code = 0;
  {
    shell::ui::TFrmPrincipale fenetre(loop, configuration);
    fenetre.AfficherDerniersJours(kHistoryDays);
    ReportWhenShown(fenetre, *fenetre.Grille());
    fenetre.Demarrer(shell::InfosLigneCommande());
    code = QApplication::exec();
  }
  loop.refuseHandOvers();
  return code;
}

QString DateText(TDateTime date) {
  if (date == 0) return {};
  const qint64 ms = static_cast<qint64>((date - 25569.0) * 86400000.0);
  return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(QStringLiteral("yyyy-MM-dd hh:mm"));
}

// The plain widget: the same answer in a QStandardItemModel under a QTableView.
int RunPlain(int argc, char** argv, const std::string& root, int width, int height) {
  QApplication application(argc, argv);
  service::CorvaneAgentProxy proxy(root);
  const std::string session = proxy.LogIn("tech", "tech");
  const TDateTime today = service::server::ServiceZoneTime(service::server::SystemMilliseconds());
  service::TRemotableFiltre filtre;
  filtre.DateDebutInclue = static_cast<double>(static_cast<int64_t>(today)) - kHistoryDays + 1;
  filtre.DateFinNonInclue = static_cast<double>(static_cast<int64_t>(today)) + 1;
  filtre.IdentificationClient = service::TFiltreIdentificationClient::ficTous;
  filtre.RequeteClient = service::TFiltreRequeteClient::frcToutes;
  const service::TRemotableAssistances list = proxy.ListeAssistances(session, filtre);

  QStandardItemModel model(static_cast<int>(list.size()), 11);
  model.setHorizontalHeaderLabels({"ID", "Request Date", "End date", "Name", "E-mail", "Identifier", "IP address",
                                   "Request", "Agent", "Report", "Closing"});
  int row = 0;
  for (const service::TRemotableAssistance& a : list) {
    const QString texts[] = {QString::fromStdString(a.AssistanceID),
                             DateText(a.DemandeDate),
                             DateText(a.ReponseDate),
                             QString::fromStdString(a.ClientNom.empty() ? a.CorvaneClientNom : a.ClientNom),
                             QString::fromStdString(a.ClientEmail.empty() ? a.CorvaneClientEmail : a.ClientEmail),
                             QString::fromStdString(a.ClientIdentifiant),
                             QString::fromStdString(a.ClientAdressIP),
                             QString::fromStdString(a.DemandeDescription),
                             QString::fromStdString(a.AgentID),
                             QString::fromStdString(a.ReponseDescription),
                             QString::fromStdString(a.Cloture)};
    for (int column = 0; column < 11; ++column) model.setItem(row, column, new QStandardItem(texts[column]));
    ++row;
  }
  QTableView view;
  view.setModel(&model);
  view.resize(width, height);
  view.show();
  ReportWhenShown(view, view);
  return QApplication::exec();
}

struct Shown {
  double startupMs = 0;
  double scrollMs = 0;
  int width = 0, height = 0;
};

Shown Measure(const std::vector<std::string>& args) {
  const int64_t start = MonotonicNs();
  const std::string out = bench::RunChild(args);
  const size_t at = out.rfind("ready ");
  if (at == std::string::npos) throw std::runtime_error("no figure from " + args[0] + ": " + out);
  std::istringstream in(out.substr(at));
  std::string word;
  long long ready = 0;
  int rows = 0;
  Shown shown;
  in >> word >> ready >> word >> shown.scrollMs >> word >> shown.width >> shown.height >> word >> rows;
  if (!in || rows != kSessions) throw std::runtime_error("bad figure from " + args[0] + ": " + out);
  shown.startupMs = static_cast<double>(ready - start) / 1e6;
  return shown;
}

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  if (argc >= 3 && std::strcmp(argv[1], "--console") == 0) return RunConsole(argc, argv, argv[2]);
  if (argc >= 5 && std::strcmp(argv[1], "--plain") == 0)
    return RunPlain(argc, argv, argv[2], std::atoi(argv[3]), std::atoi(argv[4]));

  try {
    using namespace service::server;
    bench::ScratchFolder scratch;
    ServiceStore store(StoreOptions{":memory:", 0, {}, kQuickPasswordIterations});
    service::TRemotableGroupeAgent groupe;
    groupe.Nom = "Bench Support";
    const std::string groupeId = store.SeedGroup(groupe);
    service::TRemotableAgent tech;
    tech.GroupeID = groupeId;
    tech.Login = "tech";
    tech.Nom = "Durand";
    tech.Prenom = "Alice";
    tech.AdresseIPAuto = true;
    tech.Port = 0;
    const std::string techId = store.SeedAgent(tech, "tech");
    // Latest first over the past 20 days, every closing state, known and unknown customers.
    const char* closings[] = {"O", "IO", "R", "N", "U", "A", "I", "RO", ""};
    const TDateTime now = ServiceZoneTime(SystemMilliseconds());
    for (int i = 0; i < kSessions; ++i) {
      service::TRemotableAssistance a;
      a.ClientAdressIP = "192.0.2." + std::to_string(i % 250);
      a.CorvaneClientNom = "Customer " + std::to_string(i % 997);
      a.CorvaneClientEmail = "customer" + std::to_string(i % 997) + "@customer.invalid";
      a.DemandeDescription = "The printer does not print any more.\r\nPlease help.";
      a.DemandeDate = now - 0.001 - 20.0 * i / kSessions;
      a.Cloture = closings[i % (sizeof closings / sizeof closings[0])];
      if (a.Cloture.find('O') != std::string::npos) {
        a.AgentID = techId;
        a.ReponseDescription = "Driver reinstalled, test page printed.";
        a.ReponseDate = a.DemandeDate + 0.0005;
      }
      store.SeedAssistance(groupeId, a);
    }
    ServiceServer server(store, ServerOptions{"127.0.0.1", 0, "/scripts/ServiceCorvane.dll/", "", "", {}});
    server.start();
    {
      shell::ConfigurationStore configuration(scratch.path().string(), "");
      configuration.WriteString("FrmPrincipale", "RacineServeur", server.rootUrl());
      configuration.Save();
    }

    Shown ours, plain;
    ours.startupMs = ours.scrollMs = plain.startupMs = plain.scrollMs = 1e300;
    for (int run = 0; run < kRuns; ++run) {
      const Shown o = Measure({"--console", scratch.path().string(), "-login", "tech", "-pwd", "tech", "-status", "2"});
      const Shown p = Measure({"--plain", server.rootUrl(), std::to_string(o.width), std::to_string(o.height)});
      ours.startupMs = std::min(ours.startupMs, o.startupMs);
      ours.scrollMs = std::min(ours.scrollMs, o.scrollMs);
      plain.startupMs = std::min(plain.startupMs, p.startupMs);
      plain.scrollMs = std::min(plain.scrollMs, p.scrollMs);
    }
    server.stop();
    bench::Report("console-startup", ours.startupMs, "ms", plain.startupMs, plain.startupMs / ours.startupMs, 0.8);
    bench::Report("history-grid-scroll", ours.scrollMs, "ms", plain.scrollMs, plain.scrollMs / ours.scrollMs, 0.8);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_console_startup: %s\n", e.what());
    return 1;
  }
  return 0;
}
