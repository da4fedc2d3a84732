#pragma once
// The shell models' message boxes shown with QMessageBox: the caption and text as the model gives
// them, the buttons with their catalogue captions. Main thread only.

#include "shell/BoitesDialogue.h"

class QWidget;

namespace corvane::shell::ui {

class TBoitesQt final : public IBoitesDialogue {
public:
  explicit TBoitesQt(QWidget* parent) : parent_(parent) {}
  Bouton Afficher(TypeBoite type, const std::string& titre, const std::string& texte,
                  const std::vector<Bouton>& boutons) override;

private:
  QWidget* parent_;
};

}  // namespace corvane::shell::ui
