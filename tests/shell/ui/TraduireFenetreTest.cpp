#include "shell/ui/TraduireFenetre.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <map>

#include "base/Translate.h"
#include "shell/ExclusionsTraduction.h"

// Readable failures for Qt strings.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace corvane::shell::ui {
namespace {

// A catalogue that knows the words of the test window, in one domain only.
struct Catalogue {
  Catalogue() {
    base::SetTranslator([](std::string_view domain, std::string_view text) {
      static const std::map<std::string, std::string, std::less<>> fr = {
          {"Indentification", "Identification"}, {"Login :", "Identifiant :"}, {"&Ok", "&Valider"},
          {"Log in", "Connexion"}, {"Agent", "Agent!"}, {"Available", "Disponible"},
          {"Tools", "Outils"}, {"Options", "Réglages"}, {"Closing", "Clôture"},
          {"Type here", "Tapez ici"}, {"Busy", "Occupé"}, {"Group", "Groupe"},
          {"Html simple", "HTML simple"}, {"Arial", "Arial!"}};
      if (domain != "TarvenholtCorvane") return std::string(text);
      auto it = fr.find(text);
      return it == fr.end() ? std::string(text) : it->second;
    });
  }
  ~Catalogue() { base::SetTranslator({}); }
};

// A QLabel of its own class, so that one test can exclude the class without touching others.
class EtiquetteTechnique : public QLabel {
  Q_OBJECT
public:
  using QLabel::QLabel;
};

// A button whose tool tip one test excludes from translation.
class BoutonSansBulle : public QPushButton {
  Q_OBJECT
public:
  using QPushButton::QPushButton;
};

TEST(TraduireFenetre, TranslatesEveryTextPropertyAndLeavesNamesAlone) {
  Catalogue catalogue;
  QDialog dialog;
  dialog.setWindowTitle("Indentification");
  auto* layout = new QVBoxLayout(&dialog);
  auto* label = new QLabel("Login :", &dialog);
  label->setObjectName("Login :");
  layout->addWidget(label);
  auto* ok = new QPushButton("&Ok", &dialog);
  ok->setToolTip("Log in");
  layout->addWidget(ok);
  auto* edit = new QLineEdit(&dialog);
  edit->setPlaceholderText("Type here");
  edit->setText("Available");  // what the user typed is not a caption
  layout->addWidget(edit);
  auto* group = new QGroupBox("Group", &dialog);
  layout->addWidget(group);
  auto* combo = new QComboBox(&dialog);
  combo->addItems({"Available", "Busy"});
  layout->addWidget(combo);
  auto* tabs = new QTabWidget(&dialog);
  tabs->addTab(new QWidget, "Options");
  layout->addWidget(tabs);
  auto* table = new QTableWidget(1, 1, &dialog);
  table->setHorizontalHeaderItem(0, new QTableWidgetItem("Closing"));
  layout->addWidget(table);
  auto* menu = new QMenu("Tools", &dialog);
  auto* action = new QAction("Log in", &dialog);
  action->setProperty("Category", "Agent");
  menu->addAction(action);
  QFont font("Arial");
  label->setFont(font);

  TraduireFenetre(&dialog, "TarvenholtCorvane");

  EXPECT_EQ(dialog.windowTitle(), "Identification");
  EXPECT_EQ(label->text(), "Identifiant :");
  EXPECT_EQ(label->objectName(), "Login :");
  EXPECT_EQ(ok->text(), "&Valider");
  EXPECT_EQ(ok->toolTip(), "Connexion");
  EXPECT_EQ(edit->placeholderText(), "Tapez ici");
  EXPECT_EQ(edit->text(), "Available");
  EXPECT_EQ(group->title(), "Groupe");
  EXPECT_EQ(combo->itemText(0), "Disponible");
  EXPECT_EQ(combo->itemText(1), "Occupé");
  EXPECT_EQ(tabs->tabText(0), "Réglages");
  EXPECT_EQ(table->horizontalHeaderItem(0)->text(), "Clôture");
  EXPECT_EQ(menu->title(), "Outils");
  EXPECT_EQ(action->text(), "Connexion");
  EXPECT_EQ(action->property("Category").toString(), "Agent");
  EXPECT_EQ(label->font().family(), "Arial");

  // Another domain leaves everything in English.
  QLabel other("Login :");
  TraduireFenetre(&other, "AutoUpdater");
  EXPECT_EQ(other.text(), "Login :");
}

TEST(TraduireFenetre, HonoursClassAndPropertyExclusions) {
  Catalogue catalogue;
  IgnorerClasse("EtiquetteTechnique");
  IgnorerPropriete("BoutonSansBulle", "toolTip");
  QWidget window;
  auto* technical = new EtiquetteTechnique("Login :", &window);
  auto* inner = new QLabel("Login :", technical);  // owned by an ignored object: skipped too
  auto* normal = new QLabel("Login :", &window);
  auto* button = new BoutonSansBulle("&Ok", &window);
  button->setToolTip("Log in");
  auto* plain = new QPushButton("&Ok", &window);
  plain->setToolTip("Log in");
  TraduireFenetre(&window, "TarvenholtCorvane");
  EXPECT_EQ(technical->text(), "Login :");
  EXPECT_EQ(inner->text(), "Login :");
  EXPECT_EQ(normal->text(), "Identifiant :");
  EXPECT_EQ(button->text(), "&Valider");
  EXPECT_EQ(button->toolTip(), "Log in");
  EXPECT_EQ(plain->toolTip(), "Connexion");
}

TEST(TraduireFenetre, DialogFilters) {
  Catalogue catalogue;
  EXPECT_EQ(FiltreDialogue("TarvenholtCorvane",
                           "Xml CorvanePro (*.xml)|*.xml|Valeurs séparées par des virgules (*.csv)|*.csv|Html simple|*.htm*"),
            "Xml CorvanePro (*.xml);;Valeurs séparées par des virgules (*.csv);;HTML simple (*.htm*)");
  EXPECT_EQ(FiltreDialogue("TarvenholtCorvane", "Pictures|*.png;*.jpg"), "Pictures (*.png *.jpg)");
}

}  // namespace
}  // namespace corvane::shell::ui

#include "TraduireFenetreTest.moc"
