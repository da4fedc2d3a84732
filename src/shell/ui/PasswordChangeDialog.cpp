#include "shell/ui/PasswordChangeDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/ui/TraduireFenetre.h"

namespace corvane::shell::ui {

TPasswordChangeDialog::TPasswordChangeDialog(IBoitesDialogue& boites, QWidget* parent)
    : QDialog(parent),
      boites_(boites),
      ancien_(new QLineEdit(this)),
      nouveau_(new QLineEdit(this)),
      confirmation_(new QLineEdit(this)) {
  setObjectName("PasswordChangeDialog");
  setWindowTitle("Password changing");
  auto* form = new QFormLayout;
  const struct {
    QLineEdit* box;
    const char* name;
    const char* label;
  } boxes[] = {{ancien_, "edtAncienMotDePasse", "Previous password"},
               {nouveau_, "edtNouveauMotDePasse", "New password"},
               {confirmation_, "edtConfirmation", "Password confirmation"}};
  for (const auto& b : boxes) {
    b.box->setObjectName(b.name);
    b.box->setEchoMode(QLineEdit::Password);
    b.box->setMinimumWidth(200);
    auto* label = new QLabel(b.label, this);
    label->setBuddy(b.box);
    form->addRow(label, b.box);
  }
  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = buttons->addButton("&OK", QDialogButtonBox::AcceptRole);
  ok->setObjectName("btnOk");
  ok->setDefault(true);
  buttons->addButton("&Cancel", QDialogButtonBox::RejectRole)->setObjectName("btnAnnuler");
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
  TraduireFenetre(this, "TarvenholtReferentiel");
  setFixedSize(sizeHint());
}

bool TPasswordChangeDialog::Executer() {
  montrerBoites();
  ancien_->setFocus();
  return exec() == QDialog::Accepted;
}

void TPasswordChangeDialog::lireBoites() {
  model_.SaisieAncien = ancien_->text().toStdString();
  model_.SaisieNouveau = nouveau_->text().toStdString();
  model_.SaisieConfirmation = confirmation_->text().toStdString();
}

void TPasswordChangeDialog::montrerBoites() {
  ancien_->setText(QString::fromStdString(model_.SaisieAncien));
  nouveau_->setText(QString::fromStdString(model_.SaisieNouveau));
  confirmation_->setText(QString::fromStdString(model_.SaisieConfirmation));
}

void TPasswordChangeDialog::accept() {
  lireBoites();
  switch (model_.Valider(boites_)) {
    case TPasswordChangeDialogModel::Issue::Valide: QDialog::accept(); return;
    case TPasswordChangeDialogModel::Issue::Corriger: {
      QLineEdit* box = ancien_;
      if (model_.ChampEnErreur == ChampMotDePasse::Nouveau) box = nouveau_;
      if (model_.ChampEnErreur == ChampMotDePasse::Confirmation) box = confirmation_;
      box->setFocus();
      box->selectAll();
      return;
    }
    case TPasswordChangeDialogModel::Issue::Abandon:
      montrerBoites();  // the model emptied both new-password boxes
      reject();
      return;
  }
}

}  // namespace corvane::shell::ui
