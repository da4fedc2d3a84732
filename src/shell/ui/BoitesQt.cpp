#include "shell/ui/BoitesQt.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <map>

#include "base/Translate.h"

namespace corvane::shell::ui {

namespace {

QMessageBox::Icon Icone(TypeBoite type) {
  switch (type) {
    case TypeBoite::Information: return QMessageBox::Information;
    case TypeBoite::Confirmation: return QMessageBox::Question;
    case TypeBoite::Avertissement: return QMessageBox::Warning;
    case TypeBoite::Erreur: return QMessageBox::Critical;
  }
  return QMessageBox::NoIcon;
}

struct DefinitionBouton {
  const char* caption;
  QMessageBox::ButtonRole role;
};

DefinitionBouton Definition(Bouton b) {
  switch (b) {
    case Bouton::Ok: return {"&Ok", QMessageBox::AcceptRole};
    case Bouton::Annuler: return {"&Cancel", QMessageBox::RejectRole};
    case Bouton::Oui: return {"&Yes", QMessageBox::YesRole};
    case Bouton::Non: return {"&No", QMessageBox::NoRole};
    case Bouton::Abandonner: return {"&Abort", QMessageBox::RejectRole};
    case Bouton::Reessayer: return {"&Retry", QMessageBox::AcceptRole};
  }
  return {"&Ok", QMessageBox::AcceptRole};
}

}  // namespace

Bouton TBoitesQt::Afficher(TypeBoite type, const std::string& titre, const std::string& texte,
                           const std::vector<Bouton>& boutons) {
  QMessageBox box(Icone(type), QString::fromStdString(titre), QString::fromStdString(texte), QMessageBox::NoButton,
                  parent_);
  std::map<QAbstractButton*, Bouton> choix;
  for (Bouton b : boutons) {
    const DefinitionBouton d = Definition(b);
    QPushButton* button = box.addButton(QString::fromStdString(base::Tr(d.caption)), d.role);
    button->setObjectName(QString::fromLatin1(d.caption).remove('&'));
    choix[button] = b;
    if (choix.size() == 1) box.setDefaultButton(button);
  }
  // Not the hourglass of the work that led to the box.
  QApplication::setOverrideCursor(Qt::ArrowCursor);
  box.exec();
  QApplication::restoreOverrideCursor();
  const auto it = choix.find(box.clickedButton());
  if (it != choix.end()) return it->second;
  return boutons.empty() ? Bouton::Ok : boutons.front();
}

}  // namespace corvane::shell::ui
