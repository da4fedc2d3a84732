#include "shell/ui/TraduireFenetre.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextEdit>
#include <QToolBox>
#include <QTreeWidget>
#include <QWidget>
#include <string>
#include <vector>

#include "base/Translate.h"
#include "shell/ExclusionsTraduction.h"

namespace corvane::shell::ui {
namespace {

std::vector<std::string> ClassChain(const QObject* o) {
  std::vector<std::string> chain;
  // Exclusions name classes without their namespace, as the program's class names are written.
  for (const QMetaObject* m = o->metaObject(); m; m = m->superClass()) {
    std::string name = m->className();
    const size_t colons = name.rfind("::");
    chain.push_back(colons == std::string::npos ? name : name.substr(colons + 2));
  }
  return chain;
}

class Traducteur {
public:
  explicit Traducteur(std::string_view domain) : domain_(domain) {}

  void Objet(QObject* o) {
    const std::vector<std::string> chain = ClassChain(o);
    if (ExclusionsTraduction().EstClasseIgnoree(chain)) return;
    Proprietes(o, chain);
    for (QObject* child : o->children()) Objet(child);
  }

private:
  QString T(const QString& text) const { return TraduireTexte(domain_, text); }
  bool Ignore(const std::vector<std::string>& chain, std::string_view property) const {
    return ExclusionsTraduction().EstProprieteIgnoree(chain, property);
  }
  // Translates one property through its getter and setter unless it is excluded or empty.
  template <class Get, class Set>
  void P(const std::vector<std::string>& chain, std::string_view property, Get get, Set set) const {
    if (Ignore(chain, property)) return;
    const QString value = get();
    if (value.trimmed().isEmpty()) return;
    const QString translated = T(value);
    if (translated != value) set(translated);
  }

  void Proprietes(QObject* o, const std::vector<std::string>& c) const {
    if (auto* w = qobject_cast<QWidget*>(o)) {
      P(c, "windowTitle", [w] { return w->windowTitle(); }, [w](const QString& s) { w->setWindowTitle(s); });
      P(c, "toolTip", [w] { return w->toolTip(); }, [w](const QString& s) { w->setToolTip(s); });
      P(c, "statusTip", [w] { return w->statusTip(); }, [w](const QString& s) { w->setStatusTip(s); });
      P(c, "whatsThis", [w] { return w->whatsThis(); }, [w](const QString& s) { w->setWhatsThis(s); });
    }
    if (auto* a = qobject_cast<QAction*>(o)) {
      // The tool tip follows the text unless it was set apart; translate it first so the
      // comparison sees the English text.
      P(c, "toolTip", [a] { return a->toolTip(); }, [a](const QString& s) { a->setToolTip(s); });
      P(c, "text", [a] { return a->text(); }, [a](const QString& s) { a->setText(s); });
      P(c, "iconText", [a] { return a->iconText(); }, [a](const QString& s) { a->setIconText(s); });
      P(c, "statusTip", [a] { return a->statusTip(); }, [a](const QString& s) { a->setStatusTip(s); });
    }
    if (auto* m = qobject_cast<QMenu*>(o))
      P(c, "title", [m] { return m->title(); }, [m](const QString& s) { m->setTitle(s); });
    if (auto* l = qobject_cast<QLabel*>(o))
      P(c, "text", [l] { return l->text(); }, [l](const QString& s) { l->setText(s); });
    if (auto* b = qobject_cast<QAbstractButton*>(o))
      P(c, "text", [b] { return b->text(); }, [b](const QString& s) { b->setText(s); });
    if (auto* g = qobject_cast<QGroupBox*>(o))
      P(c, "title", [g] { return g->title(); }, [g](const QString& s) { g->setTitle(s); });
    if (auto* e = qobject_cast<QLineEdit*>(o))
      P(c, "placeholderText", [e] { return e->placeholderText(); }, [e](const QString& s) { e->setPlaceholderText(s); });
    if (auto* e = qobject_cast<QTextEdit*>(o))
      P(c, "placeholderText", [e] { return e->placeholderText(); }, [e](const QString& s) { e->setPlaceholderText(s); });
    if (auto* e = qobject_cast<QPlainTextEdit*>(o))
      P(c, "placeholderText", [e] { return e->placeholderText(); }, [e](const QString& s) { e->setPlaceholderText(s); });
    if (auto* t = qobject_cast<QTabWidget*>(o)) {
      for (int i = 0; i < t->count(); ++i) {
        P(c, "tabText", [t, i] { return t->tabText(i); }, [t, i](const QString& s) { t->setTabText(i, s); });
        P(c, "tabToolTip", [t, i] { return t->tabToolTip(i); }, [t, i](const QString& s) { t->setTabToolTip(i, s); });
      }
    }
    if (auto* t = qobject_cast<QToolBox*>(o)) {
      for (int i = 0; i < t->count(); ++i)
        P(c, "itemText", [t, i] { return t->itemText(i); }, [t, i](const QString& s) { t->setItemText(i, s); });
    }
    if (auto* b = qobject_cast<QComboBox*>(o); b && !b->isEditable()) {
      for (int i = 0; i < b->count(); ++i)
        P(c, "items", [b, i] { return b->itemText(i); }, [b, i](const QString& s) { b->setItemText(i, s); });
    }
    if (auto* l = qobject_cast<QListWidget*>(o)) {
      for (int i = 0; i < l->count(); ++i) {
        QListWidgetItem* item = l->item(i);
        P(c, "items", [item] { return item->text(); }, [item](const QString& s) { item->setText(s); });
      }
    }
    if (auto* t = qobject_cast<QTreeWidget*>(o)) {
      if (QTreeWidgetItem* h = t->headerItem())
        for (int col = 0; col < h->columnCount(); ++col)
          P(c, "columns", [h, col] { return h->text(col); }, [h, col](const QString& s) { h->setText(col, s); });
      for (QTreeWidgetItemIterator it(t); *it; ++it) {
        QTreeWidgetItem* item = *it;
        for (int col = 0; col < item->columnCount(); ++col)
          P(c, "items", [item, col] { return item->text(col); },
            [item, col](const QString& s) { item->setText(col, s); });
      }
    }
    if (auto* t = qobject_cast<QTableWidget*>(o)) {
      for (int col = 0; col < t->columnCount(); ++col)
        if (QTableWidgetItem* h = t->horizontalHeaderItem(col))
          P(c, "columns", [h] { return h->text(); }, [h](const QString& s) { h->setText(s); });
    }
  }

  std::string_view domain_;
};

}  // namespace

QString TraduireTexte(std::string_view domain, const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  return QString::fromStdString(base::Traduire(domain, std::string_view(utf8.constData(), utf8.size())));
}

void TraduireFenetre(QObject* root, std::string_view domain) {
  if (root) Traducteur(domain).Objet(root);
}

QString FiltreDialogue(std::string_view domain, const QString& filtre) {
  const QStringList parts = filtre.split(QLatin1Char('|'));
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    const QString description = TraduireTexte(domain, parts[i]);
    QString patterns = parts[i + 1];
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    out << (description.contains(QLatin1Char('(')) ? description : description + QStringLiteral(" (") + patterns + QLatin1Char(')'));
  }
  return out.join(QStringLiteral(";;"));
}

}  // namespace corvane::shell::ui
