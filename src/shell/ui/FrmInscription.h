#pragma once
// The group sign-up wizard (TFrmInscription, "Inscription for Tarvenholt Assistance Service"): page
// "Create a group" then page "Create an administrator", each with its verification picture and code
// box. The pages, codes and service calls are TFrmInscriptionModel's; service errors go to the
// application-wide error handler and the wizard stays open. Main thread only.

#include <QDialog>
#include <exception>
#include <functional>
#include <optional>

#include "shell/FrmAuthentificationAgentModel.h"
#include "shell/InscriptionModel.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;

namespace corvane::shell::ui {

// A verification picture from the service's PNG bytes; an empty pixmap when they are not a picture.
QPixmap ImageVerrou(const service::TByteDynArray& png);

class TFrmInscription final : public QDialog {
public:
  using GestionErreur = std::function<void(std::exception_ptr)>;
  TFrmInscription(service::ICorvaneInscription& service, GestionErreur erreur, QWidget* parent = nullptr);

  // Shows the wizard modally; the new administrator's login and password after Finish.
  std::optional<IdentifiantsInscription> Executer();

  TFrmInscriptionModel& Model() { return model_; }
  QLineEdit* edtNom() const { return nom_; }
  QLineEdit* edtMessage() const { return message_; }
  QLineEdit* edtEmail() const { return email_; }
  QLineEdit* edtSite() const { return site_; }
  QLineEdit* edtCodeGroupe() const { return codeGroupe_; }
  QLineEdit* edtLogin() const { return login_; }
  QLineEdit* edtMotDePasse() const { return motDePasse_; }
  QLineEdit* edtCodeAdministrateur() const { return codeAdministrateur_; }
  QLabel* imgVerrou() const;  // the picture of the active page
  QPushButton* btnSuivant() const { return suivant_; }
  QPushButton* btnTerminer() const { return terminer_; }

private:
  QWidget* pageGroupe();
  QWidget* pageAdministrateur();
  void lireBoites();
  void montrer();
  void suivant();
  void terminer();

  TFrmInscriptionModel model_;
  GestionErreur erreur_;
  QStackedWidget* pages_;
  QLineEdit *nom_, *message_, *email_, *site_, *codeGroupe_;
  QLineEdit *login_, *motDePasse_, *codeAdministrateur_;
  QLabel *imageGroupe_, *imageAdministrateur_;
  QPushButton *suivant_, *terminer_;
};

}  // namespace corvane::shell::ui
