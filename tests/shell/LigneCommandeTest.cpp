#include <gtest/gtest.h>

#include "shell/AuthentificationLigneCommande.h"
#include "shell/LigneCommande.h"

using namespace corvane::shell;

TEST(LigneCommande, SwitchesFollowTheClassicRules) {
  struct Case {
    std::vector<std::string> args;
    std::string login, password;
    int status;
    bool mini;
    std::optional<std::string> lastExe;
  };
  const Case cases[] = {
      {{}, "", "", 0, false, std::nullopt},
      {{"-login", "alice", "-pwd", "secret", "-status", "2"}, "alice", "secret", 2, false, std::nullopt},
      {{"-LOGIN", "alice", "/pwd", "secret"}, "alice", "secret", 0, false, std::nullopt},  // case, slash
      {{"/Login", "bob"}, "bob", "", 0, false, std::nullopt},  // login without pwd: empty password
      {{"-pwd", "x", "-login"}, "", "x", 0, false, std::nullopt},  // value switch given last: absent
      {{"-login", "a", "-status", "1"}, "a", "", 1, false, std::nullopt},
      {{"-login", "a", "-status", "3"}, "a", "", 0, false, std::nullopt},
      {{"-login", "a", "-status", "two"}, "a", "", 0, false, std::nullopt},
      {{"-login", "a", "-status", "2x"}, "a", "", 0, false, std::nullopt},
      {{"-login", "a", "-status", "-1"}, "a", "", 0, false, std::nullopt},
      {{"-login", "a", "-status"}, "a", "", 0, false, std::nullopt},
      {{"/MINI"}, "", "", 0, true, std::nullopt},
      {{"mini", "login", "x"}, "", "", 0, false, std::nullopt},  // no "-" or "/": unknown, ignored
      {{"--login", "x", "-", "/", "-unknown", "y"}, "", "", 0, false, std::nullopt},
      {{"-LastUsedUpdateExeFileNameToDelete", "/tmp/old agent"}, "", "", 0, false, "/tmp/old agent"},
      {{"-lastusedupdateexefilenametodelete"}, "", "", 0, false, std::nullopt},
      {{"-login", "first", "-login", "second"}, "first", "", 0, false, std::nullopt},
      {{"-login", "-pwd", "x"}, "-pwd", "x", 0, false, std::nullopt},  // the next argument is the value
  };
  for (const auto& c : cases) {
    std::string shown;
    for (const auto& a : c.args) shown += a + " ";
    TInfosLigneCommande infos = ParseLigneCommande(c.args);
    EXPECT_EQ(infos.Login, c.login) << shown;
    EXPECT_EQ(infos.Password, c.password) << shown;
    EXPECT_EQ(infos.Status, c.status) << shown;
    EXPECT_EQ(infos.DemarrageReduit, c.mini) << shown;
    EXPECT_EQ(infos.LastUsedUpdateExeFileNameToDelete, c.lastExe) << shown;
    EXPECT_EQ(infos.LoginAutomatique(), !c.login.empty()) << shown;
  }
}

TEST(LigneCommande, ProcessWideCommandLineSkipsTheProgramName) {
  const char* argv[] = {"/opt/corvane/CorvaneAgent", "-login", "carol", "-mini"};
  InitialiserLigneCommande(4, argv);
  EXPECT_EQ(InfosLigneCommande().Login, "carol");
  EXPECT_TRUE(InfosLigneCommande().DemarrageReduit);
  const char* none[] = {"CorvaneAgent"};
  InitialiserLigneCommande(1, none);
  EXPECT_FALSE(InfosLigneCommande().LoginAutomatique());
}

namespace {
struct FakeController : ICorvaneAuthentification {
  std::vector<std::pair<std::string, std::string>> tries;
  bool accept = true;
  bool EssayerConnexion(const std::string& login, const std::string& password) override {
    tries.emplace_back(login, password);
    return accept;
  }
};
}  // namespace

TEST(AuthentificationLigneCommande, TriesExactlyOnceWithTheCommandLineCredentials) {
  for (bool accept : {true, false}) {
    FakeController controller;
    controller.accept = accept;
    TAuthentificationLigneCommande provider(ParseLigneCommande({"-login", "alice", "-pwd", "pw"}));
    provider.SetAuthentification(&controller);
    EXPECT_EQ(provider.Authentifier(), accept);
    EXPECT_EQ(controller.tries, (std::vector<std::pair<std::string, std::string>>{{"alice", "pw"}}));
    EXPECT_FALSE(provider.GroupeCree());
  }
  TAuthentificationLigneCommande unset("alice", "pw");
  EXPECT_FALSE(unset.Authentifier());  // nothing handed over: no try, no crash
}
