#pragma once
// TDmGestionGroupe: the logged-in agent's group in the one-row record set EzInfosGroupe. The
// group message is stored with line feeds and shown and edited with CR LF line breaks.
//
// Threads: main thread only.

#include <memory>

#include "records/GestionRTTIProprietes.h"
#include "records/VirtualRecordSet.h"
#include "service/ServiceGateway.h"

namespace corvane::records {

class TDmGestionGroupe {
public:
  explicit TDmGestionGroupe(service::ServiceGateway& controller);
  TDmGestionGroupe(const TDmGestionGroupe&) = delete;
  TDmGestionGroupe& operator=(const TDmGestionGroupe&) = delete;

  VirtualRecordSet& EzInfosGroupe() { return set_; }
  const service::TRemotableGroupeAgent& groupe() const { return *groupe_; }

  void refresh();         // close and open again: reads the group from the service
  void cancelAndClose();  // drops a pending edit, then closes

private:
  void load();
  void postRow(RecordSetState state);

  service::ServiceGateway& controller_;
  VirtualRecordSet set_;
  std::unique_ptr<service::TRemotableGroupeAgent> groupe_;
  TGestionRTTIProprietes reader_;
};

// Line breaks of the group message: stored as LF, shown as CR LF.
std::string ToDisplayLineBreaks(std::string_view stored);
std::string ToStoredLineBreaks(std::string_view shown);

}  // namespace corvane::records
