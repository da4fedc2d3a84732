#include "records/ExportHistorique.h"

#include <libxml/tree.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>

#include "base/Cp1252.h"
#include "base/Format.h"
#include "base/Translate.h"
#include "records/Cloture.h"
#include "records/DmGestionAssistances.h"
#include "records/DmGestionClient.h"
#include "records/RecordsErrors.h"
#include "records/TransformationXML.h"

namespace corvane::records {

using service::TFiltreIdentificationClient;
using service::TFiltreReponsesAgents;
using service::TFiltreRequeteClient;

namespace {

// Text fit for an XML text node: well-formed UTF-8 without the control characters XML 1.0 forbids.
std::string XmlSafe(std::string_view text) {
  std::string utf8 = base::IsValidUtf8(text) ? std::string(text) : base::Utf16ToUtf8(base::Utf8ToUtf16(text));
  std::erase_if(utf8, [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 && c != '\t' && c != '\n' && c != '\r';
  });
  return utf8;
}

class XmlBuilder {
public:
  XmlBuilder() : doc_(xmlNewDoc(BAD_CAST "1.0")) {}
  ~XmlBuilder() { xmlFreeDoc(doc_); }
  XmlBuilder(const XmlBuilder&) = delete;
  XmlBuilder& operator=(const XmlBuilder&) = delete;

  xmlNodePtr root(const char* name) {
    xmlNodePtr node = xmlNewNode(nullptr, BAD_CAST name);
    xmlDocSetRootElement(doc_, node);
    return node;
  }
  static xmlNodePtr child(xmlNodePtr parent, const char* name) {
    return xmlNewChild(parent, nullptr, BAD_CAST name, nullptr);
  }
  static xmlNodePtr text(xmlNodePtr parent, const char* name, std::string_view value) {
    if (value.empty()) return child(parent, name);
    const std::string safe = XmlSafe(value);
    return xmlNewTextChild(parent, nullptr, BAD_CAST name, BAD_CAST safe.c_str());
  }
  static void attribute(xmlNodePtr node, const char* name, std::string_view value) {
    const std::string safe = XmlSafe(value);
    xmlNewProp(node, BAD_CAST name, BAD_CAST safe.c_str());
  }

  // Indented, declaration "<?xml version="1.0"?>" without an encoding attribute, UTF-8 text.
  std::string dump() const {
    xmlChar* buffer = nullptr;
    int size = 0;
    xmlDocDumpFormatMemoryEnc(doc_, &buffer, &size, "UTF-8", 1);
    std::string out = buffer ? std::string(reinterpret_cast<const char*>(buffer), static_cast<size_t>(size)) : "";
    xmlFree(buffer);
    const std::string_view declared = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
    if (out.compare(0, declared.size(), declared) == 0) out.replace(0, declared.size(), "<?xml version=\"1.0\"?>");
    return out;
  }

private:
  xmlDocPtr doc_;
};

std::string Ymd(service::TDateTime v) {
  const service::DateTimeFields f = service::DecodeDateTime(v);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", f.year, f.month, f.day);
  return buf;
}

std::string Hms(service::TDateTime v) {
  const service::DateTimeFields f = service::DecodeDateTime(v);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", f.hour, f.minute, f.second);
  return buf;
}

std::string_view ClientTypeName(TFiltreIdentificationClient v) {
  switch (v) {
    case TFiltreIdentificationClient::ficIdentifies: return "Identified";
    case TFiltreIdentificationClient::ficNonIdentifies: return "NotIdentified";
    case TFiltreIdentificationClient::ficTous: return "All";
    case TFiltreIdentificationClient::ficSpecifique: return "Specific";
  }
  return "All";
}

std::string_view RequestTypeName(TFiltreRequeteClient v) {
  switch (v) {
    case TFiltreRequeteClient::frcPrisesEnCharge: return "Handled";
    case TFiltreRequeteClient::frcNonPrisesEnCharge: return "NotHandled";
    case TFiltreRequeteClient::frcToutes: return "All";
  }
  return "All";
}

std::string_view ResponseTypeName(TFiltreReponsesAgents v) {
  switch (v) {
    case TFiltreReponsesAgents::fraToutes: return "All";
    case TFiltreReponsesAgents::fraIgnore: return "Ignored";
    case TFiltreReponsesAgents::fraRefuse: return "Refused";
    case TFiltreReponsesAgents::fraProblemeReseau: return "NetworkProblem";
    case TFiltreReponsesAgents::fraNonAutorise: return "Unauthorized";
    case TFiltreReponsesAgents::fraAutre: return "Abandoned";
  }
  return "All";
}

struct Column {
  const char* element;
  const char* caption;
};
constexpr Column kColumns[] = {
    {"id", "Id"},
    {"date-begin", "Date begin"},
    {"time-begin", "Time begin"},
    {"date-end", "Date end"},
    {"time-end", "Time end"},
    {"duration", "Duration"},
    {"client-ip", "Client IP"},
    {"client-identification", "Client ID"},
    {"client-name", "Client name"},
    {"client-email", "Client email"},
    {"client-request", "Client request"},
    {"client-request-type", "Client request type"},
    {"agent-report", "Agent report"},
    {"agents-responses", "Agent responses"},
    {"agent-id", "Agent id"},
    {"agent-login", "Agent login"},
    {"agent-first-name", "Agent first name"},
    {"agent-last-name", "Agent last name"},
    {"agent-email", "Agent e-mail"},
};

}  // namespace

std::string NettoyerDescription(std::string_view text, const OptionsExport& options) {
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.remove_suffix(1);
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (options.remplacerSautsLigne && c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      out += '|';
      ++i;
    } else if (options.remplacerSautsLigne && c == '\n') {
      out += '|';
    } else if (options.remplacerGuillemets && c == '"') {
      out += '\'';
    } else {
      out += c;
    }
  }
  return out;
}

std::string DureeIso8601(service::TDateTime begin, service::TDateTime end) {
  // Whole milliseconds first, so that 1 h 5 s is not read as 1 h 4.999... s.
  const long long ms = std::llabs(std::llround((end - begin) * 86400000.0));
  const long long h = ms / 3600000, m = ms / 60000 - 60 * h, s = ms / 1000 - 3600 * h - 60 * m;
  std::string out = "PT";
  if (h > 0) out += std::to_string(h) + "H";
  if (m > 0) out += std::to_string(m) + "M";
  if (s > 0) out += std::to_string(s) + "S";
  return out == "PT" ? "PT1S" : out;
}

std::string DossierExportParDefaut() {
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return "export";
  return (exe.parent_path() / "export").string();
}

ExportHistorique::ExportHistorique(TdmGestionAssistances& history, std::string dossierExport)
    : history_(history), folder_(std::move(dossierExport)) {}

std::string ExportHistorique::Document(const OptionsExport& options) const {
  VirtualRecordSet& rows = history_.EzAssistance();
  const int count = rows.recordCount();
  if (count == 0) throw ENothingToExport(base::Tr("Nothing to export"));
  const HistoryFilter* filtre = history_.filtre();
  if (!filtre) throw EExportError(base::Tr("The history has no filter."));
  const service::TRemotableFiltre criteres = filtre->Criteres();

  XmlBuilder xml;
  xmlNodePtr root = xml.root("corvane-pro");
  XmlBuilder::text(root, "period", filtre->LibellePeriode());
  xmlNodePtr filter = XmlBuilder::child(root, "filter");
  XmlBuilder::text(filter, "caption", filtre->LibelleCriteres());
  XmlBuilder::text(filter, "date-begin", Ymd(filtre->DateDebut()));
  XmlBuilder::text(filter, "date-end", Ymd(filtre->DateFin()));
  XmlBuilder::text(filter, "client-type", ClientTypeName(criteres.IdentificationClient));
  if (criteres.IdentificationClient == TFiltreIdentificationClient::ficSpecifique) {
    xmlNodePtr client = XmlBuilder::child(filter, "specified-client");
    XmlBuilder::attribute(client, "id", std::to_string(criteres.ClientID));
    std::string identification, name, email;
    if (TdmGestionClient* clients = history_.clients()) {
      VirtualRecordSet& set = clients->EzListeClients();
      if (!set.active()) set.open();
      if (set.locate("ClientID", static_cast<int64_t>(criteres.ClientID))) {
        identification = set.fieldByName("Identifiant").asString();
        name = set.fieldByName("Nom").asString();
        email = set.fieldByName("Email").asString();
      }
    }
    XmlBuilder::text(client, "identification", identification);
    XmlBuilder::text(client, "name", name);
    XmlBuilder::text(client, "email", email);
  }
  XmlBuilder::text(filter, "request-type", RequestTypeName(criteres.RequeteClient));
  XmlBuilder::text(filter, "response-type", ResponseTypeName(criteres.ReponsesAgents));
  XmlBuilder::text(filter, "response-type-exclusive", criteres.FiltreReponsesAgentsExclusif ? "True" : "False");

  xmlNodePtr cols = XmlBuilder::child(root, "cols");
  for (const Column& c : kColumns) XmlBuilder::text(cols, c.element, base::Tr(c.caption));
  xmlNodePtr agents = XmlBuilder::child(root, "agents");
  xmlNodePtr assistances = XmlBuilder::child(root, "assistances");

  VirtualRecordSet& agentSet = history_.EzAgent();
  std::set<int64_t> agentsWritten;
  const auto addAgent = [&](int64_t id, const std::string& agentId) {
    if (!agentsWritten.insert(id).second) return;
    xmlNodePtr agent = XmlBuilder::child(agents, "agent");
    XmlBuilder::attribute(agent, "id", std::to_string(id));
    // An agent deleted since the session is written with its identifier only.
    const bool found = agentSet.active() && agentSet.locate("AgentID", agentId);
    XmlBuilder::text(agent, "login", found ? agentSet.fieldByName("Login").asString() : "");
    XmlBuilder::text(agent, "first-name", found ? agentSet.fieldByName("Prenom").asString() : "");
    XmlBuilder::text(agent, "last-name", found ? agentSet.fieldByName("Nom").asString() : "");
    XmlBuilder::text(agent, "email", found ? agentSet.fieldByName("Email").asString() : "");
  };
  const auto optional = [&](xmlNodePtr parent, const char* name, const std::string& value) {
    if (!value.empty()) XmlBuilder::text(parent, name, value);
    else if (options.elementsVides) XmlBuilder::child(parent, name);
  };

  const Field& demandeDate = rows.fieldByName("DemandeDate");
  const Field& reponseDate = rows.fieldByName("ReponseDate");
  for (int row = 0; row < count; ++row) {
    // Row i is the i-th shown session. Texts come whole from the session as the service sent it;
    // dates from the record set, which converts them to local time.
    const service::TRemotableAssistance* session = history_.sessions()[static_cast<size_t>(row)].record.get();
    xmlNodePtr a = XmlBuilder::child(assistances, "assistance");
    const std::string& assistanceId = session->AssistanceID;
    // An identifier that is not a number is written as received rather than failing the export.
    const std::optional<int64_t> numericId = ParseInteger(assistanceId);
    XmlBuilder::attribute(a, "id", numericId ? std::to_string(*numericId) : assistanceId);

    const std::string& agentId = session->AgentID;
    const std::optional<int64_t> agentNumber = ParseInteger(agentId);
    const bool hasAgent = agentNumber && *agentNumber >= 0;
    if (hasAgent) {
      XmlBuilder::text(a, "agent-id", std::to_string(*agentNumber));
      addAgent(*agentNumber, agentId);
    } else if (options.elementsVides) {
      XmlBuilder::child(a, "agent-id");
    }

    const Variant begin = rows.valueAt(row, demandeDate.index());
    const double beginValue = IsNull(begin) ? 0.0 : std::get<double>(begin);
    XmlBuilder::text(a, "date-begin", Ymd(beginValue));
    XmlBuilder::text(a, "time-begin", Hms(beginValue));
    const Variant end = rows.valueAt(row, reponseDate.index());
    if (!IsNull(end)) {
      const double endValue = std::get<double>(end);
      XmlBuilder::text(a, "date-end", Ymd(endValue));
      XmlBuilder::text(a, "time-end", Hms(endValue));
      XmlBuilder::text(a, "duration", DureeIso8601(beginValue, endValue));
    } else if (options.elementsVides) {
      XmlBuilder::child(a, "date-end");
      XmlBuilder::child(a, "time-end");
      XmlBuilder::child(a, "duration");
    }

    const std::string& identifiant = session->ClientIdentifiant;
    XmlBuilder::text(a, "client-identification", identifiant);
    const bool known = !identifiant.empty();
    XmlBuilder::text(a, "client-name", known ? session->ClientNom : session->CorvaneClientNom);
    XmlBuilder::text(a, "client-email", known ? session->ClientEmail : session->CorvaneClientEmail);
    XmlBuilder::text(a, "client-ip", session->ClientAdressIP);
    optional(a, "client-request", NettoyerDescription(session->DemandeDescription, options));
    XmlBuilder::text(a, "client-request-type", hasAgent ? "Handled" : "NotHandled");
    optional(a, "agent-report", NettoyerDescription(session->ReponseDescription, options));

    const unsigned set = ClotureSet(session->Cloture);
    if (set != 0) {
      xmlNodePtr responses = XmlBuilder::child(a, "agents-responses");
      for (int i = 0; i < kClotureStates; ++i)
        if (set & (1u << i)) XmlBuilder::text(responses, "response", ClotureExportName(i));
    } else if (options.elementsVides) {
      XmlBuilder::child(a, "agents-responses");
    }
  }
  rows.first();  // back to the first row, which puts EzAgent back on its agent
  return xml.dump();
}

void ExportHistorique::ExporterXML(const std::string& fileName) const {
  const std::string text = Document({false, false, false});
  const std::string temporary = fileName + ".tmp";
  std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.close();
  std::error_code ec;
  if (out) std::filesystem::rename(temporary, fileName, ec);
  if (!out || ec) {
    std::filesystem::remove(temporary, ec);
    throw EExportError(base::Format(base::Tr("The file %s cannot be written."), {fileName}));
  }
}

std::string ExportHistorique::transform(std::string_view styleSheet, const OptionsExport& options) const {
  const std::string document = Document(options);
  TTransformationXML transformation;
  transformation.SourceType = TSourceType::stFile;
  transformation.FileNameXSLT = (std::filesystem::path(folder_) / styleSheet).string();
  return transformation.Transformer(document);
}

void ExportHistorique::ExporterCSV(const std::string& fileName) const {
  WriteAnsiLines(fileName, transform("csv.xsl", {true, true, true}));
}

void ExportHistorique::ExporterHTML(const std::string& fileName) const {
  WriteAnsiLines(fileName, transform("html.xsl", {false, false, true}));
  namespace fs = std::filesystem;
  const fs::path target = fs::absolute(fs::path(fileName)).parent_path() / "tarvenholt.css";
  std::error_code ec;
  if (fs::exists(target, ec)) return;  // the user's own style stays
  fs::copy_file(fs::path(folder_) / "tarvenholt.css", target, fs::copy_options::skip_existing, ec);
  if (ec)
    throw EExportError(base::Format(base::Tr("The style sheet %s cannot be copied beside the export."),
                                    {"tarvenholt.css"}));
}

std::string ExportHistorique::ExporterPressePapiers() const {
  std::string text = transform("clipbrd.xsl", {true, true, true});
  if (clipboard_) clipboard_(text);
  return text;
}

}  // namespace corvane::records
