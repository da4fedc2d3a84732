// history-load-cached, history-load-service, history-export-csv: a 10,000-session history
// loaded and displayed (every field text of every row computed, as a grid would), once from the
// service's answer and once from a cached past period, then exported as CSV through the real
// style sheet. Rows per second.
//
// Baselines, measured in the same run: for the service load, the same texts computed straight
// from the records without the record set; for the cached load, the service load itself; for the
// CSV export, the same CSV written by plain string concatenation.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "BenchReport.h"
#include "records/DateTimeText.h"
#include "records/DmGestionAssistances.h"
#include "records/ExportHistorique.h"
#include "records/SystemTimeZone.h"
#include "records/TransformationXML.h"

using namespace corvane;
using namespace corvane::records;
using namespace corvane::service;

namespace {

constexpr int kSessions = 10000;
constexpr TDateTime kToday = 45366;  // 2024-03-15

class BenchGateway final : public ServiceGateway {
public:
  TRemotableAgents agents;
  TRemotableAssistances sessions;
  int historyCalls = 0;
  const TRemotableAgent* InfosAgent() const override { return nullptr; }
  std::string AjouterUnAgent(const TRemotableAgent&) override { return {}; }
  TRemotableAgents ListeAgents() override { return agents; }
  TRemotableAgent ObtenirAgent(const std::string&) override { return {}; }
  void MettreAJourAgent(const TRemotableAgent&) override {}
  void SupprimerUnAgent(const std::string&) override {}
  TRemotableAssistances ListeAssistances(const TRemotableFiltre&) override {
    ++historyCalls;
    return sessions;
  }
  std::string AjouterUnClient(const TRemotableClient&) override { return {}; }
  TRemotableClient ObtenirClient(const std::string&) override { return {}; }
  void MettreAJourClient(const TRemotableClient&) override {}
  void SupprimerUnClient(const std::string&) override {}
  TRemotableClients ListeClients() override { return {}; }
  void ModifierGroupe(TRemotableGroupeAgent&) override {}
  TRemotableGroupeAgent ObtenirGroupe(const std::string&) override { return {}; }
};

class BenchFilter final : public HistoryFilter {
public:
  TDateTime DateDebut() const override { return kToday - 30; }
  TDateTime DateFin() const override { return kToday; }
  TRemotableFiltre Criteres() const override {
    TRemotableFiltre f;
    f.IdentificationClient = TFiltreIdentificationClient::ficTous;
    f.RequeteClient = TFiltreRequeteClient::frcToutes;
    return f;
  }
  std::string LibellePeriode() const override { return "Last 30 days"; }
  std::string LibelleCriteres() const override { return "All clients. All requests handling. All response type"; }
};

void Fill(BenchGateway& gateway) {
  for (int i = 0; i < 5; ++i) {
    TRemotableAgent a;
    a.AgentID = std::to_string(i);
    a.Login = "agent" + std::to_string(i);
    gateway.agents.push_back(a);
  }
  for (int i = 0; i < kSessions; ++i) {
    TRemotableAssistance a;
    a.AssistanceID = std::to_string(100000 + i);
    a.ClientID = i % 3 ? std::to_string(i % 97) : "";
    a.ClientIdentifiant = i % 3 ? "CLI-" + std::to_string(i % 97) : "";
    a.ClientNom = i % 3 ? "Client name " + std::to_string(i % 97) : "";
    a.ClientAdressIP = "192.168." + std::to_string(i % 256) + "." + std::to_string(i % 200);
    a.ClientEmail = i % 3 ? "client" + std::to_string(i % 97) + "@example.org" : "";
    a.CorvaneClientNom = "Typed name";
    a.CorvaneClientEmail = "typed@example.org";
    a.DemandeDescription = "My printer does not print any more.\r\nPlease help \"now\".";
    // Latest first, spread over the 30 past days.
    a.DemandeDate = kToday - 1.0 / 86400 - (30.0 - 2.0 / 86400) * i / kSessions;
    a.AgentID = i % 4 ? std::to_string(i % 5) : "";
    a.ReponseDescription = i % 2 ? "Driver reinstalled, test page printed." : "";
    a.ReponseDate = i % 2 ? a.DemandeDate + 0.01 : 0;
    a.Cloture = i % 2 ? "O" : "IN";
    gateway.sessions.push_back(a);
  }
}

// Every field text of every row, as a grid shows them.
size_t DisplayAll(VirtualRecordSet& set) {
  size_t chars = 0;
  const int rows = set.recordCount(), fields = set.fieldCount();
  for (int r = 0; r < rows; ++r)
    for (int f = 0; f < fields; ++f) chars += set.textAt(r, f).size();
  return chars;
}

// The same texts computed straight from the records.
size_t DisplayDirect(const TRemotableAssistances& sessions, const TdmGestionAssistances& history) {
  size_t chars = 0;
  for (const TRemotableAssistance& s : sessions) {
    for (const std::string* text : {&s.AssistanceID, &s.AgentID, &s.ClientID, &s.DemandeDescription,
                                    &s.ReponseDescription, &s.ClientIdentifiant, &s.CorvaneClientNom,
                                    &s.CorvaneClientEmail, &s.ClientAdressIP, &s.Cloture})
      chars += text->size();
    chars += (s.ClientNom.empty() ? s.CorvaneClientNom : s.ClientNom).size();
    chars += (s.ClientEmail.empty() ? s.CorvaneClientEmail : s.ClientEmail).size();
    chars += history.TexteDate(history.ServiceVersLocal(s.DemandeDate)).size();
    chars += s.ReponseDate == 0 ? 0 : history.TexteDate(history.ServiceVersLocal(s.ReponseDate)).size();
    chars += 1;  // EtatCloture
  }
  return chars;
}

std::string Csv(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += "\"\"";
    else out += c;
  }
  return out + "\"";
}

}  // namespace

int main(int argc, char** argv) {
  const std::string exportDir = argc > 1 ? argv[1] : CORVANE_EXPORT_DIR;
  BenchGateway gateway;
  Fill(gateway);
  BenchFilter filter;
  TdmGestionAssistances history(gateway);
  history.setZoneLocale(LoadTimeZone("Europe/Paris"));
  history.setHorloge([] { return kToday + 0.4; });
  history.setFiltre(&filter);

  size_t sink = 0;
  const double service = bench::BestOf(5, [&] {
    history.clearCache();
    history.reload();
    sink += DisplayAll(history.EzAssistance());
  });
  const double direct = bench::BestOf(5, [&] { sink += DisplayDirect(gateway.sessions, history); });
  history.reload();  // the cache now holds the period
  const int callsBefore = gateway.historyCalls;
  const double cached = bench::BestOf(5, [&] {
    history.reload();
    sink += DisplayAll(history.EzAssistance());
  });
  if (gateway.historyCalls != callsBefore || history.recordCount() != kSessions) {
    std::fprintf(stderr, "the cached load asked the service or lost rows\n");
    return 1;
  }

  const std::string file = (std::filesystem::temp_directory_path() / "corvane-bench-history.csv").string();
  ExportHistorique exporter(history, exportDir);
  const double csv = bench::BestOf(3, [&] { exporter.ExporterCSV(file); });
  if (std::getenv("CORVANE_BENCH_DETAIL")) {
    std::string doc;
    const double build = bench::BestOf(3, [&] { doc = exporter.Document({true, true, true}); });
    TTransformationXML t;
    t.FileNameXSLT = exportDir + "/csv.xsl";
    const double transform = bench::BestOf(3, [&] { sink += t.Transformer(doc).size(); });
    std::fprintf(stderr, "document %.3f s, transformation %.3f s\n", build, transform);
  }
  const double plainCsv = bench::BestOf(3, [&] {
    std::string text;
    for (const TRemotableAssistance& s : gateway.sessions) {
      text += Csv(s.AssistanceID) + "," + Csv(FormatDateTime("yyyy-mm-dd", history.ServiceVersLocal(s.DemandeDate))) +
              "," + Csv(s.ClientAdressIP) + "," + Csv(s.ClientIdentifiant) + "," +
              Csv(s.ClientNom.empty() ? s.CorvaneClientNom : s.ClientNom) + "," +
              Csv(NettoyerDescription(s.DemandeDescription, {true, true, true})) + "," +
              Csv(NettoyerDescription(s.ReponseDescription, {true, true, true})) + "," + Csv(s.Cloture) + "," +
              Csv(s.AgentID) + "\n";
    }
    WriteAnsiLines(file, text);
  });
  std::filesystem::remove(file);

  const double serviceRate = kSessions / service, directRate = kSessions / direct;
  const double cachedRate = kSessions / cached;
  const double csvRate = kSessions / csv, plainCsvRate = kSessions / plainCsv;
  bench::Report("history-load-cached", cachedRate, "rows/s", serviceRate, cachedRate / serviceRate, 1.0);
  bench::Report("history-load-service", serviceRate, "rows/s", directRate, serviceRate / directRate, 0.25);
  bench::Report("history-export-csv", csvRate, "rows/s", plainCsvRate, csvRate / plainCsvRate, 0.05);
  return sink == 0 ? 1 : 0;
}
