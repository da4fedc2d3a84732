#include "shell/AdministrationAgentsModel.h"

#include "base/Translate.h"

namespace corvane::shell {

using records::RecordSetState;
using records::VirtualRecordSet;
using A = ActionAdministrationAgents;

TexteAction TexteActionAgents(ActionAdministrationAgents action) {
  switch (action) {
    case A::actAjouterAgent: return {"Add", "Add agent"};
    case A::actSupprimerAgent: return {"Delete", "Delete agent"};
    case A::actValiderAgent:
    case A::actValiderInfosGroupe: return {"Validate", "Validate"};
    case A::actAnnulerAgent:
    case A::actAnnulerInfosGroupe: return {"Cancel", "Cancel"};
    case A::actRafraichirListeAgents:
    case A::actRafraichirInfosGroupe: return {"Refresh", "Refresh"};
    case A::actTester: return {"Test", "Test this message as shown to clients"};
    case A::actFermer: return {"Close", "Close"};
  }
  return {"", ""};
}

TFrmAdministrationAgentsModel::TFrmAdministrationAgentsModel(records::TdmGestionAgent& agents,
                                                             records::TDmGestionGroupe& groupe,
                                                             IBoitesDialogue& boites,
                                                             std::function<void()> rechargerAgentConnecte,
                                                             std::function<void()> fermerFenetre)
    : agents_(agents),
      groupe_(groupe),
      infosGroupe_(groupe.EzInfosGroupe()),
      boites_(boites),
      rechargerAgentConnecte_(std::move(rechargerAgentConnecte)),
      fermerFenetre_(std::move(fermerFenetre)) {
  // Editing any row may touch the agent's own record; inserting a new agent cannot.
  ecoute_ = agents_.EzListeAgents().addListener([this](VirtualRecordSet::Change change, int) {
    if (change == VirtualRecordSet::Change::State && agents_.EzListeAgents().state() == RecordSetState::Edit)
      agentModifie_ = true;
  });
}

TFrmAdministrationAgentsModel::~TFrmAdministrationAgentsModel() { agents_.EzListeAgents().removeListener(ecoute_); }

void TFrmAdministrationAgentsModel::Ouvrir() {
  agentModifie_ = false;
  agents_.refresh();
  groupe_.refresh();
}

void TFrmAdministrationAgentsModel::Fermer() {
  groupe_.cancelAndClose();
  agents_.cancelAndClose();
  if (agentModifie_) {
    agentModifie_ = false;
    if (rechargerAgentConnecte_) rechargerAgentConnecte_();
  }
}

bool TFrmAdministrationAgentsModel::Actif(ActionAdministrationAgents action) const {
  const VirtualRecordSet& liste = agents_.EzListeAgents();
  const VirtualRecordSet& groupe = infosGroupe_;
  switch (action) {
    case A::actAjouterAgent: return liste.active();
    case A::actSupprimerAgent: return liste.active() && liste.recordCount() > 0;
    case A::actValiderAgent:
    case A::actAnnulerAgent: return liste.editing();
    case A::actValiderInfosGroupe:
    case A::actAnnulerInfosGroupe: return groupe.editing();
    case A::actTester: return groupe.state() != RecordSetState::Edit;
    case A::actRafraichirListeAgents:
    case A::actRafraichirInfosGroupe:
    case A::actFermer: return true;
  }
  return false;
}

void TFrmAdministrationAgentsModel::Executer(ActionAdministrationAgents action) {
  if (!Actif(action)) return;
  VirtualRecordSet& liste = agents_.EzListeAgents();
  VirtualRecordSet& groupe = groupe_.EzInfosGroupe();
  switch (action) {
    case A::actAjouterAgent: liste.insert(); break;
    case A::actSupprimerAgent: liste.deleteRecord(); break;
    case A::actValiderAgent: liste.post(); break;
    case A::actAnnulerAgent: liste.cancel(); break;
    case A::actRafraichirListeAgents: agents_.refresh(); break;
    case A::actValiderInfosGroupe: groupe.post(); break;
    case A::actAnnulerInfosGroupe: groupe.cancel(); break;
    case A::actRafraichirInfosGroupe: groupe_.refresh(); break;
    case A::actTester: {
      const records::Field* mess = groupe.active() ? groupe.findField("Mess") : nullptr;
      boites_.Afficher(TypeBoite::Information, base::Tr("Test"), mess ? mess->asString() : std::string(),
                       {Bouton::Ok});
      break;
    }
    case A::actFermer:
      if (fermerFenetre_) fermerFenetre_();
      break;
  }
}

std::string TFrmAdministrationAgentsModel::LibelleAccepteClientConnu() const {
  return infosGroupe_.fieldByName("AccepteClientConnuUniquement").displayLabel();
}

}  // namespace corvane::shell
