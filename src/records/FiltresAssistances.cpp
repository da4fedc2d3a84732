#include "records/FiltresAssistances.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "base/Format.h"
#include "base/Translate.h"
#include "records/DateTimeText.h"
#include "records/DmGestionClient.h"
#include "records/GestionRTTIProprietes.h"

namespace corvane::records {

using service::TFiltreIdentificationClient;
using service::TFiltreReponsesAgents;
using service::TFiltreRequeteClient;
using service::TRemotableFiltre;

TFiltresAssistances::TFiltresAssistances(std::function<TDateTime()> now, TdmGestionClient* clients)
    : now_(std::move(now)), clients_(clients) {
  const TDateTime t = today();
  working_.IdentificationClient = TFiltreIdentificationClient::ficTous;
  working_.ClientID = -1;
  working_.RequeteClient = TFiltreRequeteClient::frcToutes;
  working_.ReponsesAgents = TFiltreReponsesAgents::fraToutes;
  working_.FiltreReponsesAgentsExclusif = false;
  working_.DateDebutInclue = t;
  working_.DateFinNonInclue = t + 1;
  applied_ = working_;
  startPicker_ = dayPicker_ = monthPicker_ = t;
  endPicker_ = t + 1;
  if (clients_) {
    clientsListener_ = clients_->EzListeClients().addListener([this](VirtualRecordSet::Change change, int) {
      if (change == VirtualRecordSet::Change::CurrentRow) followClientRow();
    });
  }
}

TFiltresAssistances::~TFiltresAssistances() {
  if (clients_) clients_->EzListeClients().removeListener(clientsListener_);
}

TDateTime TFiltresAssistances::today() const { return DateOf(now_()); }

void TFiltresAssistances::setDateDebut(TDateTime start) {
  if (start == working_.DateDebutInclue) return;
  working_.DateDebutInclue = start;
  if (!(start < working_.DateFinNonInclue)) {
    working_.DateFinNonInclue = start + 1;
    if (mode_ == ModeDate::Intervalle) endPicker_ = start + 1;
  }
}

void TFiltresAssistances::setDateFin(TDateTime end) {
  if (end == working_.DateFinNonInclue) return;
  working_.DateFinNonInclue = end;
  if (!(working_.DateDebutInclue < end)) {
    working_.DateDebutInclue = end - 1;
    if (mode_ == ModeDate::Intervalle) startPicker_ = end - 1;
  }
}

void TFiltresAssistances::recompute() {
  const TDateTime t = today();
  TDateTime start = 0, end = 0;
  switch (mode_) {
    case ModeDate::Date:
      start = dayPicker_;
      end = dayPicker_ + 1;
      break;
    case ModeDate::Intervalle:
      // Setting the start may move the end picker; the end is read afterwards.
      setDateDebut(startPicker_);
      setDateFin(endPicker_);
      return;
    case ModeDate::DerniersJours:
      start = t + 1 - lastDays_;
      end = t + 1;
      break;
    case ModeDate::Mois: {
      const service::DateTimeFields f = service::DecodeDateTime(monthPicker_);
      start = EncodeDate(f.year, f.month, 1);
      end = f.month == 12 ? EncodeDate(f.year + 1, 1, 1) : EncodeDate(f.year, f.month + 1, 1);
      break;
    }
    case ModeDate::SansLimite:
      start = 0;
      end = t + 1;
      break;
  }
  // Moving the end first when the new period lies after the current one keeps start < end.
  if (start >= working_.DateFinNonInclue) {
    setDateFin(end);
    setDateDebut(start);
  } else {
    setDateDebut(start);
    setDateFin(end);
  }
}

void TFiltresAssistances::choisirMode(ModeDate mode) {
  mode_ = mode;
  recompute();
}

void TFiltresAssistances::setDebutPicker(TDateTime day) {
  startPicker_ = DateOf(day);
  if (mode_ == ModeDate::Intervalle) setDateDebut(startPicker_);
}

void TFiltresAssistances::setFinPicker(TDateTime day) {
  endPicker_ = DateOf(day);
  if (mode_ == ModeDate::Intervalle) setDateFin(endPicker_);
}

void TFiltresAssistances::setJourPicker(TDateTime day) {
  dayPicker_ = DateOf(day);
  if (mode_ == ModeDate::Date) recompute();
}

void TFiltresAssistances::setMoisPicker(TDateTime day) {
  monthPicker_ = DateOf(day);
  if (mode_ == ModeDate::Mois) recompute();
}

void TFiltresAssistances::setNombreJours(int count) {
  lastDays_ = std::clamp(count, 1, 10000);
  if (mode_ == ModeDate::DerniersJours) recompute();
}

bool TFiltresAssistances::aujourdhuiActif() const {
  return mode_ == ModeDate::Date || mode_ == ModeDate::Intervalle || mode_ == ModeDate::DerniersJours;
}

bool TFiltresAssistances::hierActif() const { return mode_ == ModeDate::Date || mode_ == ModeDate::Intervalle; }

void TFiltresAssistances::aujourdhui() {
  const TDateTime t = today();
  switch (mode_) {
    case ModeDate::Intervalle:
      setDebutPicker(t);
      setFinPicker(t + 1);
      break;
    case ModeDate::DerniersJours:
      setNombreJours(1);
      break;
    case ModeDate::Date:
      setJourPicker(t);
      break;
    default:
      break;
  }
}

void TFiltresAssistances::hier() {
  const TDateTime t = today();
  if (mode_ == ModeDate::Intervalle) {
    setDebutPicker(t - 1);
    setFinPicker(t);
  } else if (mode_ == ModeDate::Date) {
    setJourPicker(t - 1);
  }
}

// ---- Customers

void TFiltresAssistances::afficherPageClients() {
  if (clients_) {
    VirtualRecordSet& set = clients_->EzListeClients();
    if (!set.active()) set.open();
    set.locate("ClientID", static_cast<int64_t>(working_.ClientID));
  }
  if (clientChoice_ == ChoixClient::Aucun) clientChoice_ = ChoixClient::Type;
  if (working_.IdentificationClient != TFiltreIdentificationClient::ficSpecifique)
    shownKind_ = working_.IdentificationClient;
}

void TFiltresAssistances::choisirType() {
  clientChoice_ = ChoixClient::Type;
  working_.IdentificationClient = shownKind_;
}

void TFiltresAssistances::setTypeClients(TFiltreIdentificationClient kind) {
  if (kind == TFiltreIdentificationClient::ficSpecifique) return;
  shownKind_ = kind;
  if (clientChoice_ != ChoixClient::Specifique) working_.IdentificationClient = kind;
}

void TFiltresAssistances::choisirClientSpecifique() {
  clientChoice_ = ChoixClient::Specifique;
  working_.IdentificationClient = TFiltreIdentificationClient::ficSpecifique;
  followClientRow();
}

void TFiltresAssistances::followClientRow() {
  if (clientChoice_ != ChoixClient::Specifique || !clients_) return;
  VirtualRecordSet& set = clients_->EzListeClients();
  if (!set.active() || set.recNo() < 0) return;
  working_.ClientID = static_cast<int32_t>(set.fieldByName("ClientID").asInteger());
}

// ---- Window flow

void TFiltresAssistances::afficher() {
  TGestionRTTIProprietes(&working_).copyFrom(applied_);
  if (mode_ != appliedMode_) choisirMode(appliedMode_);
  if (working_.IdentificationClient != TFiltreIdentificationClient::ficSpecifique)
    shownKind_ = working_.IdentificationClient;
}

void TFiltresAssistances::ok(const std::function<void()>& reloadHistory) {
  reloadHistory();
  TGestionRTTIProprietes(&applied_).copyFrom(working_);
  appliedMode_ = mode_;
}

void TFiltresAssistances::annuler() { TGestionRTTIProprietes(&working_).copyFrom(applied_); }

TRemotableFiltre TFiltresAssistances::Criteres() const {
  TRemotableFiltre copy;
  TGestionRTTIProprietes(&copy).copyFrom(working_);
  return copy;
}

// ---- Captions

std::string TFiltresAssistances::TexteMoisPicker() const {
  std::string text = FormatDateTime("MMMM yyyy", monthPicker_);
  if (!text.empty()) text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
  return text;
}

std::string TFiltresAssistances::LibellePeriode() const {
  const TDateTime start = working_.DateDebutInclue, end = working_.DateFinNonInclue;
  const TDateTime t = today();
  const auto oneDay = [&] {
    if (DateOf(start) == t) return base::Tr("Today");
    if (DateOf(start) == t - 1) return base::Tr("Yesterday");
    return ShortDate(start);
  };
  const bool oneDayLong = std::floor(end + 1e-9) - std::floor(start + 1e-9) == 1;
  switch (mode_) {
    case ModeDate::Intervalle:
      return oneDayLong ? oneDay() : ShortDate(start) + " - " + ShortDate(end);
    case ModeDate::DerniersJours:
      return oneDayLong ? oneDay() : base::Format(base::Tr("Last %d days"), {lastDays_});
    case ModeDate::Mois:
      return TexteMoisPicker();
    case ModeDate::Date:
      return oneDay();
    case ModeDate::SansLimite:
      return base::Tr("No date limits");
  }
  return {};
}

std::string TFiltresAssistances::LibelleClients() const {
  switch (working_.IdentificationClient) {
    case TFiltreIdentificationClient::ficIdentifies: return base::Tr("Only identified clients");
    case TFiltreIdentificationClient::ficNonIdentifies: return base::Tr("Only not identified clients");
    case TFiltreIdentificationClient::ficTous: return base::Tr("All clients");
    case TFiltreIdentificationClient::ficSpecifique:
      if (clients_ && clients_->EzListeClients().active())
        return base::Tr("Client") + " " + clients_->EzListeClients().fieldByName("Identifiant").asString();
      return base::Tr("Specified client");
  }
  return {};
}

std::string TFiltresAssistances::LibelleRequetes() const {
  switch (working_.RequeteClient) {
    case TFiltreRequeteClient::frcPrisesEnCharge: return base::Tr("Handled assistance requests");
    case TFiltreRequeteClient::frcNonPrisesEnCharge: return base::Tr("Not handled assistance requests");
    case TFiltreRequeteClient::frcToutes: return base::Tr("All requests handling");
  }
  return {};
}

std::string TFiltresAssistances::LibelleReponses() const {
  const bool x = working_.FiltreReponsesAgentsExclusif;
  switch (working_.ReponsesAgents) {
    case TFiltreReponsesAgents::fraToutes: return base::Tr("All response type");
    case TFiltreReponsesAgents::fraIgnore: return base::Tr(x ? "Exclusively ignored calls" : "Ignored calls");
    case TFiltreReponsesAgents::fraRefuse: return base::Tr(x ? "Exclusively refused calls" : "Refused calls");
    case TFiltreReponsesAgents::fraProblemeReseau:
      return base::Tr(x ? "Calls with exclusively network misconfigured" : "Calls with network misconfigured");
    case TFiltreReponsesAgents::fraNonAutorise:
      return base::Tr(x ? "Exclusively unauthorized calls" : "Unauthorized calls");
    case TFiltreReponsesAgents::fraAutre: return base::Tr(x ? "Exclusively aborted calls" : "Aborted calls");
  }
  return {};
}

std::string TFiltresAssistances::LibelleCriteres() const {
  return LibelleClients() + ". " + LibelleRequetes() + ". " + LibelleReponses();
}

std::string TFiltresAssistances::LibelleComplet() const { return LibellePeriode() + ". " + LibelleCriteres(); }

std::string TFiltresAssistances::LibellePageAssistances() const { return LibelleRequetes() + ". " + LibelleReponses(); }

}  // namespace corvane::records
