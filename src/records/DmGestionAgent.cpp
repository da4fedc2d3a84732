#include "records/DmGestionAgent.h"

#include "records/FieldDefs.h"

namespace corvane::records {

TdmGestionAgent::TdmGestionAgent(service::ServiceGateway& controller)
    : RecordListModule(controller, "EzListeAgents") {
  using enum FieldType;
  set_.addField(MakeField("AgentID", Integer, 0, "Agent ID", 0, kHidden));
  set_.addField(MakeField("GroupeID", String, 32, "Groupe ID", 0, kHidden | kRequired));
  FieldDef login = MakeField("Login", String, 36, "", 8, kRequired);
  login.onValidate = [this] { fillDefaults(); };
  set_.addField(std::move(login));
  set_.addField(MakeField("Nom", String, 36, "Name", 12));
  set_.addField(MakeField("Prenom", String, 36, "First name", 12));
  set_.addField(MakeField("Email", String, 128, "", 20));
  set_.addField(MakeField("AdresseIP", String, 32, "IP address", 15));
  FieldDef autoIp = MakeField("AdresseIPAuto", SmallInt, 0, "Auto", 5);
  autoIp.maxValue = 1;
  set_.addField(std::move(autoIp));
  set_.addField(MakeField("Port", Integer, 0, "", 7));
  set_.addField(MakeField("Ports", String, 32, "", 12));
  set_.addField(MakeField("LoginVoiceOnIP", String, 36, "VoIP login", 10));
  set_.addField(MakeField("NiveauAdmin", SmallInt, 0, "Admin level", 2));
}

void TdmGestionAgent::fillDefaults() {
  if (const service::TRemotableAgent* self = controller_.InfosAgent()) {
    defaultIfNull("GroupeID", self->GroupeID);
    defaultIfNull("Port", static_cast<int64_t>(self->Port));
  }
  defaultIfNull("NiveauAdmin", int64_t{0});
  defaultIfNull("AdresseIPAuto", int64_t{1});
}

}  // namespace corvane::records
