#pragma once
// The password change dialog (TPasswordChangeDialog, "Password changing"): previous password, new
// password and confirmation in masked boxes. OK runs the model's checks; Retry keeps the dialog
// open with the offending box focused, Abort closes it without a change. Translated in the
// "TarvenholtReferentiel" domain. Main thread only.

#include <QDialog>

#include "shell/BoitesDialogue.h"
#include "shell/ChangementMotDePasse.h"

class QLineEdit;

namespace corvane::shell::ui {

class TPasswordChangeDialog final : public QDialog {
public:
  TPasswordChangeDialog(IBoitesDialogue& boites, QWidget* parent = nullptr);

  TPasswordChangeDialogModel& Model() { return model_; }
  // Shows the dialog modally; true when it ended with OK and checked values
  // (Model().NouveauMotDePasse() then holds the new password).
  bool Executer();

  QLineEdit* edtAncien() const { return ancien_; }
  QLineEdit* edtNouveau() const { return nouveau_; }
  QLineEdit* edtConfirmation() const { return confirmation_; }

  void accept() override;

private:
  void lireBoites();
  void montrerBoites();

  IBoitesDialogue& boites_;
  TPasswordChangeDialogModel model_;
  QLineEdit* ancien_;
  QLineEdit* nouveau_;
  QLineEdit* confirmation_;
};

}  // namespace corvane::shell::ui
