#pragma once
// TdmGestionAssistances: the assistance history. EzAssistance shows the sessions of the filter's
// period and criteria; EzAgent holds the group's agents, kept on the selected session's agent.
// Sessions of past days are cached with the periods and criteria they were fetched for, so that
// a new load asks the service only for what the cache cannot give (today is never cached).
// Dates are shown in the computer's zone; the service works in its own (TimeZone.h).
// The exports of what the history shows are ExportHistorique.h.
//
// Threads: main thread only.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "records/GestionRTTIProprietes.h"
#include "records/HistoryFilter.h"
#include "records/TimeZone.h"
#include "records/VirtualRecordSet.h"
#include "service/ServiceGateway.h"

namespace corvane::records {

class TdmGestionClient;

// One session of the history with its request date in local time.
struct HistorySession {
  std::shared_ptr<const service::TRemotableAssistance> record;
  TDateTime requestLocal = 0;
};

class TdmGestionAssistances {
public:
  // `now` gives the local date-time (tests fix "today"); by default the system clock in the
  // local zone.
  explicit TdmGestionAssistances(service::ServiceGateway& controller);
  TdmGestionAssistances(const TdmGestionAssistances&) = delete;
  TdmGestionAssistances& operator=(const TdmGestionAssistances&) = delete;

  VirtualRecordSet& EzAssistance() { return assistances_; }
  VirtualRecordSet& EzAgent() { return agents_; }

  // The filter window while an agent is logged in; loading without one fails.
  void setFiltre(const HistoryFilter* filtre) { filtre_ = filtre; }
  const HistoryFilter* filtre() const { return filtre_; }
  // The customers module, read by the export for a specified customer.
  void setClients(TdmGestionClient* clients) { clients_ = clients; }
  TdmGestionClient* clients() const { return clients_; }
  void setZoneLocale(std::shared_ptr<const TimeZone> zone) { localZone_ = std::move(zone); }
  void setZoneService(std::shared_ptr<const TimeZone> zone) { serviceZone_ = std::move(zone); }
  void setHorloge(std::function<TDateTime()> now) { now_ = std::move(now); }
  TDateTime maintenant() const { return now_(); }

  void reload();      // close both, open EzAgent (ListeAgents), then open EzAssistance (load)
  void close();       // close both; the cache stays
  int recordCount() const { return assistances_.recordCount(); }
  void clearCache();  // another group logged in

  // False when the selected session's agent is not among the listed agents (deleted since).
  bool agentTrouve() const { return agentFound_; }

  // Rows shown, in row order (for the export and the benchmarks).
  const std::vector<HistorySession>& sessions() const { return shown_; }
  // The session behind a row as the service sent it, or nullptr outside the rows. The export and
  // the details pane read texts from here: the record set's sizes bound edits, not what is read.
  const service::TRemotableAssistance* sessionAt(int row) const {
    if (!assistances_.active() || row < 0 || row >= static_cast<int>(shown_.size())) return nullptr;
    return shown_[static_cast<size_t>(row)].record.get();
  }
  const std::vector<service::TRemotableAgent>& agents() const { return agentList_; }
  // The cached periods, sorted by start (for tests and diagnostics).
  const std::vector<service::TRemotableFiltre>& periodesCache() const { return periods_; }
  size_t tailleCache() const { return pool_.size(); }

  // Service wall-clock time to local time (0 stays 0, an absent date); local period bound to the
  // service's wall-clock time.
  TDateTime ServiceVersLocal(TDateTime serviceTime) const;
  TDateTime LocalVersService(TDateTime localTime) const;

  // The text of a date field: time and "Today", "Yesterday", "last <day>", or a date.
  std::string TexteDate(const Variant& value) const;

private:
  void openAgents();
  void load();
  void fetch(TDateTime a, TDateTime b, service::TRemotableFiltre& f, TDateTime today);
  void take(TDateTime a, TDateTime b, const service::TRemotableFiltre& f);
  void updateCache(const service::TRemotableFiltre& f, TDateTime today);
  void addFresh(TDateTime a, TDateTime b, const service::TRemotableFiltre& criteria);
  void cut(size_t periodIndex, TDateTime c, TDateTime e);
  void afterScroll();
  Variant sessionValue(int row, const Field& field);

  service::ServiceGateway& controller_;
  const HistoryFilter* filtre_ = nullptr;
  TdmGestionClient* clients_ = nullptr;
  std::shared_ptr<const TimeZone> localZone_;
  std::shared_ptr<const TimeZone> serviceZone_;
  std::function<TDateTime()> now_;

  VirtualRecordSet assistances_{"EzAssistance"};
  VirtualRecordSet agents_{"EzAgent"};
  std::vector<service::TRemotableAgent> agentList_;
  bool agentFound_ = false;

  std::vector<HistorySession> shown_;
  std::vector<HistorySession> pool_;   // latest first
  std::vector<HistorySession> fresh_;
  std::vector<service::TRemotableFiltre> periods_;
  bool fetched_ = false;

  TGestionRTTIProprietes reader_;
};

// Whether a session matches the criteria of a filter (identification, handling, closing state).
bool SessionMatches(const service::TRemotableAssistance& session, const service::TRemotableFiltre& f);
// Whether a cached period's criteria select every session that `f`'s select.
bool CriteriaCover(const service::TRemotableFiltre& cached, const service::TRemotableFiltre& f);
bool SameCriteria(const service::TRemotableFiltre& a, const service::TRemotableFiltre& b);

}  // namespace corvane::records
