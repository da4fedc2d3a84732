#include "shell/ui/FrmImageStatusGroupe.h"

#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include "base/Translate.h"
#include "shell/ui/TraduireFenetre.h"

namespace corvane::shell::ui {

std::string SnippetImageStatus(const std::string& racine, const std::string* groupeId) {
  if (!groupeId) return base::Tr("(agent not logged in)");
  return "<img src=\"" + racine + "img?Image=imgStatut&Id=" + *groupeId + "\" title=\"" + base::Tr("Avaibility") +
         "\" />";
}

TFrmImageStatusGroupe::TFrmImageStatusGroupe(QAction* gererGroupe, std::function<std::string()> snippet,
                                             QWidget* parent)
    : QDialog(parent), snippet_(std::move(snippet)), code_(new QLineEdit(this)) {
  setObjectName("FrmImageStatusGroupe");
  setWindowTitle("Dynamically show the group status on you're web site");
  auto* layout = new QVBoxLayout(this);
  auto* urls = new QLabel("Fill the 3 URLs asked for each status in the managing form :", this);
  urls->setWordWrap(true);
  layout->addWidget(urls);
  auto* bouton = new QToolButton(this);
  bouton->setObjectName("btnGererGroupe");
  bouton->setDefaultAction(gererGroupe);  // the action's caption, picture and enabling
  bouton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  layout->addWidget(bouton, 0, Qt::AlignLeft);
  auto* copier = new QLabel(
      "Copy/paste the HTML code below anyware you want in the <body> of a HTML page in your web site :", this);
  copier->setTextFormat(Qt::PlainText);
  copier->setWordWrap(true);
  layout->addWidget(copier);
  code_->setObjectName("edtCode");
  code_->setReadOnly(true);
  code_->setMinimumWidth(460);
  layout->addWidget(code_);
  TraduireFenetre(this, "TarvenholtCorvane");
  bouton->setDefaultAction(gererGroupe);  // the action's own (translated) caption, not a copy
  setFocusProxy(code_);
}

bool TFrmImageStatusGroupe::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate || e->type() == QEvent::Show) {
    code_->setText(QString::fromStdString(snippet_()));
    code_->setFocus();
    code_->selectAll();
  }
  return QDialog::event(e);
}

}  // namespace corvane::shell::ui
