// The main window's rules, driven by a controller logged in at the reference service on the
// manual loop, as the window drives them.

#include <gtest/gtest.h>

#include <set>

#include "calls/ControllerFixture.h"
#include "shell/FrmPrincipaleModel.h"

namespace corvane::shell {
namespace {

using A = ActionPrincipale;
using service::TStatusAgent;

// The controller's events wired to the model the way the main window wires them.
class FrmPrincipaleModelTest : public calls::testing::ControllerFixture {
protected:
  TFrmPrincipaleModel model{"Corvane Pro"};
  int refreshes = 0;
  int cacheClears = 0;

  void SetUp() override {
    ControllerFixture::SetUp();
    agent->OnLogIn = [this] {
      if (model.SurLogIn(agent->InfosAgent()->Login, agent->InfosAgent()->GroupeID, false)) ++cacheClears;
      if (model.RafraichirActions(agent->Connecte())) ++refreshes;
    };
    agent->OnLogOut = [this] {
      model.SurLogOut();
      model.RafraichirActions(agent->Connecte());
    };
    agent->OnStatusAgentChange = [this] { model.SurStatusAgentChange(agent->StatusAgent()); };
    agent->OnInfosProjetChange = [this] { model.RafraichirBarreEtat(agent->InfosAgent(), agent->StatusAgent()); };
    agent->BeforeWork = [this] { model.DebutTravail(); };
    agent->AfterWork = [this] { model.FinTravail(); };
  }
  // A status action as the window runs it: set the status, then refresh the bar and the hint.
  void SetStatus(TStatusAgent s) {
    agent->SetStatusAgent(s);
    model.RafraichirBarreEtat(agent->InfosAgent(), agent->StatusAgent());
  }
  std::set<A> Enabled() const {
    std::set<A> on;
    for (const auto& d : ActionsPrincipales())
      if (model.Active(d.id)) on.insert(d.id);
    return on;
  }
};

const std::set<A> kAlways{A::AfficherDetails, A::VerifierMAJ, A::Manuel, A::AProposDe, A::Afficher, A::Quitter,
                          A::Reloguer, A::MettreAJourInfosAgentDepuisServeur, A::TelechargerEtEnregistrerAppliCliente};
const std::set<A> kLoggedIn{A::Deconnecter,       A::ChangerMotDePasse,       A::ModifierProfil,
                            A::ChangerStatus,     A::RafraichirHistorique,    A::AfficherFiltres,
                            A::Exporter,          A::ExporterPressePapier,    A::AdministrerGroupeAgents,
                            A::AdministrerClients, A::EnregistrerSousAppliClient, A::IntegrationSiteWeb};

std::set<A> Union(std::initializer_list<std::set<A>> sets) {
  std::set<A> all;
  for (const auto& s : sets) all.insert(s.begin(), s.end());
  return all;
}

TEST_F(FrmPrincipaleModelTest, ActionsPicturesAndHintFollowTheFourStates) {
  struct Case {
    const char* state;
    std::function<void()> enter;
    std::set<A> enabled;
    int icon;
    std::string hint;
  };
  const std::string who = "Corvane Pro - Alice Durand - ";
  const Case cases[] = {
      {"logged out at start", [] {}, Union({kAlways, {A::Connecter, A::ChangerStatusDisponible, A::ChangerStatusOccupe}}),
       kImageNonConnecte, "Corvane Pro"},
      {"logged in, disconnected", [this] { LogIn(); },
       Union({kAlways, kLoggedIn, {A::ChangerStatusDisponible, A::ChangerStatusOccupe}}), kImageDeconnecte,
       who + "Disconected [AutoIPAddress:0]"},
      {"logged in, busy", [this] { SetStatus(TStatusAgent::saOccupe); },
       Union({kAlways, kLoggedIn, {A::ChangerStatusDisponible, A::ChangerStatusDeconnecte}}), kImageOccupe,
       who + "Busy [AutoIPAddress:0]"},
      {"logged in, available", [this] { SetStatus(TStatusAgent::saDisponible); },
       Union({kAlways, kLoggedIn, {A::ChangerStatusOccupe, A::ChangerStatusDeconnecte}}), kImageDisponible,
       who + "Available [AutoIPAddress:0]"},
      {"logged out again", [this] { agent->Deconnecter(); },
       Union({kAlways, {A::Connecter, A::ChangerStatusDisponible, A::ChangerStatusOccupe}}), kImageNonConnecte,
       "Corvane Pro"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.state);
    c.enter();
    EXPECT_EQ(Enabled(), c.enabled);
    EXPECT_EQ(model.ImageIcone(), c.icon);
    EXPECT_EQ(model.HintIcone(), c.hint);
  }
  // The log-out drops the agent record: panels 0 and 1 are empty again.
  EXPECT_EQ(model.Panneau(0), "");
  EXPECT_EQ(model.Panneau(1), "");
  EXPECT_EQ(model.ImageChangerStatus(), kImageDeconnecte);
  EXPECT_EQ(model.StatusCoche(), TStatusAgent::saDeconnecte);
  EXPECT_EQ(refreshes, 1);
  EXPECT_EQ(model.LibelleFiltre(), "(agent not logged in)");
  EXPECT_FALSE(model.Occupe());
  EXPECT_TRUE(model.Panneau(3).empty());
}

TEST(FrmPrincipaleModel, StatusBarPanelsAndIconHint) {
  service::TRemotableAgent fixed;
  fixed.Prenom = "Jean";
  fixed.Nom = "Martin";
  fixed.AdresseIP = "192.0.2.7";
  fixed.Port = 8200;
  service::TRemotableAgent automatic = fixed;
  automatic.AdresseIPAuto = true;
  struct Case {
    const service::TRemotableAgent* agent;
    TStatusAgent status;
    std::string panel0, panel1, hint;
  };
  const Case cases[] = {
      {&fixed, TStatusAgent::saDisponible, "Jean Martin", "192.0.2.7:8200", "T - Jean Martin - Available [192.0.2.7:8200]"},
      {&automatic, TStatusAgent::saOccupe, "Jean Martin", "AutoIPAddress:8200",
       "T - Jean Martin - Busy [AutoIPAddress:8200]"},
      {&fixed, static_cast<TStatusAgent>(7), "Jean Martin", "192.0.2.7:8200", "T - Jean Martin - ? [192.0.2.7:8200]"},
      {nullptr, TStatusAgent::saDisponible, "", "", "T"},
  };
  TFrmPrincipaleModel model("T");
  for (const auto& c : cases) {
    model.RafraichirBarreEtat(c.agent, c.status);
    EXPECT_EQ(model.Panneau(0), c.panel0);
    EXPECT_EQ(model.Panneau(1), c.panel1);
    EXPECT_EQ(model.HintIcone(), c.hint);
  }
}

TEST(FrmPrincipaleModel, HistoryTotalFilterLabelAndItsClick) {
  TFrmPrincipaleModel model("T");
  EXPECT_EQ(model.ActionClicFiltre(), A::Connecter);
  model.RafraichirActions(true);
  model.SurHistoriqueOuvert(104, "Last 30 days");
  EXPECT_EQ(model.Panneau(2), "Total: 104");
  EXPECT_EQ(model.LibelleFiltre(), "Last 30 days");
  EXPECT_EQ(model.ActionClicFiltre(), A::AfficherFiltres);
  model.SurLogOut();
  model.RafraichirActions(false);
  EXPECT_EQ(model.Panneau(2), "");
  EXPECT_EQ(model.LibelleFiltre(), "(agent not logged in)");
  EXPECT_EQ(model.ActionClicFiltre(), A::Connecter);
}

TEST(FrmPrincipaleModel, WorkPanelAndBusyCursorNest) {
  TFrmPrincipaleModel model("T");
  model.SetHintLong("Log in");
  model.DebutTravail();
  model.DebutTravail();
  EXPECT_EQ(model.Panneau(3), "Transfering...");
  model.FinTravail();
  EXPECT_TRUE(model.Occupe());
  model.FinTravail();
  EXPECT_FALSE(model.Occupe());
  EXPECT_EQ(model.Panneau(3), "");
  model.FinTravail();  // an unmatched AfterWork does not go below zero
  model.DebutTravail();
  EXPECT_TRUE(model.Occupe());
}

TEST(FrmPrincipaleModel, AnotherGroupClearsTheHistoryCacheButARelogInNeverDoes) {
  struct Step {
    const char* login;
    const char* group;
    bool relogin;
    bool clear;
  };
  const Step steps[] = {
      {"a", "G1", false, true},   // first login of the run
      {"a", "G1", false, false},  // the same group again
      {"b", "G2", true, false},   // a re-login changes nothing but the login
      {"b", "G2", false, true},   // G2 was never remembered
      {"c", "G1", false, true},
  };
  TFrmPrincipaleModel model("T");
  for (const auto& s : steps) {
    SCOPED_TRACE(s.group);
    EXPECT_EQ(model.SurLogIn(s.login, s.group, s.relogin), s.clear);
    EXPECT_EQ(model.LoginAgent(), s.login);
  }
  EXPECT_EQ(model.DernierGroupe(), "G1");
}

TEST(FrmPrincipaleModel, WheelRuleAndHintParts) {
  EXPECT_EQ(RegleMolette(120, false), ToucheMolette::Haut);
  EXPECT_EQ(RegleMolette(0, false), ToucheMolette::Bas);
  EXPECT_EQ(RegleMolette(-120, false), ToucheMolette::Bas);
  EXPECT_EQ(RegleMolette(120, true), ToucheMolette::Aucune);
  EXPECT_EQ(RegleMolette(-120, true), ToucheMolette::Aucune);
  const auto exporter = DecouperHint(DefinitionDe(A::Exporter).hint);
  EXPECT_EQ(exporter.courte, "File export");
  EXPECT_EQ(exporter.longue, "Export current historic to file");
  const auto login = DecouperHint(DefinitionDe(A::Connecter).hint);
  EXPECT_EQ(login.courte, "Log in");
  EXPECT_EQ(login.longue, "Log in");
}

}  // namespace
}  // namespace corvane::shell
