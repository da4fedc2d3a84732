// history-load-cached, history-load-decoded, history-export-csv: a 10,000-session history
// loaded and displayed (every field text of every row computed, as a grid would), once from an
// answer the service client has already decoded (an in-memory gateway: no SOAP, no network; the
// fault programs time the load over HTTP) and once from a cached past period, then exported as
// CSV through the real style sheet. Rows per second.
//
// Baselines, measured in the same run: for the decoded load, the same texts computed straight
// from the records without the record set; for the cached load, the decoded load itself; for the
// CSV export, the same file (header, columns, quoting, line ends) written by plain string
// concatenation, checked byte for byte against the export.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "BenchReport.h"
#include "base/Translate.h"
#include "records/Cloture.h"
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

// One quoted CSV value, quotes doubled, as the style sheet writes it.
void Csv(std::string& out, std::string_view text, bool first = false) {
  if (!first) out += ',';
  out += '"';
  for (char c : text) {
    if (c == '"') out += "\"\"";
    else out += c;
  }
  out += '"';
}

std::string Ymd(const service::DateTimeFields& f) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", f.year, f.month, f.day);
  return buf;
}

std::string Hms(const service::DateTimeFields& f) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", f.hour, f.minute, f.second);
  return buf;
}

// The CSV export written straight from the service's records: the header of column captions, then
// per session the nineteen columns of the style sheet.
std::string PlainCsv(const BenchGateway& gateway, const TdmGestionAssistances& history) {
  static const char* const kCaptions[] = {
      "Id", "Date begin", "Time begin", "Date end", "Time end", "Duration", "Client IP", "Client ID",
      "Client name", "Client email", "Client request", "Client request type", "Agent report",
      "Agent responses", "Agent id", "Agent login", "Agent first name", "Agent last name", "Agent e-mail"};
  const OptionsExport options{true, true, true};
  std::map<std::string, const TRemotableAgent*> agents;
  for (const TRemotableAgent& a : gateway.agents) agents[a.AgentID] = &a;
  std::string text;
  bool first = true;
  for (const char* caption : kCaptions) {
    Csv(text, base::Tr(caption), first);
    first = false;
  }
  text += '\n';
  for (const TRemotableAssistance& s : gateway.sessions) {
    Csv(text, s.AssistanceID, true);
    const TDateTime begin = history.ServiceVersLocal(s.DemandeDate);
    const service::DateTimeFields b = service::DecodeDateTime(begin);
    Csv(text, Ymd(b));
    Csv(text, Hms(b));
    if (s.ReponseDate != 0) {
      const TDateTime end = history.ServiceVersLocal(s.ReponseDate);
      const service::DateTimeFields e = service::DecodeDateTime(end);
      Csv(text, Ymd(e));
      Csv(text, Hms(e));
      Csv(text, DureeIso8601(begin, end));
    } else {
      text += ",\"\",\"\",\"\"";
    }
    const bool known = !s.ClientIdentifiant.empty();
    Csv(text, s.ClientAdressIP);
    Csv(text, s.ClientIdentifiant);
    Csv(text, known ? s.ClientNom : s.CorvaneClientNom);
    Csv(text, known ? s.ClientEmail : s.CorvaneClientEmail);
    Csv(text, NettoyerDescription(s.DemandeDescription, options));
    const auto agent = s.AgentID.empty() ? agents.end() : agents.find(s.AgentID);
    Csv(text, s.AgentID.empty() ? "NotHandled" : "Handled");
    Csv(text, NettoyerDescription(s.ReponseDescription, options));
    std::string responses;
    const unsigned set = ClotureSet(s.Cloture);
    for (int i = 0; i < kClotureStates; ++i)
      if (set & (1u << i)) {
        if (!responses.empty()) responses += ' ';
        responses += ClotureExportName(i);
      }
    Csv(text, responses);
    Csv(text, s.AgentID);
    const TRemotableAgent* a = agent == agents.end() ? nullptr : agent->second;
    Csv(text, a ? a->Login : "");
    Csv(text, a ? a->Prenom : "");
    Csv(text, a ? a->Nom : "");
    Csv(text, a ? a->EMail : "");
    text += '\n';
  }
  return text;
}

std::string ReadFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
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
  const std::string exported = ReadFile(file);
  const std::string plainFile = file + ".plain";
  const double plainCsv = bench::BestOf(3, [&] { WriteAnsiLines(plainFile, PlainCsv(gateway, history)); });
  const bool same = ReadFile(plainFile) == exported;
  std::filesystem::remove(plainFile);
  std::filesystem::remove(file);

  const double serviceRate = kSessions / service, directRate = kSessions / direct;
  const double cachedRate = kSessions / cached;
  const double csvRate = kSessions / csv, plainCsvRate = kSessions / plainCsv;
  bench::Report("history-load-cached", cachedRate, "rows/s", serviceRate, cachedRate / serviceRate, 1.0);
  bench::Report("history-load-decoded", serviceRate, "rows/s", directRate, serviceRate / directRate, 0.25);
  bench::Report("history-export-csv", csvRate, "rows/s", plainCsvRate, csvRate / plainCsvRate, 0.05);
  if (!same) {
    std::fprintf(stderr, "the plain CSV differs from the export: the baseline no longer writes the same file\n");
    return 1;
  }
  return sink == 0 ? 1 : 0;
}
