#include "shell/ui/FrmReouvertureSession.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/ui/TraduireFenetre.h"

namespace corvane::shell::ui {

TFrmReouvertureSession::TFrmReouvertureSession(QWidget* parent)
    : QDialog(parent), login_(new QLabel(this)), motDePasse_(new QLineEdit(this)) {
  setObjectName("FrmReouvertureSession");
  setWindowTitle("Session lost");
  login_->setObjectName("lblLogin");
  QFont gras = login_->font();
  gras.setBold(true);
  login_->setFont(gras);
  motDePasse_->setObjectName("edtMotDePasse");
  motDePasse_->setEchoMode(QLineEdit::Password);
  motDePasse_->setMinimumWidth(200);

  auto* form = new QFormLayout;
  auto* lblMotDePasse = new QLabel("Password :", this);
  lblMotDePasse->setBuddy(motDePasse_);
  form->addRow(login_);
  form->addRow(lblMotDePasse, motDePasse_);

  auto* boutons = new QDialogButtonBox(this);
  QPushButton* ok = boutons->addButton("&Ok", QDialogButtonBox::AcceptRole);
  ok->setObjectName("btnOk");
  ok->setDefault(true);
  boutons->addButton("&Cancel", QDialogButtonBox::RejectRole)->setObjectName("btnAnnuler");
  connect(boutons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(boutons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(boutons);
  TraduireFenetre(this, "TarvenholtCorvane");
  setFixedSize(sizeHint());
}

std::optional<std::string> TFrmReouvertureSession::Saisir(const std::string& login) {
  // Set after the window translation ran: the login is data, not a text of the program.
  login_->setText(QString::fromStdString(login));
  motDePasse_->clear();
  motDePasse_->setFocus();
  if (exec() != QDialog::Accepted) return std::nullopt;
  return motDePasse_->text().toStdString();
}

}  // namespace corvane::shell::ui
