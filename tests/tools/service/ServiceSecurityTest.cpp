// The reference service's guards: closing letters from the request's caller only, first passwords
// that expire, back-off after failed log-ins, the sign-up that owns a new group, administration
// levels, and databases made before these guards.

#include <httplib.h>
#include <sqlite3.h>

#include "LoginThrottle.h"
#include "PasswordHash.h"
#include "ServiceFixture.h"
#include "service/RemotableFaults.h"
#include "support/TempFolder.h"

using namespace corvane::service;
using namespace corvane::service::server;
using namespace corvane::service::server::test;

namespace {

constexpr int64_t kDayMs = 24LL * 60 * 60 * 1000;

class ServiceSecurity : public ServiceFixture {
protected:
  struct Opened {
    std::string id;
    std::string token;
  };
  // A help request as the customer program opens it.
  Opened OpenHelpRequest() {
    httplib::Client http("127.0.0.1", server.port());
    auto res = http.Post("/scripts/ServiceCorvane.dll/client/DemandeAssistance",
                         httplib::Params{{"GroupeID", demo.groupeId}, {"Nom", "Ada"}});
    EXPECT_TRUE(res && res->status == 200);
    if (!res) return {};
    Opened o;
    for (size_t start = 0; start < res->body.size();) {
      size_t end = res->body.find('\n', start);
      std::string line = res->body.substr(start, end - start);
      start = end + 1;
      if (line.rfind("AssistanceID=", 0) == 0) o.id = line.substr(13);
      if (line.rfind("Jeton=", 0) == 0) o.token = line.substr(6);
    }
    return o;
  }
  int PostLetter(const std::string& id, const std::string& token, const std::string& letter) {
    httplib::Client http("127.0.0.1", server.port());
    auto res = http.Post("/scripts/ServiceCorvane.dll/client/Cloture",
                         httplib::Params{{"AssistanceID", id}, {"Jeton", token}, {"Lettre", letter}});
    return res ? res->status : -1;
  }
  std::string ClotureOf(const std::string& id) {
    TRemotableFiltre filtre;
    filtre.DateDebutInclue = 0;
    filtre.DateFinNonInclue = 1e6;
    filtre.IdentificationClient = TFiltreIdentificationClient::ficTous;
    filtre.RequeteClient = TFiltreRequeteClient::frcToutes;
    for (const auto& a : store.ListeAssistances(store.LogIn("admin", "admin"), filtre))
      if (a.AssistanceID == id) return a.Cloture;
    return "(none)";
  }
};

TEST_F(ServiceSecurity, ClosingLettersNeedTheCallersTokenAndAreBounded) {
  Opened mine = OpenHelpRequest();
  Opened other = OpenHelpRequest();
  ASSERT_EQ(mine.token.size(), 32u);
  ASSERT_NE(mine.token, other.token);
  std::string altered = mine.token;
  altered.back() = altered.back() == '0' ? '1' : '0';
  TRemotableAssistance old;
  old.DemandeDate = ServiceZoneTime(clockMs);
  std::string oldId = store.SeedAssistance(demo.groupeId, old);  // made before tokens existed

  struct Case {
    const char* name;
    std::string id, token, letter;
    int status;
  } cases[] = {
      {"no token", mine.id, "", "R", 400},
      {"another request's token", mine.id, other.token, "R", 400},
      {"altered token", mine.id, altered, "R", 400},
      {"unknown request", "999999", mine.token, "R", 400},
      {"request without token", oldId, "", "R", 400},
      {"first letter", mine.id, mine.token, "R", 200},
      {"same kind again: no change", mine.id, mine.token, "R", 200},
      {"second kind", mine.id, mine.token, "N", 200},
      {"third kind", mine.id, mine.token, "I", 200},
      {"fourth kind", mine.id, mine.token, "A", 200},
      {"beyond the cap", mine.id, mine.token, "U", 400},
  };
  for (const Case& c : cases) EXPECT_EQ(PostLetter(c.id, c.token, c.letter), c.status) << c.name;
  EXPECT_EQ(ClotureOf(mine.id), "RNIA");
  EXPECT_EQ(ClotureOf(other.id), "");
  EXPECT_EQ(ClotureOf(oldId), "");
}

TEST_F(ServiceSecurity, FirstPasswordExpiresUnlessChangedOrReset) {
  CorvaneAgentProxy proxy = agentProxy();
  std::string admin = proxy.LogIn("admin", "admin");
  TRemotableAgent fresh;
  fresh.Login = "nadia";
  proxy.AjouterUnAgent(admin, fresh);
  fresh.Login = "omar";
  std::string omarId = proxy.AjouterUnAgent(admin, fresh);

  clockMs += 7 * kDayMs - 1;  // last moment of the first password
  std::string hers = proxy.LogIn("nadia", "nadia");
  proxy.ChangePassword(hers, "", "nadia", "n3w");
  clockMs += 1;
  EXPECT_NO_THROW(proxy.LogIn("nadia", "n3w"));  // a changed password does not expire
  EXPECT_THROW(proxy.LogIn("omar", "omar"), ERemotableEchecAuthentification);
  clockMs += 30 * kDayMs;
  EXPECT_THROW(proxy.LogIn("omar", "omar"), ERemotableEchecAuthentification);

  // Only an administrator's reset lets him in again.
  admin = proxy.LogIn("admin", "admin");
  proxy.ChangePassword(admin, omarId, "admin", "given");
  EXPECT_NO_THROW(proxy.LogIn("omar", "given"));
  EXPECT_THROW(proxy.LogIn("omar", "omar"), ERemotableEchecAuthentification);
}

TEST_F(ServiceSecurity, UnknownLoginCostsOneHashAndFailuresBackOff) {
  CorvaneAgentProxy proxy = agentProxy();
  for (const auto& [user, password] : {std::pair{"nobody", "admin"}, std::pair{"admin", "wrong"}}) {
    uint64_t before = DerivationCount();
    EXPECT_THROW(proxy.LogIn(user, password), ERemotableEchecAuthentification);
    EXPECT_EQ(DerivationCount() - before, 1u) << user;
  }

  // Per name: the free failures, then one more starts a wait of a second in which even the right
  // password is refused without being checked.
  for (int i = 0; i <= kFreeFailuresPerLogin; ++i)
    EXPECT_THROW(proxy.LogIn("agent", "wrong"), ERemotableEchecAuthentification);
  uint64_t before = DerivationCount();
  EXPECT_THROW(proxy.LogIn("AGENT", "agent"), ERemotableEchecAuthentification);
  EXPECT_EQ(DerivationCount(), before);
  EXPECT_NO_THROW(proxy.LogIn("admin", "admin"));  // other names go on
  clockMs += kFirstBackOffMs;
  EXPECT_NO_THROW(proxy.LogIn("agent", "agent"));
  EXPECT_NO_THROW(proxy.LogIn("agent", "agent"));  // the success cleared the count

  // Per address: many names failing from one address hold back that address only.
  const std::string guesser = "198.51.100.7";
  for (int i = 0; i <= kFreeFailuresPerAddress; ++i)
    EXPECT_THROW(store.LogIn("guess" + std::to_string(i), "x", guesser), ERemotableEchecAuthentification);
  EXPECT_THROW(store.LogIn("admin", "admin", guesser), ERemotableEchecAuthentification);
  EXPECT_NO_THROW(store.LogIn("admin", "admin", "198.51.100.8"));
}

TEST(LoginThrottleTest, WaitsDoubleToTheCeilingAndMemoryStaysBounded) {
  const LoginThrottle::Rule rule{2, 1000, 4000, 60'000, 4};
  LoginThrottle throttle(rule, rule);
  const int64_t t = 1'000'000;
  // Waits after each failure of one name: two free, then 1 s, 2 s, 4 s, 4 s.
  const int64_t expected[] = {0, 0, 1000, 2000, 4000, 4000};
  for (int64_t wait : expected) {
    throttle.Failed("ann", "", t);
    EXPECT_EQ(throttle.WaitMs("ann", "", t), wait);
  }
  EXPECT_EQ(throttle.WaitMs("Ann", "", t), 4000);  // names ignore case
  EXPECT_EQ(throttle.WaitMs("ann", "", t + 4000), 0);
  EXPECT_EQ(throttle.WaitMs("ann", "", t + 60'000), 0);  // forgotten after the quiet period
  throttle.Failed("ann", "", t + 60'000);
  EXPECT_EQ(throttle.WaitMs("ann", "", t + 60'000), 0);  // counting starts over

  // A flood of names and addresses keeps at most the table sizes.
  for (int i = 0; i < 1000; ++i)
    throttle.Failed("name" + std::to_string(i) + std::string(100000, 'x'), "10.0.0." + std::to_string(i), t + i);
  EXPECT_LE(throttle.Size(), 2 * rule.maxEntries);
  throttle.Succeeded("ann");
}

TEST_F(ServiceSecurity, OnlyTheSignUpThatCreatedAGroupGivesItsFirstAdministrator) {
  CorvaneInscriptionProxy inscription(root);
  auto createGroup = [&](std::string& id) {
    inscription.ObtenirVerrou(id);
    TRemotableInfosGroupe infos;
    infos.Nom = "Signed up";
    return inscription.CreerGroupe(id, store.PeekChallengeCode(id), infos);
  };
  TRemotableInfosAgent boss{};
  boss.Login = "boss";
  boss.MotDePasse = "s3cret";

  std::string wizard;
  boss.GroupeID = createGroup(wizard);
  // Another caller's challenge, even correctly answered, is not that sign-up.
  std::string stranger;
  inscription.ObtenirVerrou(stranger);
  EXPECT_THROW(inscription.CreerSuperAgent(stranger, store.PeekChallengeCode(stranger), boss),
               ERemotableOperationNonAutorisee);
  // The sign-up's token is for its own group, not for any group without agents.
  TRemotableGroupeAgent empty;
  empty.Nom = "Empty";
  TRemotableInfosAgent elsewhere = boss;
  elsewhere.GroupeID = store.SeedGroup(empty);
  inscription.ObtenirVerrou(wizard);
  EXPECT_THROW(inscription.CreerSuperAgent(wizard, store.PeekChallengeCode(wizard), elsewhere),
               ERemotableOperationNonAutorisee);
  // A wrong code, then a new picture: the sign-up goes on.
  inscription.ObtenirVerrou(wizard);
  EXPECT_THROW(inscription.CreerSuperAgent(wizard, "WRONG", boss), ERemotableException);
  inscription.ObtenirVerrou(wizard);
  inscription.CreerSuperAgent(wizard, store.PeekChallengeCode(wizard), boss);
  EXPECT_NO_THROW(agentProxy().LogIn("boss", "s3cret"));

  // A sign-up past its lifetime gives no administrator.
  std::string late;
  boss.GroupeID = createGroup(late);
  boss.Login = "late";
  clockMs += kSignUpLifetimeMs + 1;
  inscription.ObtenirVerrou(late);
  EXPECT_THROW(inscription.CreerSuperAgent(late, store.PeekChallengeCode(late), boss),
               ERemotableOperationNonAutorisee);
}

TEST_F(ServiceSecurity, AdministratorsStayWithinTheirLevel) {
  CorvaneAgentProxy proxy = agentProxy();
  std::string admin = proxy.LogIn("admin", "admin");
  std::string plain = proxy.LogIn("agent", "agent");
  TRemotableAgent self = proxy.ObtenirAgent(admin, "");
  TRemotableAgent other = proxy.ObtenirAgent(plain, "");

  // A plain agent cannot reset anyone's password.
  EXPECT_THROW(proxy.ChangePassword(plain, self.AgentID, "agent", "mine"), ERemotableOperationNonAutorisee);
  // Nobody raises their own level; an administrator gives levels up to its own.
  self.NiveauAdmin = 9;
  proxy.MettreAJourAgent(admin, self);
  EXPECT_EQ(proxy.ObtenirAgent(admin, "").NiveauAdmin, 2);
  other.NiveauAdmin = 3;
  EXPECT_THROW(proxy.MettreAJourAgent(admin, other), ERemotableOperationNonAutorisee);
  TRemotableAgent high;
  high.Login = "high";
  high.NiveauAdmin = 3;
  EXPECT_THROW(proxy.AjouterUnAgent(admin, high), ERemotableOperationNonAutorisee);
  other.NiveauAdmin = 1;
  proxy.MettreAJourAgent(admin, other);
  EXPECT_EQ(proxy.ObtenirAgent(plain, "").NiveauAdmin, 1);
  // Now an administrator of level 1: it cannot reset the password of one of level 2.
  EXPECT_THROW(proxy.ChangePassword(plain, self.AgentID, "agent", "mine"), ERemotableOperationNonAutorisee);
  proxy.ChangePassword(admin, other.AgentID, "admin", "reset");
  EXPECT_NO_THROW(proxy.LogIn("agent", "reset"));
}

TEST(ServiceStoreUpgrade, OlderDatabaseKeepsItsAgentsAndStrengthensTheirHashes) {
  corvane::testing::TempFolder folder("corvane-service-upgrade");
  const std::string path = folder / "service.db";
  {
    ServiceStore store(StoreOptions{path, 0, {}, kQuickPasswordIterations});
    SeedDemo(store, SystemMilliseconds());
  }
  // Back to the layout and hash strength of the first databases.
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  const std::string oldHash = HashPassword("admin", 10000);
  const std::string sql = "ALTER TABLE agents DROP COLUMN mdp_initial; ALTER TABLE agents DROP COLUMN cree_le; "
                          "ALTER TABLE assistances DROP COLUMN jeton_client; DROP TABLE inscriptions; "
                          "UPDATE agents SET mot_de_passe = '" + oldHash + "' WHERE login = 'admin';";
  ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
  sqlite3_close(db);

  ServiceStore store(StoreOptions{path, 0, {}, 20000});
  EXPECT_NO_THROW(store.LogIn("admin", "admin"));  // the old hash verifies, then is remade
  EXPECT_NO_THROW(store.LogIn("agent", "agent"));  // seeded agents have no first-password expiry
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  sqlite3_stmt* s = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT mot_de_passe FROM agents WHERE login = 'admin'", -1, &s, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_step(s), SQLITE_ROW);
  EXPECT_EQ(HashIterations(reinterpret_cast<const char*>(sqlite3_column_text(s, 0))), 20000);
  sqlite3_finalize(s);
  sqlite3_close(db);
  EXPECT_NO_THROW(store.LogIn("admin", "admin"));
  EXPECT_THROW(store.LogIn("admin", "wrong"), ERemotableEchecAuthentification);
}

}  // namespace
