// The log-in dialog's attempts and its group-creation path against the reference service.

#include <gtest/gtest.h>

#include <deque>

#include "calls/ControllerFixture.h"
#include "shell/ConfigurationStore.h"
#include "shell/FrmAuthentificationAgentModel.h"
#include "support/TempFolder.h"

namespace corvane::shell {
namespace {

using Choix = SaisieAuthentification::Choix;

class FrmAuthentificationAgentModelTest : public calls::testing::ControllerFixture {
protected:
  corvane::testing::TempFolder folder{"corvane-login"};
  ConfigurationStore store{folder.path().string(), ""};
};

TEST_F(FrmAuthentificationAgentModelTest, AttemptsCancelAndGroupCreation) {
  struct Case {
    const char* name;
    std::vector<SaisieAuthentification> answers;  // what the user does at each showing
    std::optional<IdentifiantsInscription> wizard;
    bool loggedIn;
    size_t shown;
    size_t errors;
    bool groupCreated;
    std::string storedLogin;
  };
  const Case cases[] = {
      {"three wrong passwords",
       {{Choix::Ok, "tech", "a"}, {Choix::Ok, "tech", "b"}, {Choix::Ok, "tech", "c"}, {Choix::Ok, "tech", "tech"}},
       std::nullopt, false, 3, 3, false, "tech"},
      {"wrong, then right", {{Choix::Ok, "nobody", "x"}, {Choix::Ok, "tech", "tech"}}, std::nullopt, true, 2, 1, false,
       "tech"},
      {"cancel", {{Choix::Annuler, "tech", "tech"}}, std::nullopt, false, 1, 0, false, ""},
      {"group created", {{Choix::CreerGroupe, "", ""}}, IdentifiantsInscription{"tech", "tech"}, true, 1, 0, true,
       "tech"},
      {"group created, its try refused", {{Choix::CreerGroupe, "", ""}}, IdentifiantsInscription{"tech", "bad"},
       false, 1, 1, true, "tech"},
      {"wizard cancelled", {{Choix::Ok, "tech", "a"}, {Choix::CreerGroupe, "", ""}}, std::nullopt, false, 2, 1, false,
       "tech"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    store.EraseSection(kSectionFrmAuthentificationAgent);
    errors.clear();
    TFrmAuthentificationAgentModel dialog(&store);
    std::deque<SaisieAuthentification> answers(c.answers.begin(), c.answers.end());
    size_t shown = 0;
    dialog.Montrer = [&](const TFrmAuthentificationAgentModel&) {
      ++shown;
      auto a = answers.front();
      answers.pop_front();
      return a;
    };
    dialog.Inscrire = [&] { return c.wizard; };
    EXPECT_EQ(agent->Connecter(dialog), c.loggedIn);
    EXPECT_EQ(agent->Connecte(), c.loggedIn);
    EXPECT_EQ(shown, c.shown);
    EXPECT_EQ(errors.size(), c.errors);
    EXPECT_EQ(dialog.GroupeCree(), c.groupCreated);
    EXPECT_EQ(store.ReadString(kSectionFrmAuthentificationAgent, kCleIdentifiant, ""), c.storedLogin);
    agent->Deconnecter();
  }
}

TEST_F(FrmAuthentificationAgentModelTest, StoredLoginComesBackAndSetsTheLayout) {
  store.WriteString(kSectionFrmAuthentificationAgent, kCleIdentifiant, "tech");
  TFrmAuthentificationAgentModel dialog(&store);
  EXPECT_EQ(dialog.Identifiant(), "tech");
  std::string shownWith;
  dialog.Montrer = [&](const TFrmAuthentificationAgentModel& d) {
    shownWith = d.Identifiant();
    return SaisieAuthentification{Choix::Ok, d.Identifiant(), "tech"};
  };
  EXPECT_TRUE(agent->Connecter(dialog));
  EXPECT_EQ(shownWith, "tech");
  EXPECT_TRUE(TFrmAuthentificationAgentModel::FocusMotDePasse("tech"));
  EXPECT_FALSE(TFrmAuthentificationAgentModel::GroupeCreationVisible("tech"));
  EXPECT_TRUE(TFrmAuthentificationAgentModel::GroupeCreationVisible(""));
  EXPECT_FALSE(TFrmAuthentificationAgentModel::FocusMotDePasse(""));
  // A fourth try needs the dialog again: every run starts its count afresh.
  EXPECT_EQ(dialog.Tentatives(), 1);
}

}  // namespace
}  // namespace corvane::shell
