#pragma once
// The log-in dialog: login and masked password, "&Ok", "&Cancel", and the "Create new group..."
// box shown only while the login box is empty. The attempts and the sign-up path are the model's
// (FrmAuthentificationAgentModel); this dialog shows itself once per Montrer. Main thread only.

#include <QDialog>

#include "shell/FrmAuthentificationAgentModel.h"

class QLineEdit;
class QGroupBox;

namespace corvane::shell::ui {

class TFrmAuthentificationAgent final : public QDialog {
public:
  explicit TFrmAuthentificationAgent(QWidget* parent = nullptr);

  // Shows the dialog modally with `login` in the login box and an empty password.
  SaisieAuthentification Saisir(const std::string& login);

  QLineEdit* edtIdentifiant() const { return identifiant_; }
  QLineEdit* edtMotDePasse() const { return motDePasse_; }
  QGroupBox* grpCreation() const { return creation_; }

private:
  void miseEnPage();

  QLineEdit* identifiant_;
  QLineEdit* motDePasse_;
  QGroupBox* creation_;
  bool creerGroupe_ = false;
};

// Binds the model to a dialog created for each showing, parented to `parent`.
void LierDialogueAuthentification(TFrmAuthentificationAgentModel& model, QWidget* parent);

}  // namespace corvane::shell::ui
