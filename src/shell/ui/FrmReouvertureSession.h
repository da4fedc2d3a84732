#pragma once
// The re-opening dialog of a lost service session ("Session lost"): the agent's login shown, the
// password typed in a masked box. The attempts are TReouvertureSessionDialogue's. Main thread only.

#include <QDialog>
#include <optional>
#include <string>

class QLabel;
class QLineEdit;

namespace corvane::shell::ui {

class TFrmReouvertureSession final : public QDialog {
public:
  explicit TFrmReouvertureSession(QWidget* parent = nullptr);

  // Shows the dialog modally with `login`; the typed password, or nothing when cancelled.
  std::optional<std::string> Saisir(const std::string& login);

  QLabel* lblLogin() const { return login_; }
  QLineEdit* edtMotDePasse() const { return motDePasse_; }

private:
  QLabel* login_;
  QLineEdit* motDePasse_;
};

}  // namespace corvane::shell::ui
