#pragma once
// TFiltresAssistances: the logic of the history filter window. It holds the working filter (being
// edited, read by the history) and the applied filter (in force after the last successful
// reload), the five date modes with their inputs, the customer and closing-state choices, and
// every caption the main window, the pages and the export show. The window only forwards user
// actions here and shows the state.
//
// Threads: main thread only.

#include <functional>
#include <string>

#include "records/HistoryFilter.h"
#include "records/TimeZone.h"

namespace corvane::records {

class TdmGestionClient;

enum class ModeDate { Date, Intervalle, DerniersJours, Mois, SansLimite };
enum class ChoixClient { Aucun, Type, Specifique };

class TFiltresAssistances final : public HistoryFilter {
public:
  // `now` gives the local date-time; `clients` (may be null) is the customer record set of the
  // "Specified client" choice.
  TFiltresAssistances(std::function<TDateTime()> now, TdmGestionClient* clients);
  ~TFiltresAssistances() override;
  TFiltresAssistances(const TFiltresAssistances&) = delete;
  TFiltresAssistances& operator=(const TFiltresAssistances&) = delete;

  const service::TRemotableFiltre& filtreTravail() const { return working_; }
  const service::TRemotableFiltre& filtreApplique() const { return applied_; }
  ModeDate modeCourant() const { return mode_; }
  ModeDate modeApplique() const { return appliedMode_; }

  // "Dates" page. Choosing a mode, or changing an input of the current mode, recomputes the period.
  void choisirMode(ModeDate mode);
  TDateTime debutPicker() const { return startPicker_; }
  TDateTime finPicker() const { return endPicker_; }
  TDateTime jourPicker() const { return dayPicker_; }
  TDateTime moisPicker() const { return monthPicker_; }
  int nombreJours() const { return lastDays_; }
  void setDebutPicker(TDateTime day);
  void setFinPicker(TDateTime day);
  void setJourPicker(TDateTime day);
  void setMoisPicker(TDateTime day);
  void setNombreJours(int count);  // kept within 1-10000
  void aujourdhui();               // the "Today" button
  void hier();                     // the "Yesterday" button
  bool aujourdhuiActif() const;
  bool hierActif() const;
  // The period bounds, keeping start before end.
  void setDateDebut(TDateTime start);
  void setDateFin(TDateTime end);

  // "Clients" page.
  void afficherPageClients();
  ChoixClient choixClient() const { return clientChoice_; }
  void choisirType();
  void choisirClientSpecifique();
  // The "Identified / Not identified / All clients" group (not ficSpecifique).
  void setTypeClients(service::TFiltreIdentificationClient kind);
  service::TFiltreIdentificationClient typeClientsAffiche() const { return shownKind_; }

  // "Assistances" page.
  void afficherPageAssistances() {}
  void setRequete(service::TFiltreRequeteClient value) { working_.RequeteClient = value; }
  void setReponses(service::TFiltreReponsesAgents value) { working_.ReponsesAgents = value; }
  void setExclusif(bool exclusive) { working_.FiltreReponsesAgentsExclusif = exclusive; }
  bool exclusifActif() const { return working_.ReponsesAgents != service::TFiltreReponsesAgents::fraToutes; }

  // The window: showing restores the applied filter; OK reloads the history (an error passes on
  // and leaves the edited filter in place) and applies it; Cancel returns to the applied one.
  void afficher();
  void ok(const std::function<void()>& reloadHistory);
  void annuler();

  // Captions.
  std::string LibellePeriode() const override;
  std::string LibelleClients() const;
  std::string LibelleRequetes() const;
  std::string LibelleReponses() const;
  std::string LibelleCriteres() const override;
  std::string LibelleComplet() const;
  std::string LibellePageDates() const { return LibellePeriode(); }
  std::string LibellePageClients() const { return LibelleClients(); }
  std::string LibellePageAssistances() const;
  std::string TexteMoisPicker() const;  // "MMMM yyyy"

  // HistoryFilter
  TDateTime DateDebut() const override { return working_.DateDebutInclue; }
  TDateTime DateFin() const override { return working_.DateFinNonInclue; }
  service::TRemotableFiltre Criteres() const override;

private:
  TDateTime today() const;
  void recompute();
  void followClientRow();

  std::function<TDateTime()> now_;
  TdmGestionClient* clients_;
  int clientsListener_ = 0;
  service::TRemotableFiltre working_, applied_;
  ModeDate mode_ = ModeDate::Date, appliedMode_ = ModeDate::Date;
  TDateTime startPicker_ = 0, endPicker_ = 0, dayPicker_ = 0, monthPicker_ = 0;
  int lastDays_ = 1;
  ChoixClient clientChoice_ = ChoixClient::Aucun;
  service::TFiltreIdentificationClient shownKind_ = service::TFiltreIdentificationClient::ficTous;
};

}  // namespace corvane::records
