#pragma once
// The modal message boxes the shell's window models ask for: a confirmation, warning, error or
// information box with a caption, a text and standard buttons. The Qt user interface implements it
// with QMessageBox; tests answer from a script. Texts arrive translated and filled.
//
// Threads: main thread only.

#include <initializer_list>
#include <string>
#include <vector>

namespace corvane::shell {

enum class TypeBoite { Information, Confirmation, Avertissement, Erreur };
enum class Bouton { Ok, Annuler, Oui, Non, Abandonner, Reessayer };

class IBoitesDialogue {
public:
  virtual ~IBoitesDialogue() = default;
  // Shows the box and returns the button chosen (the first button when the box is dismissed).
  virtual Bouton Afficher(TypeBoite type, const std::string& titre, const std::string& texte,
                          const std::vector<Bouton>& boutons) = 0;
};

}  // namespace corvane::shell
