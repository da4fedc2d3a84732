#include "records/DmGestionAssistances.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "base/Format.h"
#include "base/Translate.h"
#include "records/Cloture.h"
#include "records/DateTimeText.h"
#include "records/FieldDefs.h"
#include "records/RecordsErrors.h"
#include "records/SystemTimeZone.h"

namespace corvane::records {

using service::TFiltreIdentificationClient;
using service::TFiltreReponsesAgents;
using service::TFiltreRequeteClient;
using service::TRemotableAssistance;
using service::TRemotableFiltre;

namespace {

enum AssistanceField {
  kAssistanceID, kAgentID, kClientID, kDemandeDate, kReponseDate, kDemandeDescription,
  kReponseDescription, kClientIdentifiant, kClientNom, kClientEmail, kCorvaneClientNom,
  kCorvaneClientEmail, kClientAdressIP, kCloture, kEtatCloture
};

// Two half-open intervals overlap when the later start lies before the other's end.
bool Overlaps(TDateTime s1, TDateTime e1, TDateTime s2, TDateTime e2) {
  return s1 >= s2 ? s1 < e2 : s2 < e1;
}

TDateTime UtcNow() {
  using namespace std::chrono;
  const double ms = static_cast<double>(duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count());
  return ms / 86400000.0 + 25569.0;
}

}  // namespace

bool SessionMatches(const TRemotableAssistance& s, const TRemotableFiltre& f) {
  const std::string_view clientId = Trimmed(s.ClientID);
  switch (f.IdentificationClient) {
    case TFiltreIdentificationClient::ficIdentifies:
      if (clientId.empty()) return false;
      break;
    case TFiltreIdentificationClient::ficNonIdentifies:
      if (!clientId.empty()) return false;
      break;
    case TFiltreIdentificationClient::ficTous:
      break;
    case TFiltreIdentificationClient::ficSpecifique: {
      // Only a session of that customer's record: a session without one (blank identifier) never
      // matches, also when no customer is chosen (ClientID -1), as the service answers.
      const std::optional<int64_t> id = ParseInteger(clientId);
      if (!id || *id != f.ClientID) return false;
      break;
    }
  }
  switch (f.RequeteClient) {
    case TFiltreRequeteClient::frcPrisesEnCharge:
      if (s.AgentID.empty()) return false;
      break;
    case TFiltreRequeteClient::frcNonPrisesEnCharge:
      if (!s.AgentID.empty()) return false;
      break;
    case TFiltreRequeteClient::frcToutes:
      break;
  }
  if (f.ReponsesAgents == TFiltreReponsesAgents::fraToutes) return true;
  const char letter = service::ClotureCode(f.ReponsesAgents);
  if (f.FiltreReponsesAgentsExclusif) return s.Cloture.size() == 1 && s.Cloture[0] == letter;
  return s.Cloture.find(letter) != std::string::npos;
}

bool CriteriaCover(const TRemotableFiltre& p, const TRemotableFiltre& f) {
  using enum TFiltreIdentificationClient;
  const bool identification =
      p.IdentificationClient == ficTous ||
      (p.IdentificationClient == f.IdentificationClient &&
       (p.IdentificationClient != ficSpecifique || p.ClientID == f.ClientID)) ||
      (p.IdentificationClient == ficIdentifies && f.IdentificationClient == ficSpecifique);
  const bool requests = p.RequeteClient == TFiltreRequeteClient::frcToutes || p.RequeteClient == f.RequeteClient;
  // Filters that differ only in the exclusive flag never cover each other: such a request is
  // fetched again.
  const bool responses = p.ReponsesAgents == TFiltreReponsesAgents::fraToutes ||
                         (p.ReponsesAgents == f.ReponsesAgents &&
                          p.FiltreReponsesAgentsExclusif == f.FiltreReponsesAgentsExclusif);
  return identification && requests && responses;
}

bool SameCriteria(const TRemotableFiltre& a, const TRemotableFiltre& b) {
  return a.IdentificationClient == b.IdentificationClient && a.RequeteClient == b.RequeteClient &&
         a.ReponsesAgents == b.ReponsesAgents && a.FiltreReponsesAgentsExclusif == b.FiltreReponsesAgentsExclusif &&
         (a.IdentificationClient != TFiltreIdentificationClient::ficSpecifique || a.ClientID == b.ClientID);
}

TdmGestionAssistances::TdmGestionAssistances(service::ServiceGateway& controller)
    : controller_(controller), localZone_(LoadSystemTimeZone()), serviceZone_(ServiceTimeZone()) {
  now_ = [this] { return localZone_->UtcToLocal(UtcNow()); };
  using enum FieldType;
  auto date = [this](std::string name, std::string label) {
    FieldDef f = MakeField(std::move(name), DateTime, 0, std::move(label), 18, kReadOnly);
    f.displayFormat = "hh:nn - dd mmm yyyy";
    f.getText = [this](int, const Variant& v) { return TexteDate(v); };
    return f;
  };
  auto orTyped = [this](std::string name, int size, std::string label, int width, int typedField) {
    FieldDef f = MakeField(std::move(name), String, size, std::move(label), width, kReadOnly);
    f.getText = [this, typedField](int row, const Variant& v) {
      if (!IsNull(v)) return service::ToText(v);
      if (row < 0 || row >= static_cast<int>(shown_.size())) return std::string();
      const TRemotableAssistance& s = *shown_[static_cast<size_t>(row)].record;
      return typedField == kCorvaneClientNom ? s.CorvaneClientNom : s.CorvaneClientEmail;
    };
    return f;
  };
  assistances_.addField(MakeField("AssistanceID", String, 32, "ID", 6, kReadOnly));
  assistances_.addField(MakeField("AgentID", String, 32, "Agent ID", 0, kReadOnly | kHidden));
  assistances_.addField(MakeField("ClientID", String, 32, "Client ID", 0, kReadOnly | kHidden));
  assistances_.addField(date("DemandeDate", "Request Date"));
  assistances_.addField(date("ReponseDate", "End date"));
  assistances_.addField(MakeField("DemandeDescription", Memo, 0, "Request description", 0, kReadOnly | kHidden));
  assistances_.addField(MakeField("ReponseDescription", Memo, 0, "Report", 0, kReadOnly | kHidden));
  assistances_.addField(MakeField("ClientIdentifiant", String, 32, "Client ID", 12, kReadOnly));
  assistances_.addField(orTyped("ClientNom", 36, "Client name", 15, kCorvaneClientNom));
  assistances_.addField(orTyped("ClientEmail", 128, "Client email", 25, kCorvaneClientEmail));
  assistances_.addField(MakeField("CorvaneClientNom", String, 36, "Client name", 15, kReadOnly | kHidden));
  assistances_.addField(MakeField("CorvaneClientEmail", String, 128, "Client email", 25, kReadOnly | kHidden));
  assistances_.addField(MakeField("ClientAdressIP", String, 15, "IP Adress", 0, kReadOnly));
  assistances_.addField(MakeField("Cloture", String, 10, "Close states", 3, kReadOnly));
  assistances_.addField(MakeField("EtatCloture", Integer, 0, "", 0, kReadOnly | kHidden));

  reader_.setLecteurObjet([this](std::string_view name, const service::TRemotable& object) -> Variant {
    const service::PropertyInfo* p = object.remotableType().find(name);
    const double value = std::get<double>(p->get(object));
    if (value == 0) return {};
    return ServiceVersLocal(value);
  });

  auto& cb = assistances_.callbacks();
  cb.beforeOpen = [this] { load(); };
  cb.recordCount = [this] { return static_cast<int>(shown_.size()); };
  cb.fieldValue = [this](int row, const Field& f) { return sessionValue(row, f); };
  cb.afterScroll = [this] { afterScroll(); };

  agents_.addField(MakeField("AgentID", String, 32, "", 0, kReadOnly | kHidden));
  agents_.addField(MakeField("Login", String, 36, "", 8, kReadOnly | kRequired));
  agents_.addField(MakeField("Nom", String, 36, "Name", 0, kReadOnly));
  agents_.addField(MakeField("Prenom", String, 32, "First name", 0, kReadOnly));
  agents_.addField(MakeField("Email", String, 128, "", 20, kReadOnly));
  agents_.addField(MakeField("LoginVoiceOnIP", String, 36, "VoIP login", 10, kReadOnly));
  agents_.addField(MakeField("NiveauAdmin", SmallInt, 0, "Admin level", 2, kReadOnly));
  auto& acb = agents_.callbacks();
  acb.beforeOpen = [this] { openAgents(); };
  acb.recordCount = [this] { return static_cast<int>(agentList_.size()); };
  acb.fieldValue = [this](int row, const Field& f) {
    TGestionRTTIProprietes agentReader(&agentList_[static_cast<size_t>(row)]);
    return agentReader.getValue(f.name());
  };
  acb.locate = [this](std::string_view key, const Variant& value) {
    // Exact text equality on the agent identifier.
    const std::string wanted = service::ToText(value);
    for (size_t i = 0; i < agentList_.size(); ++i) {
      TGestionRTTIProprietes agentReader(&agentList_[i]);
      if (service::ToText(agentReader.getValue(key)) == wanted) return static_cast<int>(i);
    }
    return -1;
  };
}

Variant TdmGestionAssistances::sessionValue(int row, const Field& field) {
  const TRemotableAssistance& s = *shown_[static_cast<size_t>(row)].record;
  if (field.index() == kEtatCloture) return static_cast<int64_t>(EtatCloture(s.Cloture));
  reader_.setObjet(const_cast<TRemotableAssistance*>(&s));
  return reader_.getValue(field.name());
}

TDateTime TdmGestionAssistances::ServiceVersLocal(TDateTime serviceTime) const {
  if (serviceTime == 0) return 0;
  const TDateTime utc = serviceZone_->LocalToUtc(serviceTime, RepeatedHour::Standard);
  if (utc == 0) return 0;  // a time the service's clock never showed
  return localZone_->UtcToLocal(utc);
}

TDateTime TdmGestionAssistances::LocalVersService(TDateTime localTime) const {
  // A bound that falls in a skipped hour (zones that change at midnight) is taken as the first
  // instant after the change rather than as "no date", which would widen the query to 1899.
  const TDateTime utc = localZone_->LocalToUtc(localTime, RepeatedHour::Summer, SkippedHour::ShiftForward);
  return serviceZone_->UtcToLocal(utc);
}

std::string TdmGestionAssistances::TexteDate(const Variant& value) const {
  if (IsNull(value)) return {};
  const TDateTime v = std::get<double>(value);
  const TDateTime today = DateOf(now_());
  const TDateTime d = DateOf(v);
  const std::string time = FormatDateTime("hh:nn - ", v);
  if (d == today) return time + base::Tr("Today");
  if (d == today - 1) return time + base::Tr("Yesterday");
  if (d >= today - 7 && d <= today - 2) return time + base::Format(base::Tr("last %s"), {FormatDateTime("dddd", v)});
  if (service::DecodeDateTime(v).year == service::DecodeDateTime(today).year) return FormatDateTime("hh:nn - mmm dd", v);
  if (v == 0) return {};
  return FormatDateTime("hh:nn - yyyy/mm/dd", v);
}

void TdmGestionAssistances::reload() {
  close();
  agents_.open();
  assistances_.open();
}

void TdmGestionAssistances::close() {
  assistances_.close();
  agents_.close();
}

void TdmGestionAssistances::clearCache() {
  periods_.clear();
  pool_.clear();
  fresh_.clear();
}

void TdmGestionAssistances::openAgents() {
  agentList_ = controller_.ListeAgents();
}

void TdmGestionAssistances::afterScroll() {
  if (!agents_.active() || assistances_.state() != RecordSetState::Browse) return;
  const int row = assistances_.recNo();
  agentFound_ = row >= 0 && agents_.locate("AgentID", shown_[static_cast<size_t>(row)].record->AgentID);
}

// ---- Loading and the cache of past days

void TdmGestionAssistances::load() {
  if (!filtre_) throw EDataSetError(base::Tr("The history has no filter."));
  shown_.clear();
  const TDateTime D = filtre_->DateDebut(), E = filtre_->DateFin();
  TRemotableFiltre F = filtre_->Criteres();
  const TDateTime T = DateOf(now_());
  if (T < D) return;
  fetched_ = false;
  try {
    if (periods_.empty()) {
      fetch(D, E, F, T);
    } else {
      TDateTime q = D;
      // Fetching and taking do not change the periods while they are walked.
      for (const TRemotableFiltre& P : periods_) {
        if (!Overlaps(P.DateDebutInclue, P.DateFinNonInclue, q, E) || !CriteriaCover(P, F)) continue;
        if (q < P.DateDebutInclue) {
          fetch(q, P.DateDebutInclue + 1, F, T);
          q = P.DateDebutInclue + 1;
        }
        const TDateTime until = std::min(P.DateFinNonInclue, E);
        take(q, until, F);
        q = until;
        if (q == E) break;
      }
      if (q < E) fetch(q, E, F, T);
    }
  } catch (...) {
    // Nothing of a failed load enters the cache.
    fresh_.clear();
    shown_.clear();
    throw;
  }
  F.DateDebutInclue = D;
  F.DateFinNonInclue = std::min(T, E);
  if (fetched_) updateCache(F, T);
  fresh_.clear();
}

void TdmGestionAssistances::fetch(TDateTime a, TDateTime b, TRemotableFiltre& f, TDateTime today) {
  if (a > b) return;
  fetched_ = true;
  f.DateDebutInclue = LocalVersService(a);
  f.DateFinNonInclue = LocalVersService(b);
  service::TRemotableAssistances answer = controller_.ListeAssistances(f);
  shown_.reserve(shown_.size() + answer.size());
  for (TRemotableAssistance& received : answer) {
    HistorySession s{std::make_shared<const TRemotableAssistance>(std::move(received)), 0};
    s.requestLocal = ServiceVersLocal(s.record->DemandeDate);
    // Sessions of today are never cached: today's history still changes.
    if (s.requestLocal < today) fresh_.push_back(s);
    shown_.push_back(std::move(s));
  }
}

void TdmGestionAssistances::take(TDateTime a, TDateTime b, const TRemotableFiltre& f) {
  // The pool is latest first; the taken sessions go before everything shown, latest first.
  std::vector<HistorySession> taken;
  for (const HistorySession& s : pool_)
    if (s.requestLocal >= a && s.requestLocal < b && SessionMatches(*s.record, f)) taken.push_back(s);
  shown_.insert(shown_.begin(), taken.begin(), taken.end());
}

void TdmGestionAssistances::updateCache(const TRemotableFiltre& F, TDateTime today) {
  const TDateTime s = F.DateDebutInclue;
  TDateTime e = F.DateFinNonInclue;
  if (!(s < today)) return;
  for (size_t i = periods_.size(); i-- > 0;) {
    if (i >= periods_.size()) continue;
    const TRemotableFiltre P = periods_[i];
    if (!Overlaps(P.DateDebutInclue, P.DateFinNonInclue, s, e)) continue;
    if (P.DateFinNonInclue < e) {
      addFresh(P.DateFinNonInclue, e, F);
      e = P.DateFinNonInclue;
    }
    if (CriteriaCover(P, F)) {
      e = P.DateDebutInclue;  // P keeps serving that part
    } else {
      const TDateTime c = std::max(s, P.DateDebutInclue);
      cut(i, c, e);
      addFresh(c, e, F);
      e = c;
    }
  }
  if (s < e) addFresh(s, e, F);
  std::stable_sort(periods_.begin(), periods_.end(), [](const TRemotableFiltre& a, const TRemotableFiltre& b) {
    return std::floor(a.DateDebutInclue) < std::floor(b.DateDebutInclue);
  });
  for (size_t i = periods_.size(); i-- > 1;) {
    TRemotableFiltre& before = periods_[i - 1];
    if (SameCriteria(periods_[i], before) && periods_[i].DateDebutInclue == before.DateFinNonInclue) {
      before.DateFinNonInclue = periods_[i].DateFinNonInclue;
      periods_.erase(periods_.begin() + static_cast<std::ptrdiff_t>(i));
    }
  }
  fresh_.clear();
  std::stable_sort(pool_.begin(), pool_.end(),
                   [](const HistorySession& a, const HistorySession& b) { return a.requestLocal > b.requestLocal; });
}

void TdmGestionAssistances::addFresh(TDateTime a, TDateTime b, const TRemotableFiltre& criteria) {
  if (!(b > a)) return;
  auto moved = std::stable_partition(fresh_.begin(), fresh_.end(), [a, b](const HistorySession& s) {
    return !(s.requestLocal >= a && s.requestLocal < b);
  });
  pool_.insert(pool_.end(), std::make_move_iterator(moved), std::make_move_iterator(fresh_.end()));
  fresh_.erase(moved, fresh_.end());
  TRemotableFiltre period;
  TGestionRTTIProprietes(&period).copyFrom(criteria);
  period.DateDebutInclue = a;
  period.DateFinNonInclue = b;
  periods_.push_back(std::move(period));
}

void TdmGestionAssistances::cut(size_t index, TDateTime c, TDateTime e) {
  const TRemotableFiltre P = periods_[index];
  auto piece = [this, &P](TDateTime from, TDateTime to) {
    TRemotableFiltre part = P;
    part.DateDebutInclue = from;
    part.DateFinNonInclue = to;
    periods_.push_back(std::move(part));
  };
  if (c > P.DateDebutInclue) piece(P.DateDebutInclue, c);
  if (e < P.DateFinNonInclue) piece(e, P.DateFinNonInclue);
  const TDateTime from = std::max(c, P.DateDebutInclue), to = std::min(e, P.DateFinNonInclue);
  std::erase_if(pool_, [from, to](const HistorySession& s) { return s.requestLocal >= from && s.requestLocal < to; });
  periods_.erase(periods_.begin() + static_cast<std::ptrdiff_t>(index));
}

}  // namespace corvane::records
