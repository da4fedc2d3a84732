#pragma once
// The web-site integration window (TFrmImageStatusGroupe): how to show the group's status picture
// on a web site, with the HTML snippet refilled each time the window is activated. Main thread only.

#include <QDialog>
#include <functional>
#include <string>

class QAction;
class QLineEdit;

namespace corvane::shell::ui {

// The snippet: `<img src="<root>img?Image=imgStatut&Id=<group>" title="<Avaibility>" />`, or the
// translation of "(agent not logged in)" without a group.
std::string SnippetImageStatus(const std::string& racine, const std::string* groupeId);

class TFrmImageStatusGroupe final : public QDialog {
public:
  // gererGroupe: the main window's "Manage group" action, shown as a button.
  TFrmImageStatusGroupe(QAction* gererGroupe, std::function<std::string()> snippet, QWidget* parent);

  QLineEdit* edtCode() const { return code_; }

protected:
  bool event(QEvent* e) override;

private:
  std::function<std::string()> snippet_;
  QLineEdit* code_;
};

}  // namespace corvane::shell::ui
