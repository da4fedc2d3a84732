#include "shell/AuthentificationLigneCommande.h"

namespace corvane::shell {

bool TAuthentificationLigneCommande::Authentifier() {
  if (!authentification_) return false;
  return authentification_->EssayerConnexion(login_, password_);
}

}  // namespace corvane::shell
