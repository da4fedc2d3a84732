#include "shell/FrmAuthentificationAgentModel.h"

#include "shell/ConfigurationStore.h"

namespace corvane::shell {

TFrmAuthentificationAgentModel::TFrmAuthentificationAgentModel(ConfigurationStore* store) : store_(store) {
  if (store_) identifiant_ = store_->ReadString(kSectionFrmAuthentificationAgent, kCleIdentifiant, "");
}

bool TFrmAuthentificationAgentModel::Essayer(const std::string& login, const std::string& motDePasse) {
  // A rejected try has already shown its message through the application-wide error handler.
  return authentification_ && authentification_->EssayerConnexion(login, motDePasse);
}

bool TFrmAuthentificationAgentModel::Authentifier() {
  tentatives_ = 0;
  bool accepte = false;
  while (!accepte && tentatives_ < kTentativesAuthentification) {
    if (!Montrer) break;
    SaisieAuthentification saisie = Montrer(*this);
    if (saisie.choix == SaisieAuthentification::Choix::Annuler) break;
    if (saisie.choix == SaisieAuthentification::Choix::CreerGroupe) {
      const auto inscription = Inscrire ? Inscrire() : std::nullopt;
      if (!inscription) break;
      groupeCree_ = true;
      accepte = Essayer(inscription->login, inscription->motDePasse);
      identifiant_ = inscription->login;
      Enregistrer();
      break;
    }
    identifiant_ = saisie.login;
    ++tentatives_;
    accepte = Essayer(saisie.login, saisie.motDePasse);
  }
  Enregistrer();
  return accepte;
}

void TFrmAuthentificationAgentModel::Enregistrer() {
  if (!store_) return;
  store_->WriteInteger(kSectionFrmAuthentificationAgent, "FormVersion", 0);
  store_->WriteString(kSectionFrmAuthentificationAgent, kCleIdentifiant, identifiant_);
}

}  // namespace corvane::shell
