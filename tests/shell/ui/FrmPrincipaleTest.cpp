// The main window against the reference service on loopback, offscreen: start-up with the command
// line's login and status, the log-in dialog's three attempts, the actions in the four agent states,
// the notification hint, and the history grid's colours.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSystemTrayIcon>
#include <QTableView>
#include <QTimer>
#include <set>

#include "base/ui/QtMainLoop.h"
#include "calls/CallsTestSupport.h"
#include "shell/ConfigurationStore.h"
#include "shell/Demarrage.h"
#include "shell/ui/FrmAuthentificationAgent.h"
#include "shell/ui/FrmPrincipale.h"
#include "shell/ui/FrmPrincipaleFixture.h"

namespace corvane::shell::ui {
namespace {

using A = ActionPrincipale;
using service::TStatusAgent;

TEST_F(FrmPrincipaleTest, CommandLineLoginAndStatusReachAvailableWithTheListenerOpen) {
  window->Demarrer(CommandLine("tech", "tech", 2));
  Settle();
  calls::TCorvaneAgent& agent = window->Agent();
  ASSERT_TRUE(agent.Connecte());
  EXPECT_EQ(agent.StatusAgent(), TStatusAgent::saDisponible);
  ASSERT_GT(agent.PortEcoute(), 0);
  EXPECT_TRUE(AcceptsConnections(agent.PortEcoute()));
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);  // no log-in dialog after a login
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->windowTitle(), "Corvane - Agent");
  EXPECT_EQ(window->Panneau(0)->text(), "Alice Durand");
  EXPECT_EQ(window->Panneau(1)->text(), "AutoIPAddress:0");
  EXPECT_EQ(window->Panneau(2)->text(), QString("Total: %1").arg(window->Historique().recordCount()));
  EXPECT_EQ(window->Grille()->model()->rowCount(), window->Historique().recordCount());
  EXPECT_TRUE(window->Action(A::ChangerStatusDisponible)->isChecked());
  EXPECT_FALSE(window->Action(A::ChangerStatusDisponible)->isEnabled());
  EXPECT_TRUE(window->Action(A::AfficherDetails)->isChecked());
}

TEST_F(FrmPrincipaleTest, ThreeRefusedAttemptsEndTheLogInDialogLoggedOut) {
  int dialogs = 0;
  std::vector<QString> boxes;
  QString boxTitle;
  // Plays the user: wrong passwords in the dialog, OK on every error box.
  QTimer user;
  QObject::connect(&user, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* dialog = dynamic_cast<TFrmAuthentificationAgent*>(modal)) {
      ++dialogs;
      dialog->edtIdentifiant()->setText("tech");
      dialog->edtMotDePasse()->setText("wrong");
      dialog->accept();
    } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      boxes.push_back(box->text());
      boxTitle = box->windowTitle();
      box->accept();
    }
  });
  user.start(10);
  window->Demarrer(TInfosLigneCommande{});
  ASSERT_TRUE(loop.runUntil([&] { return boxes.size() == 3 && !QApplication::activeModalWidget(); }, 20000));
  Settle();
  EXPECT_EQ(dialogs, 3);
  EXPECT_EQ(boxes.size(), 3u);
  EXPECT_FALSE(boxes.front().isEmpty());
  EXPECT_EQ(boxTitle.toStdString(), TitreApplication());
  EXPECT_FALSE(window->Agent().Connecte());
  EXPECT_TRUE(window->Action(A::Connecter)->isEnabled());
  EXPECT_EQ(window->LblFiltre()->text(), "(agent not logged in)");
  // The login typed last is kept for the next dialog.
  EXPECT_EQ(store->ReadString("FrmAuthentificationAgent", "edtIdentifiant_Text", ""), "tech");
}

TEST_F(FrmPrincipaleTest, ActionsAndNotificationHintInTheFourStates) {
  window->Demarrer(CommandLine("tech", "tech", 0));
  Settle();
  const std::set<A> always{A::AfficherDetails, A::VerifierMAJ, A::Manuel, A::AProposDe, A::Afficher, A::Quitter,
                           A::Reloguer, A::MettreAJourInfosAgentDepuisServeur,
                           A::TelechargerEtEnregistrerAppliCliente};
  const std::set<A> loggedIn{A::Deconnecter,        A::ChangerMotDePasse,          A::ModifierProfil,
                             A::ChangerStatus,      A::RafraichirHistorique,       A::AfficherFiltres,
                             A::Exporter,           A::ExporterPressePapier,       A::AdministrerGroupeAgents,
                             A::AdministrerClients, A::EnregistrerSousAppliClient, A::IntegrationSiteWeb};
  auto with = [](std::set<A> a, std::initializer_list<std::set<A>> more) {
    for (const auto& s : more) a.insert(s.begin(), s.end());
    return a;
  };
  const std::string title = TitreApplication();
  struct Case {
    const char* state;
    std::optional<A> run;
    std::set<A> enabled;
    std::string hint;
  };
  const Case cases[] = {
      {"disconnected", std::nullopt, with(always, {loggedIn, {A::ChangerStatusDisponible, A::ChangerStatusOccupe}}),
       title + " - Alice Durand - Disconected [AutoIPAddress:0]"},
      {"busy", A::ChangerStatusOccupe, with(always, {loggedIn, {A::ChangerStatusDisponible, A::ChangerStatusDeconnecte}}),
       title + " - Alice Durand - Busy [AutoIPAddress:0]"},
      {"available", A::ChangerStatusDisponible,
       with(always, {loggedIn, {A::ChangerStatusOccupe, A::ChangerStatusDeconnecte}}),
       title + " - Alice Durand - Available [AutoIPAddress:0]"},
      {"logged out", A::Deconnecter, with(always, {{A::Connecter, A::ChangerStatusDisponible, A::ChangerStatusOccupe}}),
       title},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.state);
    if (c.run) window->Action(*c.run)->trigger();
    EXPECT_EQ(Enabled(), c.enabled);
    EXPECT_EQ(window->Model().HintIcone(), c.hint);
    if (window->Icone()) {
      EXPECT_EQ(window->Icone()->toolTip().toStdString(), c.hint);
    }
  }
  EXPECT_EQ(window->Panneau(0)->text(), "");
  EXPECT_EQ(window->Panneau(2)->text(), "");
  EXPECT_EQ(window->Agent().PortEcoute(), 0);
}

TEST_F(FrmPrincipaleTest, MiniStartsHiddenOnceLoggedIn) {
  TInfosLigneCommande infos = CommandLine("tech", "tech", 1);
  infos.DemarrageReduit = true;
  window->Demarrer(infos);
  EXPECT_TRUE(window->isVisible());  // shown first, hidden at its first activation
  Settle();
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(window->Agent().StatusAgent(), TStatusAgent::saOccupe);
  window->Action(A::Afficher)->trigger();
  EXPECT_TRUE(window->isVisible());
}

}  // namespace
}  // namespace corvane::shell::ui

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  corvane::shell::InitialiserProcessus(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
