#include "shell/InfosAgentModel.h"

#include "records/DataGridRules.h"
#include "records/FieldDefs.h"

namespace corvane::shell {

using namespace records;

TFrmInfosAgentModel::TFrmInfosAgentModel(Liens liens) : liens_(std::move(liens)) {
  using enum FieldType;
  set_.addField(MakeField("AgentID", Integer, 0, "Agent ID", 0, kHidden));
  set_.addField(MakeField("GroupeID", String, 32, "Groupe ID", 0, kHidden | kRequired));
  set_.addField(MakeField("Login", String, 36, "", 0, kRequired));
  set_.addField(MakeField("Nom", String, 36, "Name", 0));
  set_.addField(MakeField("Prenom", String, 36, "First name", 0));
  set_.addField(MakeField("Email", String, 128, "", 0));
  set_.addField(MakeField("AdresseIP", String, 32, "IP address", 0));
  set_.addField(MakeField("AdresseIPAuto", Boolean, 0, "Automatic", 0));
  set_.addField(MakeField("Port", Integer, 0, "Negociation port", 0));
  set_.addField(MakeField("Ports", String, 32, "Assistance ports", 0));
  set_.addField(MakeField("LoginVoiceOnIP", String, 36, "VoIP login", 0));
  set_.addField(MakeField("NiveauAdmin", SmallInt, 0, "Admin level", 0));
  auto& cb = set_.callbacks();
  cb.recordCount = [] { return 1; };
  cb.fieldValue = [this](int, const Field& f) { return copieur_.getValue(f.name()); };
  cb.postData = [this](int, RecordSetState) {
    for (int i = 0; i < set_.fieldCount(); ++i) copieur_.setValue(set_.field(i).name(), set_.field(i).value());
  };
}

TFrmInfosAgentModel::~TFrmInfosAgentModel() = default;

void TFrmInfosAgentModel::Afficher() {
  set_.close();
  const service::TRemotableAgent* agent = liens_.agentControleur ? liens_.agentControleur() : nullptr;
  copie_ = agent ? *agent : service::TRemotableAgent{};
  set_.open();
}

void TFrmInfosAgentModel::Fermeture() { set_.cancel(); }

void TFrmInfosAgentModel::SetAutomatique(bool coche) {
  if (!set_.active()) return;
  set_.edit();
  set_.fieldByName("AdresseIPAuto").setValue(coche);
}

bool TFrmInfosAgentModel::Automatique() const {
  return set_.active() && set_.fieldByName("AdresseIPAuto").asBoolean();
}

bool TFrmInfosAgentModel::OkActif() const { return PostCancelEnabled(&set_); }

void TFrmInfosAgentModel::Ok() {
  if (!OkActif()) return;
  set_.post();
  if (liens_.fermerFenetre) liens_.fermerFenetre();
  service::TRemotableAgent* agent = liens_.agentControleur ? liens_.agentControleur() : nullptr;
  // The agent may have logged out and in as someone else while the window was open.
  if (!agent || agent->AgentID != copie_.AgentID) return;
  *agent = copie_;
  if (liens_.enregistrerAgent) liens_.enregistrerAgent();
}

void TFrmInfosAgentModel::Restaurer() {
  if (RestaurerActif()) set_.cancel();
}

void TFrmInfosAgentModel::Annuler() {
  Fermeture();
  if (liens_.fermerFenetre) liens_.fermerFenetre();
}

}  // namespace corvane::shell
