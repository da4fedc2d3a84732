#include "shell/InscriptionModel.h"

namespace corvane::shell {

void TFrmInscriptionModel::NouveauCode() {
  image_ = service_.ObtenirVerrou(verrou_);
  if (OnImageChange) OnImageChange();
}

void TFrmInscriptionModel::Suivant() {
  if (page_ != Page::CreerGroupe) return;
  service::TRemotableInfosGroupe groupe;
  groupe.Nom = Nom;
  groupe.Mess = Message;
  groupe.Email = Email;
  groupe.Site = Site;
  const std::string code = CodeGroupe;
  CodeGroupe.clear();
  try {
    groupeId_ = service_.CreerGroupe(verrou_, code, groupe);
  } catch (...) {
    NouveauCode();
    throw;
  }
  page_ = Page::CreerAdministrateur;
  NouveauCode();
}

bool TFrmInscriptionModel::Terminer() {
  if (page_ != Page::CreerAdministrateur) return false;
  service::TRemotableInfosAgent agent;
  agent.GroupeID = groupeId_;
  agent.Login = Login;
  agent.MotDePasse = MotDePasse;
  const std::string code = CodeAdministrateur;
  CodeAdministrateur.clear();
  try {
    service_.CreerSuperAgent(verrou_, code, agent);
  } catch (...) {
    NouveauCode();
    throw;
  }
  return true;
}

void TFrmSaisieVerrouModel::Afficher() {
  verrou_.clear();
  image_ = service_.ObtenirVerrou(verrou_);
}

}  // namespace corvane::shell
