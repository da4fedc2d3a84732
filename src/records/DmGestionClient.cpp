#include "records/DmGestionClient.h"

#include "records/FieldDefs.h"

namespace corvane::records {

TdmGestionClient::TdmGestionClient(service::ServiceGateway& controller)
    : RecordListModule(controller, "EzListeClients") {
  using enum FieldType;
  set_.addField(MakeField("ClientID", Integer, 0, "Client ID", 0, kHidden));
  set_.addField(MakeField("GroupeID", String, 32, "Groupe ID", 0, kHidden | kRequired));
  FieldDef identifiant = MakeField("Identifiant", String, 32, "", 12);
  identifiant.getText = [](int, const Variant& v) { return std::string(Trimmed(service::ToText(v))); };
  set_.addField(std::move(identifiant));
  set_.addField(MakeField("Nom", String, 36, "Name", 12));
  set_.addField(MakeField("Prenom", String, 32, "", 10));
  set_.addField(MakeField("Email", String, 128, "", 20));
}

void TdmGestionClient::fillDefaults() {
  if (const service::TRemotableAgent* self = controller_.InfosAgent()) defaultIfNull("GroupeID", self->GroupeID);
}

}  // namespace corvane::records
