#include "shell/ui/FrmAuthentificationAgent.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/Translate.h"
#include "shell/ui/Pictures.h"

namespace corvane::shell::ui {

namespace {
QString T(std::string_view text) { return QString::fromStdString(base::Tr(text)); }
}  // namespace

TFrmAuthentificationAgent::TFrmAuthentificationAgent(QWidget* parent) : QDialog(parent) {
  setObjectName("FrmAuthentificationAgent");
  setWindowTitle(T("Indentification"));
  setWindowIcon(IconeApplication());
  auto* layout = new QVBoxLayout(this);
  layout->setSizeConstraint(QLayout::SetFixedSize);  // the dialog grows and shrinks with the box
  auto* form = new QFormLayout;
  identifiant_ = new QLineEdit(this);
  identifiant_->setObjectName("edtIdentifiant");
  identifiant_->setMinimumWidth(200);
  motDePasse_ = new QLineEdit(this);
  motDePasse_->setObjectName("edtMotDePasse");
  motDePasse_->setEchoMode(QLineEdit::Password);
  form->addRow(T("Login :"), identifiant_);
  form->addRow(T("Password :"), motDePasse_);
  layout->addLayout(form);

  auto* buttons = new QDialogButtonBox(this);
  auto* ok = buttons->addButton(T("&Ok"), QDialogButtonBox::AcceptRole);
  ok->setObjectName("btnOk");
  ok->setDefault(true);
  buttons->addButton(T("&Cancel"), QDialogButtonBox::RejectRole)->setObjectName("btnAnnuler");
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);

  creation_ = new QGroupBox(T("You can also create a new agent group :"), this);
  creation_->setObjectName("grpCreation");
  auto* creationLayout = new QVBoxLayout(creation_);
  auto* creer = new QPushButton(T("Create new group..."), creation_);
  creer->setObjectName("btnCreerGroupe");
  creer->setAutoDefault(false);
  creationLayout->addWidget(creer);
  layout->addWidget(creation_);
  connect(creer, &QPushButton::clicked, this, [this] {
    creerGroupe_ = true;
    accept();
  });
  connect(identifiant_, &QLineEdit::textChanged, this, [this] { miseEnPage(); });
}

void TFrmAuthentificationAgent::miseEnPage() {
  creation_->setVisible(TFrmAuthentificationAgentModel::GroupeCreationVisible(identifiant_->text().toStdString()));
}

SaisieAuthentification TFrmAuthentificationAgent::Saisir(const std::string& login) {
  creerGroupe_ = false;
  identifiant_->setText(QString::fromStdString(login));
  motDePasse_->clear();
  miseEnPage();
  if (TFrmAuthentificationAgentModel::FocusMotDePasse(login))
    motDePasse_->setFocus();
  else
    identifiant_->setFocus();
  SaisieAuthentification saisie;
  const int result = exec();
  saisie.login = identifiant_->text().toStdString();
  saisie.motDePasse = motDePasse_->text().toStdString();
  using Choix = SaisieAuthentification::Choix;
  saisie.choix = result != QDialog::Accepted ? Choix::Annuler : creerGroupe_ ? Choix::CreerGroupe : Choix::Ok;
  return saisie;
}

void LierDialogueAuthentification(TFrmAuthentificationAgentModel& model, QWidget* parent) {
  model.Montrer = [parent](const TFrmAuthentificationAgentModel& m) {
    TFrmAuthentificationAgent dialog(parent);
    return dialog.Saisir(m.Identifiant());
  };
}

}  // namespace corvane::shell::ui
