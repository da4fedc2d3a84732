#pragma once
// TdmGestionClient: the group's customers in the record set EzListeClients, edited one record at
// a time at the service. The history filter and the export locate customers here by ClientID.
//
// Threads: main thread only.

#include "records/RecordListModule.h"

namespace corvane::records {

class TdmGestionClient final : public RecordListModule<service::TRemotableClient> {
public:
  explicit TdmGestionClient(service::ServiceGateway& controller);
  VirtualRecordSet& EzListeClients() { return set_; }

protected:
  std::vector<service::TRemotableClient> listAll() override { return controller_.ListeClients(); }
  std::string add(const service::TRemotableClient& r) override { return controller_.AjouterUnClient(r); }
  void update(const service::TRemotableClient& r) override { controller_.MettreAJourClient(r); }
  service::TRemotableClient read(const std::string& id) override { return controller_.ObtenirClient(id); }
  void remove(const std::string& id) override { controller_.SupprimerUnClient(id); }
  std::string& idOf(service::TRemotableClient& r) override { return r.ClientID; }
  void fillDefaults() override;
};

}  // namespace corvane::records
