#include "shell/ReouvertureSession.h"

#include <gtest/gtest.h>

#include <deque>
#include <stdexcept>

#include "base/ManualLoop.h"
#include "shell/BoitesScript.h"

namespace corvane::shell {
namespace {

// The controller's side: accepts the password "bon"; every other one is a rejected attempt.
struct Controleur final : calls::ICorvaneAuthentification {
  std::vector<std::pair<std::string, std::string>> essais;
  bool EssayerConnexion(const std::string& login, const std::string& password) override {
    essais.emplace_back(login, password);
    return password == "bon";
  }
};

struct MainWindow {
  base::ManualLoop loop;
  test::BoitesScript boites;
  Controleur controleur;
  std::deque<std::optional<std::string>> motsDePasse;  // typed in the re-opening dialog
  int status = 0;
  bool rafraichissementArrete = false;
  std::vector<bool> reouverturesFenetres;
  std::vector<std::string> actionsExecutees;
  bool clientsOuverts = false;
  int ouverturesClients = 0;
  std::unique_ptr<TReouvertureSession> relogin;

  MainWindow() {
    relogin = std::make_unique<TReouvertureSession>(
        loop, boites,
        TReouvertureSession::Environnement{
            [this](calls::IFournisseurAuthentification& f) {
              f.SetAuthentification(&controleur);
              return f.Authentifier();
            },
            [this] { return status; }, [this] { rafraichissementArrete = true; },
            [this](bool v) { reouverturesFenetres.push_back(v); },
            [this](const std::string& a) { Executer(a); },
            [this] {
              ++ouverturesClients;
              clientsOuverts = true;
            },
            [this](const std::string&) {
              std::optional<std::string> p;
              if (!motsDePasse.empty()) {
                p = motsDePasse.front();
                motsDePasse.pop_front();
              }
              return p;
            }});
    relogin->LoginAgent = "agent";
  }
  // The window's action dispatch: record, then run.
  void Executer(const std::string& action) {
    relogin->EnregistrerAction(action);
    actionsExecutees.push_back(action);
    if (action == "actRafraichirHistorique" && echecRafraichissement) {
      echecRafraichissement = false;
      throw std::runtime_error("invalid session");
    }
  }
  bool echecRafraichissement = false;
};

TEST(ReouvertureSession, InvalidSessionDuringRefreshReplaysTheRefresh) {
  MainWindow w;
  w.echecRafraichissement = true;
  try {
    w.Executer("actRafraichirHistorique");
  } catch (const std::runtime_error&) {
    w.relogin->ErreurSessionInvalide();  // the error handler, after showing the message
  }
  EXPECT_TRUE(w.rafraichissementArrete);
  // The dialog had no password yet: cancelled, so the agent is logged out and nothing replayed.
  EXPECT_EQ(w.actionsExecutees.back(), "actDeconnecter");

  MainWindow v;
  v.echecRafraichissement = true;
  v.motsDePasse = {std::string("faux"), std::string("bon")};
  try {
    v.Executer("actRafraichirHistorique");
  } catch (const std::runtime_error&) {
    v.relogin->ErreurSessionInvalide();
  }
  EXPECT_EQ(v.controleur.essais.size(), 2u);
  EXPECT_EQ(v.controleur.essais[1], std::make_pair(std::string("agent"), std::string("bon")));
  EXPECT_EQ(v.actionsExecutees, (std::vector<std::string>{"actRafraichirHistorique", "actRafraichirHistorique"}));
  EXPECT_EQ(v.reouverturesFenetres, (std::vector<bool>{true, false}));
  EXPECT_FALSE(v.relogin->ReloginEnCours());
  EXPECT_TRUE(v.boites.montrees.empty());
}

TEST(ReouvertureSession, CustomerRecordActionsAreNotReplayed) {
  for (const char* action : {"actAjouterClient", "actSupprimerClient", "actValiderClient", "actAnnulerClient"}) {
    SCOPED_TRACE(action);
    MainWindow w;
    w.motsDePasse = {std::string("bon")};
    w.Executer(action);
    w.relogin->ErreurSessionInvalide();
    EXPECT_EQ(w.actionsExecutees.size(), 1u);
    EXPECT_EQ(w.ouverturesClients, 1);
    ASSERT_EQ(w.boites.montrees.size(), 1u);
    EXPECT_EQ(w.boites.montrees[0].titre, "Session re-opened");
    EXPECT_EQ(w.boites.montrees[0].texte, "Session re-opened successfully, but last modifications not saved.");
    EXPECT_FALSE(w.relogin->DerniereAction());
  }
}

// A customer reached the agent while the session was invalid: after 1000 ms the question; OK
// re-opens and brings the status back by replaying its action; Cancel logs out.
TEST(ReouvertureSession, CallWithInvalidSessionAsksThenRestoresTheStatus) {
  struct Case {
    int status;
    Bouton reponse;
    std::vector<std::string> attendu;
  };
  const Case cases[] = {
      {2, Bouton::Ok, {"actChangerStatusDisponible"}},
      {1, Bouton::Ok, {"actChangerStatusOccupe"}},
      {0, Bouton::Ok, {}},
      {2, Bouton::Annuler, {"actDeconnecter"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.status);
    MainWindow w;
    w.status = c.status;
    w.motsDePasse = {std::string("bon")};
    w.boites.reponses = {c.reponse};
    w.Executer("actExporter");  // an earlier action is not what gets replayed
    w.actionsExecutees.clear();
    w.relogin->AppelAvecSessionInvalide();
    w.loop.advance(999);
    EXPECT_TRUE(w.boites.montrees.empty());
    w.loop.advance(1);
    ASSERT_EQ(w.boites.montrees.size(), 1u);
    EXPECT_EQ(w.boites.montrees[0].titre, "Invalid session");
    EXPECT_EQ(w.boites.montrees[0].texte, "Your session is not valid : please re-login");
    EXPECT_EQ(w.actionsExecutees, c.attendu);
    EXPECT_FALSE(w.relogin->TimerActif());
  }
}

TEST(ReouvertureSession, ThreeRejectedPasswordsLogOutWithoutReplay) {
  MainWindow w;
  w.motsDePasse = {std::string("a"), std::string("b"), std::string("c"), std::string("bon")};
  w.Executer("actRafraichirHistorique");
  w.relogin->ErreurSessionInvalide();
  EXPECT_EQ(w.controleur.essais.size(), 3u);
  EXPECT_EQ(w.actionsExecutees.back(), "actDeconnecter");
  EXPECT_EQ(w.actionsExecutees.size(), 2u);
  EXPECT_FALSE(w.relogin->ReloginEnCours());
}

TEST(ReouvertureSession, RecordingRules) {
  MainWindow w;
  w.relogin->EnregistrerAction("actExporter");
  w.relogin->EnregistrerAction(kActReloguer);
  EXPECT_EQ(w.relogin->DerniereAction(), std::optional<std::string>("actExporter"));

  // An action started while the re-opening dialog is up records nothing.
  base::ManualLoop loop;
  test::BoitesScript boites;
  Controleur controleur;
  std::optional<std::string> pendantDialogue = "unset";
  TReouvertureSession* self = nullptr;
  TReouvertureSession relogin(
      loop, boites,
      TReouvertureSession::Environnement{
          [&](calls::IFournisseurAuthentification& f) {
            f.SetAuthentification(&controleur);
            return f.Authentifier();
          },
          [] { return 0; }, [] {}, [](bool) {}, [](const std::string&) {}, [] {},
          [&](const std::string&) -> std::optional<std::string> {
            self->EnregistrerAction("actAfficherDetails");
            pendantDialogue = self->DerniereAction();
            return std::string("bon");
          }});
  self = &relogin;
  relogin.EnregistrerAction("actExporter");
  relogin.Reloguer();
  EXPECT_EQ(pendantDialogue, std::nullopt);
  EXPECT_FALSE(relogin.DerniereAction());
}

}  // namespace
}  // namespace corvane::shell
