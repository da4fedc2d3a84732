#include "shell/ui/FrmInscription.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "shell/ui/TraduireFenetre.h"

namespace corvane::shell::ui {

namespace {

QLineEdit* Boite(QWidget* parent, const char* name) {
  auto* box = new QLineEdit(parent);
  box->setObjectName(name);
  box->setMinimumWidth(260);
  return box;
}

QLabel* Titre(QWidget* parent, const char* titre, const char* sousTitre, QVBoxLayout* layout) {
  auto* t = new QLabel(titre, parent);
  QFont f = t->font();
  f.setBold(true);
  f.setPointSizeF(f.pointSizeF() * 1.25);
  t->setFont(f);
  layout->addWidget(t);
  layout->addWidget(new QLabel(sousTitre, parent));
  return t;
}

QLabel* Image(QWidget* parent, const char* name) {
  auto* image = new QLabel(parent);
  image->setObjectName(name);
  image->setAlignment(Qt::AlignCenter);
  image->setMinimumSize(220, 70);
  image->setFrameShape(QFrame::StyledPanel);
  return image;
}

}  // namespace

QPixmap ImageVerrou(const service::TByteDynArray& png) {
  return QPixmap::fromImage(QImage::fromData(png.data(), static_cast<int>(png.size()), "PNG"));
}

TFrmInscription::TFrmInscription(service::ICorvaneInscription& service, GestionErreur erreur, QWidget* parent)
    : QDialog(parent), model_(service), erreur_(std::move(erreur)), pages_(new QStackedWidget(this)) {
  setObjectName("FrmInscription");
  setWindowTitle("Inscription for Tarvenholt Assistance Service");
  pages_->addWidget(pageGroupe());
  pages_->addWidget(pageAdministrateur());

  suivant_ = new QPushButton("&Next", this);
  suivant_->setObjectName("btnSuivant");
  terminer_ = new QPushButton("&Finish", this);
  terminer_->setObjectName("btnTerminer");
  auto* annuler = new QPushButton("&Cancel", this);
  annuler->setObjectName("btnAnnuler");
  connect(suivant_, &QPushButton::clicked, this, [this] { suivant(); });
  connect(terminer_, &QPushButton::clicked, this, [this] { terminer(); });
  connect(annuler, &QPushButton::clicked, this, &QDialog::reject);
  auto* boutons = new QHBoxLayout;
  boutons->addStretch();
  boutons->addWidget(suivant_);
  boutons->addWidget(terminer_);
  boutons->addWidget(annuler);

  auto* layout = new QVBoxLayout(this);
  layout->setSizeConstraint(QLayout::SetMinimumSize);  // the pictures arrive after the layout
  layout->addWidget(pages_);
  layout->addLayout(boutons);
  model_.OnImageChange = [this] { montrer(); };
  TraduireFenetre(this, "TarvenholtCorvane");
  montrer();
}

QWidget* TFrmInscription::pageGroupe() {
  auto* page = new QWidget(pages_);
  auto* layout = new QVBoxLayout(page);
  Titre(page, "Create a group", "Create a new agent group", layout);
  auto* form = new QFormLayout;
  form->setRowWrapPolicy(QFormLayout::WrapLongRows);
  nom_ = Boite(page, "edtNom");
  message_ = Boite(page, "edtMessage");
  email_ = Boite(page, "edtEmail");
  site_ = Boite(page, "edtSite");
  codeGroupe_ = Boite(page, "edtCodeGroupe");
  imageGroupe_ = Image(page, "imgVerrouGroupe");
  form->addRow(new QLabel("Group name :", page), nom_);
  form->addRow(new QLabel("Message to client when all agent are busy :", page), message_);
  form->addRow(new QLabel("Group email :", page), email_);
  form->addRow(new QLabel("Group web site", page), site_);
  layout->addLayout(form);
  layout->addWidget(imageGroupe_);
  layout->addWidget(new QLabel("Write the code you see above :", page));
  layout->addWidget(codeGroupe_);
  layout->addStretch();
  return page;
}

QWidget* TFrmInscription::pageAdministrateur() {
  auto* page = new QWidget(pages_);
  auto* layout = new QVBoxLayout(page);
  Titre(page, "Create an administrator", "Create a new administrator", layout);
  auto* form = new QFormLayout;
  login_ = Boite(page, "edtLogin");
  motDePasse_ = Boite(page, "edtMotDePasse");
  motDePasse_->setEchoMode(QLineEdit::Password);
  codeAdministrateur_ = Boite(page, "edtCodeAdministrateur");
  imageAdministrateur_ = Image(page, "imgVerrouAdministrateur");
  form->addRow(new QLabel("Login :", page), login_);
  form->addRow(new QLabel("Password :", page), motDePasse_);
  layout->addLayout(form);
  layout->addWidget(imageAdministrateur_);
  layout->addWidget(new QLabel("Write the code you see above :", page));
  layout->addWidget(codeAdministrateur_);
  layout->addStretch();
  return page;
}

QLabel* TFrmInscription::imgVerrou() const {
  return model_.PageActive() == TFrmInscriptionModel::Page::CreerGroupe ? imageGroupe_ : imageAdministrateur_;
}

std::optional<IdentifiantsInscription> TFrmInscription::Executer() {
  try {
    model_.Afficher();
  } catch (...) {
    if (erreur_) erreur_(std::current_exception());
  }
  if (exec() != QDialog::Accepted) return std::nullopt;
  return IdentifiantsInscription{model_.Login, model_.MotDePasse};
}

void TFrmInscription::lireBoites() {
  const auto s = [](const QLineEdit* e) { return e->text().toStdString(); };
  model_.Nom = s(nom_);
  model_.Message = s(message_);
  model_.Email = s(email_);
  model_.Site = s(site_);
  model_.CodeGroupe = s(codeGroupe_);
  model_.Login = s(login_);
  model_.MotDePasse = s(motDePasse_);
  model_.CodeAdministrateur = s(codeAdministrateur_);
}

void TFrmInscription::montrer() {
  const bool premiere = model_.PageActive() == TFrmInscriptionModel::Page::CreerGroupe;
  pages_->setCurrentIndex(premiere ? 0 : 1);
  suivant_->setVisible(premiere);
  terminer_->setVisible(!premiere);
  (premiere ? suivant_ : terminer_)->setDefault(true);
  codeGroupe_->setText(QString::fromStdString(model_.CodeGroupe));
  codeAdministrateur_->setText(QString::fromStdString(model_.CodeAdministrateur));
  imgVerrou()->setPixmap(ImageVerrou(model_.Image()));
}

void TFrmInscription::suivant() {
  lireBoites();
  try {
    model_.Suivant();
  } catch (...) {
    montrer();
    if (erreur_) erreur_(std::current_exception());
    return;
  }
  montrer();
  login_->setFocus();
}

void TFrmInscription::terminer() {
  lireBoites();
  bool fini = false;
  try {
    fini = model_.Terminer();
  } catch (...) {
    montrer();
    if (erreur_) erreur_(std::current_exception());
    return;
  }
  if (fini) accept();
}

}  // namespace corvane::shell::ui
