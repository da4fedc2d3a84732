#pragma once
// TdmGestionAgent: the group's agents in the record set EzListeAgents, edited one record at a
// time at the service. New rows get the logged-in agent's group and port, admin level 0 and the
// automatic address flag when those fields are left empty.
//
// Threads: main thread only.

#include "records/RecordListModule.h"

namespace corvane::records {

class TdmGestionAgent final : public RecordListModule<service::TRemotableAgent> {
public:
  explicit TdmGestionAgent(service::ServiceGateway& controller);
  VirtualRecordSet& EzListeAgents() { return set_; }

protected:
  std::vector<service::TRemotableAgent> listAll() override { return controller_.ListeAgents(); }
  std::string add(const service::TRemotableAgent& r) override { return controller_.AjouterUnAgent(r); }
  void update(const service::TRemotableAgent& r) override { controller_.MettreAJourAgent(r); }
  service::TRemotableAgent read(const std::string& id) override { return controller_.ObtenirAgent(id); }
  void remove(const std::string& id) override { controller_.SupprimerUnAgent(id); }
  std::string& idOf(service::TRemotableAgent& r) override { return r.AgentID; }
  void fillDefaults() override;
};

}  // namespace corvane::records
