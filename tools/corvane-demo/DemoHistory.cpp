// The group's history with its exports, and the console's texts in French: steps 6 and 8 of the
// demo.

#include <filesystem>
#include <fstream>
#include <sstream>

#include "DemoRun.h"
#include "base/Translate.h"
#include "records/DetailsAssistance.h"
#include "records/DmGestionAssistances.h"
#include "records/ExportHistorique.h"
#include "records/FiltresAssistances.h"
#include "shell/CatalogueTranslator.h"
#include "shell/Demarrage.h"
#include "shell/ExecutablePath.h"

namespace corvane::demo {

namespace fs = std::filesystem;

namespace {

constexpr int kRowsShown = 6;
constexpr int kHistoryDays = 30;

// Pads to a width counted in characters (UTF-8), cutting what is longer.
std::string Column(const std::string& text, size_t width) {
  std::string out;
  size_t chars = 0;
  for (char c : text) {
    const bool lead = (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    if (lead && chars == width) break;
    if (c == '\r' || c == '\n') c = ' ';
    out += c;
    chars += lead;
  }
  out.append(width - chars + 1, ' ');
  return out;
}

std::string FileText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

}  // namespace

// --- [6] history and exports ---------------------------------------------------------------------

void DemoRun::ShowHistory() {
  say_.Step("The group's history from the service, and its exports");
  records::TdmGestionAssistances history(*agent_);
  records::TFiltresAssistances filtres([&history] { return history.maintenant(); }, nullptr);
  filtres.choisirMode(records::ModeDate::DerniersJours);
  filtres.setNombreJours(kHistoryDays);
  history.setFiltre(&filtres);
  history.reload();
  say_.Say("filter: " + filtres.LibelleComplet());
  const int rows = history.recordCount();
  Require(rows > 1, std::to_string(rows) + " sessions of the last " + std::to_string(kHistoryDays) + " days loaded");

  records::VirtualRecordSet& set = history.EzAssistance();
  const struct {
    const char* field;
    size_t width;
  } columns[] = {{"AssistanceID", 5}, {"DemandeDate", 22}, {"ClientIdentifiant", 9},
                 {"ClientNom", 14},   {"ClientAdressIP", 14}, {"Cloture", 16}};
  std::string header;
  for (const auto& c : columns) header += Column(set.fieldByName(c.field).displayLabel(), c.width);
  say_.Say("the latest sessions, as the history grid shows them:");
  say_.Say("  " + header);
  for (int row = std::max(0, rows - kRowsShown); row < rows; ++row) {
    std::string line;
    for (const auto& c : columns) line += Column(set.textAt(row, set.fieldByName(c.field).index()), c.width);
    say_.Say("  " + line);
  }

  // The agent selects the session just held in the grid.
  const int idField = set.fieldByName("AssistanceID").index();
  int held = -1;
  for (int row = 0; row < rows && held < 0; ++row)
    if (set.textAt(row, idField) == assistanceId_) held = row;
  Require(held >= 0, "the session just held (" + assistanceId_ + ") is in the history");
  set.moveTo(held);
  const std::string cloture = set.fieldByName("Cloture").asString();
  say_.Check(cloture == "O", "its closing is \"O\" (accepted)", "\"" + cloture + "\"");
  const records::EtatDetailsAssistance details = records::DetailsAssistance(history, agent_->Connecte());
  say_.Say("details pane:");
  for (const auto& line : details.lignesCloture) say_.Say("  closing: " + line.texte);
  say_.Say("  request: " + details.demande);
  say_.Say("  report: " + details.rapport);
  say_.Say("  agent: " + details.agentLogin + " (" + details.agentPrenom + " " + details.agentNom + ")");
  say_.Check(details.rapport.find("test page printed") != std::string::npos && details.agentLogin == "agent",
             "the details show the agent's report and the agent");

  // The style sheets are the export folder copied beside this program by the build.
  records::ExportHistorique exporter(history);
  const struct {
    const char* name;
    void (records::ExportHistorique::*write)(const std::string&) const;
  } exports[] = {{"history.xml", &records::ExportHistorique::ExporterXML},
                 {"history.csv", &records::ExportHistorique::ExporterCSV},
                 {"history.html", &records::ExportHistorique::ExporterHTML}};
  for (const auto& e : exports) {
    const fs::path file = Output(e.name);
    (exporter.*e.write)(file.string());
    const std::string text = FileText(file);
    say_.Check(text.find(assistanceId_) != std::string::npos,
               std::string("exported ") + std::to_string(text.size()) + " bytes to " + file.string());
  }
  say_.Check(fs::exists(Output("tarvenholt.css")), "the HTML export's style sheet is beside it");
}

// --- [8] translations ----------------------------------------------------------------------------

void DemoRun::ShowTranslations() {
  say_.Step("The console's texts in French, from the catalogues appended to this program");
  const std::string executable = shell::ExecutablePath();
  shell::CatalogueTranslator::Options o;
  o.executablePath = executable;
  o.localeFolder = shell::FolderOf(executable) + "/locale";
  o.language = "fr_FR";
  o.table = shell::ReadOwnCatalogueTable(executable);
  o.onProblem = [this](const std::string& caption, const std::string& text) {
    say_.Failure(caption + ": " + text);
  };
  shell::CatalogueTranslator french(std::move(o));
  const struct {
    std::string_view domain;
    const char* text;
  } texts[] = {{base::kDomaineCorvane, "Calling"},
               {base::kDomaineCorvane, "You are the only agent able to respond"},
               {base::kDomaineCorvane, "Client disconnected at %s"},
               {base::kDomaineCorvane, "Network technical difficulties"},
               {base::kDomaineCorvane, "Close states"},
               {base::kDomaineCorvane, "Accepted"},
               {shell::kDomaineReferentiel, "Password changing"}};
  for (const auto& t : texts) say_.Say(Column(t.text, 40) + "-> " + french.Traduire(t.domain, t.text));
  const std::string source = french.catalogueSource(base::kDomaineCorvane);
  say_.Check(source.rfind("appended:", 0) == 0 && french.Traduire(base::kDomaineCorvane, "Calling") == "Appel",
             "French catalogue read from " + (source.empty() ? std::string("(none)") : source));
  say_.Say("run with --lang fr (or LANG=fr_FR.UTF-8) to see every console text of the story in French");
}

}  // namespace corvane::demo
