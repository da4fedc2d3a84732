#pragma once
// The password change dialog's rules (TPasswordChangeDialog): on OK the previous password, the
// minimum length and the confirmation are checked in that order; the first failure focuses its box
// and shows an error box with Abort and Retry. Retry keeps the dialog open for correction, Abort
// closes it without a change and empties both new-password boxes. The three texts are shown as
// they are, without translation. The dialog's own widgets bind to this model.
//
// Threads: main thread only.

#include <optional>
#include <string>

#include "shell/BoitesDialogue.h"

namespace corvane::shell {

enum class ChampMotDePasse { Ancien, Nouveau, Confirmation };

struct ErreurMotDePasse {
  ChampMotDePasse champ;
  std::string message;
};

class TPasswordChangeDialogModel {
public:
  enum class Issue { Valide, Corriger, Abandon };

  // Set by the caller: the password the controller holds.
  std::string AncienMotDePasse;
  int LongueurMinMotDePasse = 6;
  bool VerifierAncienMotDePasse = true;

  // The three boxes.
  std::string SaisieAncien;
  std::string SaisieNouveau;
  std::string SaisieConfirmation;

  // The result; setting it also fills both new-password boxes.
  const std::string& NouveauMotDePasse() const { return SaisieNouveau; }
  void SetNouveauMotDePasse(const std::string& value) { SaisieNouveau = SaisieConfirmation = value; }

  // The first check that fails, if any. Lengths count characters (UTF-8), not bytes.
  std::optional<ErreurMotDePasse> Verifier() const;

  // OK pressed: Valide closes the dialog with OK; Corriger keeps it open (Retry, the offending box
  // in ChampEnErreur); Abandon closes it without a change (Abort).
  Issue Valider(IBoitesDialogue& boites);
  std::optional<ChampMotDePasse> ChampEnErreur;
};

}  // namespace corvane::shell
