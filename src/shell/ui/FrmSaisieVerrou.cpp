#include "shell/ui/FrmSaisieVerrou.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/ui/FrmInscription.h"
#include "shell/ui/TraduireFenetre.h"

namespace corvane::shell::ui {

TFrmSaisieVerrou::TFrmSaisieVerrou(service::ICorvaneInscription& service,
                                   std::function<void(std::exception_ptr)> erreur, QWidget* parent)
    : QDialog(parent, Qt::Tool), model_(service), erreur_(std::move(erreur)), image_(new QLabel(this)),
      code_(new QLineEdit(this)) {
  setObjectName("FrmSaisieVerrou");
  setWindowTitle("Get Lock");
  setSizeGripEnabled(true);
  image_->setObjectName("imgVerrou");
  image_->setAlignment(Qt::AlignCenter);
  image_->setMinimumSize(160, 60);
  image_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  image_->setScaledContents(true);
  code_->setObjectName("edtCode");
  auto* ok = new QPushButton("&Ok", this);
  ok->setObjectName("btnOk");
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(image_, 1);
  layout->addWidget(new QLabel("Write the code you see above :", this));
  layout->addWidget(code_);
  layout->addWidget(ok, 0, Qt::AlignRight);
  TraduireFenetre(this, "TarvenholtCorvane");
}

std::optional<TTelechargementAppliClient::Verrou> TFrmSaisieVerrou::Saisir() {
  try {
    model_.Afficher();
  } catch (...) {
    if (erreur_) erreur_(std::current_exception());
    return std::nullopt;
  }
  image_->setPixmap(ImageVerrou(model_.Image()));
  code_->clear();
  code_->setFocus();
  if (exec() != QDialog::Accepted) return std::nullopt;
  model_.Code = code_->text().toStdString();
  return TTelechargementAppliClient::Verrou{model_.Verrou(), model_.Code};
}

}  // namespace corvane::shell::ui
