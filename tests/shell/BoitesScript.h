#pragma once
// Message boxes answered from a script, recording every box shown.

#include <deque>
#include <string>
#include <vector>

#include "shell/BoitesDialogue.h"

namespace corvane::shell::test {

class BoitesScript final : public IBoitesDialogue {
public:
  struct Boite {
    TypeBoite type;
    std::string titre;
    std::string texte;
    std::vector<Bouton> boutons;
  };
  std::deque<Bouton> reponses;  // answers in order; the first button when the script is empty
  std::vector<Boite> montrees;

  Bouton Afficher(TypeBoite type, const std::string& titre, const std::string& texte,
                  const std::vector<Bouton>& boutons) override {
    montrees.push_back({type, titre, texte, boutons});
    if (reponses.empty()) return boutons.front();
    const Bouton b = reponses.front();
    reponses.pop_front();
    return b;
  }
};

}  // namespace corvane::shell::test
