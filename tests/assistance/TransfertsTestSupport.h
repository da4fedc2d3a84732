#pragma once
// The desktop of the transfers window answered from a script: boxes, dialogs and "open".

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "assistance/TransfertsModel.h"

namespace corvane::assistance::testing {

class BureauScript final : public IBureauTransferts {
public:
  struct Boite {
    base::TypeBoite type;
    std::string titre;
    std::string texte;
  };
  std::deque<base::Bouton> reponses;  // the first button when empty
  std::vector<Boite> boites;
  std::deque<std::optional<std::string>> fichiers;  // save dialog answers
  std::deque<std::optional<std::string>> dossiers;  // folder browser answers
  std::vector<std::string> dialoguesEnregistrement;  // proposed name | default extension | filter
  std::vector<std::string> ouverts;

  base::Bouton Afficher(base::TypeBoite type, const std::string& titre, const std::string& texte,
                        const std::vector<base::Bouton>& boutons) override {
    boites.push_back({type, titre, texte});
    if (reponses.empty()) return boutons.front();
    const base::Bouton b = reponses.front();
    reponses.pop_front();
    return b;
  }
  std::optional<std::string> ChoisirFichierEnregistrement(const std::string& nom, const std::string& extension,
                                                          const std::string& filtre) override {
    dialoguesEnregistrement.push_back(nom + " | " + extension + " | " + filtre);
    if (fichiers.empty()) return std::nullopt;
    auto r = fichiers.front();
    fichiers.pop_front();
    return r;
  }
  std::optional<std::string> ChoisirDossier(const std::string&) override {
    if (dossiers.empty()) return std::nullopt;
    auto r = dossiers.front();
    dossiers.pop_front();
    return r;
  }
  void Ouvrir(const std::string& chemin) override { ouverts.push_back(chemin); }
};

}  // namespace corvane::assistance::testing
