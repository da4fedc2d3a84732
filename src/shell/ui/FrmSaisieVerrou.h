#pragma once
// The verification-code dialog (TFrmSaisieVerrou, "Get Lock", a resizable tool window): the
// service's picture filling the window, the code box and "&Ok". The code is
// TFrmSaisieVerrouModel's. Main thread only.

#include <QDialog>
#include <exception>
#include <functional>
#include <optional>

#include "shell/InscriptionModel.h"
#include "shell/TelechargementAppliClient.h"

class QLabel;
class QLineEdit;

namespace corvane::shell::ui {

class TFrmSaisieVerrou final : public QDialog {
public:
  TFrmSaisieVerrou(service::ICorvaneInscription& service, std::function<void(std::exception_ptr)> erreur,
                   QWidget* parent = nullptr);

  // Fetches a picture and shows the dialog modally: the lock identifier and the typed code after
  // OK, nothing otherwise (also when no picture could be fetched).
  std::optional<TTelechargementAppliClient::Verrou> Saisir();

  QLabel* imgVerrou() const { return image_; }
  QLineEdit* edtCode() const { return code_; }
  const std::string& Verrou() const { return model_.Verrou(); }

private:
  TFrmSaisieVerrouModel model_;
  std::function<void(std::exception_ptr)> erreur_;
  QLabel* image_;
  QLineEdit* code_;
};

}  // namespace corvane::shell::ui
