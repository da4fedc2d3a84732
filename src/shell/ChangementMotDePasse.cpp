#include "shell/ChangementMotDePasse.h"

#include "shell/Demarrage.h"

namespace corvane::shell {

namespace {

size_t Caracteres(const std::string& utf8) {
  size_t n = 0;
  for (unsigned char c : utf8)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

}  // namespace

std::optional<ErreurMotDePasse> TPasswordChangeDialogModel::Verifier() const {
  if (VerifierAncienMotDePasse && SaisieAncien != AncienMotDePasse)
    return ErreurMotDePasse{ChampMotDePasse::Ancien, "Ancien mot de passe incorrect."};
  if (LongueurMinMotDePasse > 0 && Caracteres(SaisieNouveau) < static_cast<size_t>(LongueurMinMotDePasse))
    return ErreurMotDePasse{ChampMotDePasse::Nouveau,
                            "Le mot de passe saisi n'est pas assez long ! (au moins " +
                                std::to_string(LongueurMinMotDePasse) + " caractères)"};
  if (SaisieConfirmation != SaisieNouveau)
    return ErreurMotDePasse{ChampMotDePasse::Confirmation,
                            "Le nouveau mot de passe saisi et la confirmation sont différents."};
  return std::nullopt;
}

TPasswordChangeDialogModel::Issue TPasswordChangeDialogModel::Valider(IBoitesDialogue& boites) {
  ChampEnErreur.reset();
  const std::optional<ErreurMotDePasse> erreur = Verifier();
  if (!erreur) return Issue::Valide;
  ChampEnErreur = erreur->champ;
  const Bouton b = boites.Afficher(TypeBoite::Erreur, TitreApplication(), erreur->message,
                                   {Bouton::Abandonner, Bouton::Reessayer});
  if (b == Bouton::Reessayer) return Issue::Corriger;
  SaisieNouveau.clear();
  SaisieConfirmation.clear();
  return Issue::Abandon;
}

}  // namespace corvane::shell
