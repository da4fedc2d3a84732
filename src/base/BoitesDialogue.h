#pragma once
// The modal message boxes the window models ask for: a confirmation, warning, error or information
// box with a caption, a text and standard buttons. The Qt user interface implements it with
// QMessageBox; tests answer from a script. Texts arrive translated and filled. It lives in base so
// that every core library (the shell's window models, the assistance windows' models) uses the
// same port without depending on each other.
//
// Threads: main thread only.

#include <string>
#include <vector>

namespace corvane::base {

enum class TypeBoite { Information, Confirmation, Avertissement, Erreur };
enum class Bouton { Ok, Annuler, Oui, Non, Abandonner, Reessayer };

class IBoitesDialogue {
public:
  virtual ~IBoitesDialogue() = default;
  // Shows the box and returns the button chosen (the first button when the box is dismissed).
  virtual Bouton Afficher(TypeBoite type, const std::string& titre, const std::string& texte,
                          const std::vector<Bouton>& boutons) = 0;
};

}  // namespace corvane::base
