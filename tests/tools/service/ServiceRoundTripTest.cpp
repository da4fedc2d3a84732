// The console's web-service client against the reference service over loopback.

#include <httplib.h>

#include "ServiceFixture.h"
#include "service/RemotableFaults.h"
#include "service/ServiceErrors.h"

using namespace corvane::service;
using namespace corvane::service::server;
using namespace corvane::service::server::test;

namespace {

class ServiceRoundTrip : public ServiceFixture {};

TEST_F(ServiceRoundTrip, LogInLogOutAndExpiry) {
  CorvaneAgentProxy proxy = agentProxy();
  EXPECT_THROW(proxy.LogIn("admin", "wrong"), ERemotableEchecAuthentification);
  EXPECT_THROW(proxy.LogIn("nobody", "admin"), ERemotableEchecAuthentification);
  std::string session = proxy.LogIn("ADMIN", "admin");  // log-in names ignore case
  EXPECT_EQ(proxy.ObtenirAgent(session, "").Login, "admin");
  proxy.LogOut(session);
  EXPECT_THROW(proxy.ListeAgents(session), ERemotableInvalideSession);

  session = proxy.LogIn("agent", "agent");
  clockMs += kIdleMs - 1;
  EXPECT_EQ(proxy.ListeAgents(session).size(), 2u);  // use restarts the idle time
  clockMs += kIdleMs - 1;
  EXPECT_NO_THROW(proxy.ModifierStatus(session, TStatusAgent::saDisponible));
  clockMs += kIdleMs + 1;
  EXPECT_THROW(proxy.ListeAgents(session), ERemotableInvalideSession);
  EXPECT_THROW(proxy.ListeAgents("made-up"), ERemotableInvalideSession);
}

TEST_F(ServiceRoundTrip, AgentOperations) {
  CorvaneAgentProxy proxy = agentProxy();
  std::string session = proxy.LogIn("admin", "admin");
  TRemotableAgent self = proxy.ObtenirAgent(session, "");
  EXPECT_EQ(self.NiveauAdmin, 2);
  EXPECT_EQ(self.GroupeID, demo.groupeId);

  TRemotableAgent fresh;
  fresh.Login = "nadia";
  fresh.Nom = "Petit";
  fresh.Port = 8300;
  fresh.Ports = "8301-8305";
  std::string id = proxy.AjouterUnAgent(session, fresh);
  try {
    proxy.AjouterUnAgent(session, fresh);  // same login
    FAIL() << "duplicate login accepted";
  } catch (const ERemotableIdentifiantIncorrect& e) {
    EXPECT_EQ(e.message().find("agents."), std::string::npos) << "database text sent: " << e.message();
  }
  TRemotableAgent stored = proxy.ObtenirAgent(session, id);
  EXPECT_EQ(stored.Nom, "Petit");
  EXPECT_EQ(stored.Ports, "8301-8305");
  stored.Prenom = "Nadia";
  stored.AdresseIP = "192.0.2.9";  // set by hand: the editor has a field for it
  stored.Status = TStatusAgent::saOccupe;
  proxy.MettreAJourAgent(session, stored);
  EXPECT_EQ(proxy.ObtenirAgent(session, id).Prenom, "Nadia");
  EXPECT_EQ(proxy.ObtenirAgent(session, id).AdresseIP, "192.0.2.9");
  EXPECT_EQ(proxy.ObtenirAgent(session, id).Status, TStatusAgent::saDeconnecte);  // only hers to set
  EXPECT_EQ(proxy.ListeAgents(session).size(), 3u);

  // The new agent's first password is its login; it changes it with an empty AgentId.
  std::string hers = proxy.LogIn("nadia", "nadia");
  // Her status survives an administrator's edit, which sends "disconnected" like the console.
  proxy.ModifierStatus(hers, TStatusAgent::saDisponible);
  stored.Nom = "Petit-Roy";
  stored.Status = TStatusAgent::saDeconnecte;
  proxy.MettreAJourAgent(session, stored);
  EXPECT_EQ(proxy.ObtenirAgent(session, id).Nom, "Petit-Roy");
  EXPECT_EQ(proxy.ObtenirAgent(session, id).Status, TStatusAgent::saDisponible);
  EXPECT_THROW(proxy.ChangePassword(hers, "", "bad", "n3w"), ERemotableEchecModificationMotDePasse);
  proxy.ChangePassword(hers, "", "nadia", "n3w");
  EXPECT_THROW(proxy.LogIn("nadia", "nadia"), ERemotableEchecAuthentification);
  EXPECT_NO_THROW(proxy.LogIn("nadia", "n3w"));

  TByteDynArray photo{1, 2, 3, 0, 255};
  proxy.ModifierPhoto(hers, photo);
  EXPECT_EQ(proxy.ObtenirPhoto(session, id), photo);

  EXPECT_THROW(proxy.SupprimerUnAgent(session, self.AgentID), ERemotableEchecSuppressionAgent);
  proxy.SupprimerUnAgent(session, id);
  EXPECT_THROW(proxy.ObtenirAgent(session, id), ERemotableIdentifiantIncorrect);
  EXPECT_THROW(proxy.ListeAgents(hers), ERemotableInvalideSession);  // her sessions went with her
}

TEST_F(ServiceRoundTrip, RightsFollowTheAdministrationLevel) {
  CorvaneAgentProxy proxy = agentProxy();
  CorvaneGroupeAgentProxy groups(root);
  std::string plain = proxy.LogIn("agent", "agent");
  TRemotableAgent self = proxy.ObtenirAgent(plain, "");
  EXPECT_THROW(proxy.AjouterUnAgent(plain, TRemotableAgent{}), ERemotableOperationNonAutorisee);
  TRemotableGroupeAgent groupe = groups.ObtenirGroupe(plain, demo.groupeId);  // reading is allowed
  EXPECT_THROW(groups.ModifierGroupe(plain, groupe), ERemotableOperationNonAutorisee);

  // An agent updates its own record but cannot raise its level.
  self.NiveauAdmin = 5;
  self.Nom = "Renamed";
  proxy.MettreAJourAgent(plain, self);
  EXPECT_EQ(proxy.ObtenirAgent(plain, "").Nom, "Renamed");
  EXPECT_EQ(proxy.ObtenirAgent(plain, "").NiveauAdmin, 0);
  TRemotableAgent admin = proxy.ListeAgents(plain)[0];
  admin.Nom = "Hacked";
  EXPECT_THROW(proxy.MettreAJourAgent(plain, admin), ERemotableOperationNonAutorisee);

  // Another group's records are out of reach, even for its administrator.
  TRemotableGroupeAgent other;
  other.Nom = "Other";
  std::string otherGroup = store.SeedGroup(other);
  TRemotableAgent stranger;
  stranger.GroupeID = otherGroup;
  stranger.Login = "stranger";
  std::string strangerId = store.SeedAgent(stranger, "pw");
  std::string adminSession = proxy.LogIn("admin", "admin");
  EXPECT_THROW(proxy.ObtenirAgent(adminSession, strangerId), ERemotableOperationNonAutorisee);
  EXPECT_THROW(proxy.SupprimerUnAgent(adminSession, strangerId), ERemotableOperationNonAutorisee);
  EXPECT_THROW(groups.ObtenirGroupe(adminSession, otherGroup), ERemotableOperationNonAutorisee);
}

TEST_F(ServiceRoundTrip, CustomersAndDuplicateIdentifier) {
  CorvaneAgentProxy proxy = agentProxy();
  std::string session = proxy.LogIn("agent", "agent");
  EXPECT_EQ(proxy.ListeClients(session).size(), 5u);
  TRemotableClient client;
  client.Identifiant = "Z42";
  client.Nom = "Blanc";
  client.EMail = "blanc@x.invalid";
  client.AdresseIP = "192.0.2.7";
  std::string id = proxy.AjouterUnClient(session, client);
  try {
    proxy.AjouterUnClient(session, client);
    FAIL() << "duplicate accepted";
  } catch (ERemotableException& e) {
    EXPECT_EQ(typeid(e), typeid(ERemotableException));
    EXPECT_EQ(e.message().find("clients."), std::string::npos) << "database text sent: " << e.message();
    EXPECT_TRUE(ReplaceDuplicateClientIdMessage(e));
    EXPECT_EQ(e.message(), "Client ID already used.");
  }
  TRemotableClient stored = proxy.ObtenirClientParIdentifiant(session, demo.groupeId, "Z42");
  EXPECT_EQ(stored.ClientID, id);
  EXPECT_EQ(stored.Nom, "Blanc");
  EXPECT_THROW(proxy.ObtenirClientParIdentifiant(session, demo.groupeId, "nope"),
               ERemotableIdentifiantNonTrouve);
  stored.Prenom = "Anne";
  stored.AdresseIP = "";  // the console's customer editor has no address field
  proxy.MettreAJourClient(session, stored);
  EXPECT_EQ(proxy.ObtenirClient(session, id).Prenom, "Anne");
  EXPECT_EQ(proxy.ObtenirClient(session, id).AdresseIP, "192.0.2.7");
  proxy.SupprimerUnClient(session, id);
  EXPECT_THROW(proxy.ObtenirClient(session, id), ERemotableIdentifiantIncorrect);
  // A customer with sessions in the history cannot go.
  EXPECT_THROW(proxy.SupprimerUnClient(session, proxy.ListeClients(session)[0].ClientID),
               ERemotableEchecIntegrite);
}

TEST_F(ServiceRoundTrip, GroupRecordInOut) {
  CorvaneGroupeAgentProxy groups(root);
  std::string session = agentProxy().LogIn("admin", "admin");
  TRemotableGroupeAgent groupe = groups.ObtenirGroupe(session, demo.groupeId);
  EXPECT_EQ(groupe.Nom, "Demo Support");
  EXPECT_EQ(groupe.Nbre, 2);
  EXPECT_TRUE(groupe.Valide);
  groupe.Mess = "Busy.\nCall back.";
  groupe.AccepteClientConnuUniquement = true;
  groupe.Valide = false;
  groupe.Nbre = 99;
  groups.ModifierGroupe(session, groupe);
  // The returned record replaced ours: the service keeps its own Nbre and Valide.
  EXPECT_EQ(groupe.Nbre, 2);
  EXPECT_TRUE(groupe.Valide);
  EXPECT_EQ(groups.ObtenirGroupe(session, "").Mess, "Busy.\nCall back.");
  EXPECT_TRUE(groups.ObtenirGroupe(session, "").AccepteClientConnuUniquement);
  ASSERT_EQ(groups.ListeGroupes(session).size(), 1u);
}

TEST_F(ServiceRoundTrip, HelpRequestClosingAndHistoryFilters) {
  CorvaneAgentProxy proxy = agentProxy();
  std::string session = proxy.LogIn("agent", "agent");
  proxy.ModifierStatus(session, TStatusAgent::saDisponible);
  httplib::Client http("127.0.0.1", server.port());
  ASSERT_EQ(http.Get(("/scripts/ServiceCorvane.dll/UpdateIP?session=" + session).c_str())->status, 200);
  EXPECT_EQ(http.Get("/scripts/ServiceCorvane.dll/UpdateIP?session=bad")->status, 403);

  auto opened = http.Post("/scripts/ServiceCorvane.dll/client/DemandeAssistance",
                          httplib::Params{{"GroupeID", demo.groupeId}, {"Nom", "Typed"},
                                          {"EMail", "t@x.invalid"}, {"Identifiant", "C002"},
                                          {"Description", "Help!\r\nNow."}});
  ASSERT_TRUE(opened);
  ASSERT_EQ(opened->status, 200) << opened->body;
  EXPECT_NE(opened->body.find("Agent=127.0.0.1:8200\n"), std::string::npos) << opened->body;
  std::string assistanceId = opened->body.substr(13, opened->body.find('\n') - 13);
  size_t tokenAt = opened->body.find("\nJeton=");
  ASSERT_NE(tokenAt, std::string::npos) << opened->body;
  std::string token = opened->body.substr(tokenAt + 7, opened->body.find('\n', tokenAt + 1) - tokenAt - 7);
  auto letter = http.Post("/scripts/ServiceCorvane.dll/client/Cloture",
                          httplib::Params{{"AssistanceID", assistanceId}, {"Jeton", token}, {"Lettre", "I"}});
  ASSERT_EQ(letter->status, 200);
  EXPECT_EQ(http.Post("/scripts/ServiceCorvane.dll/client/Cloture",
                      httplib::Params{{"AssistanceID", assistanceId}, {"Jeton", token}, {"Lettre", "Z"}})->status, 400);

  TRemotableClotureAssistance cloture;
  cloture.AssistanceID = assistanceId;
  cloture.ReponseDescription = "Fixed.\r\nBye.";
  proxy.CloturerAssistance(session, cloture);

  TRemotableFiltre filtre;
  filtre.DateDebutInclue = ServiceZoneTime(clockMs) - 0.01;
  filtre.DateFinNonInclue = ServiceZoneTime(clockMs) + 0.01;
  filtre.IdentificationClient = TFiltreIdentificationClient::ficTous;
  filtre.RequeteClient = TFiltreRequeteClient::frcToutes;
  TRemotableAssistances found = proxy.ListeAssistances(session, filtre);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].Cloture, "IO");
  EXPECT_EQ(found[0].ClientNom, "Lefebvre");
  EXPECT_EQ(found[0].CorvaneClientNom, "Typed");
  EXPECT_EQ(found[0].DemandeDescription, "Help!\r\nNow.");
  EXPECT_EQ(found[0].ReponseDescription, "Fixed.\r\nBye.");
  EXPECT_EQ(found[0].AgentID, proxy.ObtenirAgent(session, "").AgentID);
  EXPECT_NEAR(found[0].ReponseDate, ServiceZoneTime(clockMs), 1e-6);

  // Filters over the seeded sixty days.
  struct Case {
    TFiltreIdentificationClient identification;
    TFiltreRequeteClient requete;
    TFiltreReponsesAgents reponses;
    bool exclusif;
    std::function<bool(const TRemotableAssistance&)> expected;
  } cases[] = {
      {TFiltreIdentificationClient::ficTous, TFiltreRequeteClient::frcToutes,
       TFiltreReponsesAgents::fraToutes, false, [](auto&) { return true; }},
      {TFiltreIdentificationClient::ficNonIdentifies, TFiltreRequeteClient::frcToutes,
       TFiltreReponsesAgents::fraToutes, false, [](auto& a) { return a.ClientID.empty(); }},
      {TFiltreIdentificationClient::ficIdentifies, TFiltreRequeteClient::frcNonPrisesEnCharge,
       TFiltreReponsesAgents::fraToutes, false,
       [](auto& a) { return !a.ClientID.empty() && a.AgentID.empty(); }},
      {TFiltreIdentificationClient::ficTous, TFiltreRequeteClient::frcToutes,
       TFiltreReponsesAgents::fraIgnore, false, [](auto& a) { return a.Cloture.find('I') != std::string::npos; }},
      {TFiltreIdentificationClient::ficTous, TFiltreRequeteClient::frcToutes,
       TFiltreReponsesAgents::fraIgnore, true, [](auto& a) { return a.Cloture == "I"; }},
  };
  filtre.DateDebutInclue = ServiceZoneTime(clockMs) - 61;
  filtre.DateFinNonInclue = ServiceZoneTime(clockMs) + 1;
  filtre.IdentificationClient = TFiltreIdentificationClient::ficTous;
  filtre.RequeteClient = TFiltreRequeteClient::frcToutes;
  filtre.ReponsesAgents = TFiltreReponsesAgents::fraToutes;
  TRemotableAssistances all = proxy.ListeAssistances(session, filtre);
  EXPECT_EQ(all.size(), 101u);
  for (const Case& c : cases) {
    filtre.IdentificationClient = c.identification;
    filtre.RequeteClient = c.requete;
    filtre.ReponsesAgents = c.reponses;
    filtre.FiltreReponsesAgentsExclusif = c.exclusif;
    size_t expected = std::count_if(all.begin(), all.end(), c.expected);
    EXPECT_GT(expected, 0u);
    EXPECT_EQ(proxy.ListeAssistances(session, filtre).size(), expected);
  }
}

TEST_F(ServiceRoundTrip, SignUpWithCorrectAndWrongCode) {
  CorvaneInscriptionProxy inscription(root);
  std::string id;
  TByteDynArray picture = inscription.ObtenirVerrou(id);
  ASSERT_GT(picture.size(), 8u);
  EXPECT_EQ(std::string(picture.begin() + 1, picture.begin() + 4), "PNG");
  std::string first = id;
  inscription.ObtenirVerrou(id);  // sends the held identifier, which is then dropped
  EXPECT_NE(id, first);
  EXPECT_EQ(store.PeekChallengeCode(first), "");

  TRemotableInfosGroupe infos;
  infos.Nom = "New group";
  infos.Email = "g@x.invalid";
  std::string code = store.PeekChallengeCode(id);
  try {
    inscription.CreerGroupe(id, code == "AAAAA" ? "CCCCC" : "AAAAA", infos);
    FAIL() << "wrong code accepted";
  } catch (const ERemotableException& e) {
    EXPECT_EQ(e.message(), "Incorrect verification code.");
  }
  EXPECT_THROW(inscription.CreerGroupe(id, code, infos), ERemotableException);  // used up

  inscription.ObtenirVerrou(id);
  std::string groupId = inscription.CreerGroupe(id, store.PeekChallengeCode(id), infos);
  inscription.ObtenirVerrou(id);
  TRemotableInfosAgent boss{};
  boss.GroupeID = groupId;
  boss.Login = "boss";
  boss.MotDePasse = "s3cret";
  inscription.CreerSuperAgent(id, store.PeekChallengeCode(id), boss);
  CorvaneAgentProxy proxy = agentProxy();
  std::string session = proxy.LogIn("boss", "s3cret");
  EXPECT_EQ(proxy.ObtenirAgent(session, "").GroupeID, groupId);
  EXPECT_GE(proxy.ObtenirAgent(session, "").NiveauAdmin, 1);
  // A second administrator cannot be signed up for the same group.
  inscription.ObtenirVerrou(id);
  boss.Login = "boss2";
  EXPECT_THROW(inscription.CreerSuperAgent(id, store.PeekChallengeCode(id), boss),
               ERemotableOperationNonAutorisee);
}

TEST_F(ServiceRoundTrip, HostileRequestsAnswerFaults) {
  httplib::Client http("127.0.0.1", server.port());
  const std::string path = "/scripts/ServiceCorvane.dll/soap/ICorvaneAgent";
  auto envelope = [](const std::string& body) {
    return "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\">"
           "<SOAP-ENV:Body>" + body + "</SOAP-ENV:Body></SOAP-ENV:Envelope>";
  };
  const std::string ns = "xmlns:NS1=\"urn:UCorvaneAgentIntf-ICorvaneAgent\"";
  struct Case {
    const char* name;
    std::string body;
  } cases[] = {
      {"malformed", "<SOAP-ENV:Envelope"},
      {"entity bomb", "<?xml version=\"1.0\"?><!DOCTYPE e [<!ENTITY a \"aaaa\">]>" + envelope("")},
      {"unknown operation", envelope("<NS1:Explode " + ns + "/>")},
      {"wrong namespace", envelope("<NS1:LogIn xmlns:NS1=\"urn:other\"><User>admin</User></NS1:LogIn>")},
      {"wrong type", envelope("<NS1:ModifierStatus " + ns + "><Session>x</Session><NouveauStatus>saPerdu</NouveauStatus></NS1:ModifierStatus>")},
      {"oversized", envelope(std::string(5 * 1024 * 1024, ' '))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto res = http.Post(path.c_str(), c.body, "text/xml");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 500);
    EXPECT_NE(res->body.find("<SOAP-ENV:Fault>"), std::string::npos) << res->body;
  }
  // The service still answers.
  EXPECT_NO_THROW(agentProxy().LogIn("admin", "admin"));

  auto picture = http.Get(("/scripts/ServiceCorvane.dll/img?Image=imgStatut&Id=" + demo.groupeId).c_str());
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->status, 200);
  EXPECT_EQ(picture->get_header_value("Content-Type"), "image/png");
  EXPECT_EQ(http.Get("/scripts/ServiceCorvane.dll/img?Image=imgStatut&Id=999")->status, 404);
  EXPECT_EQ(http.Get("/scripts/ServiceCorvane.dll/GetFile?FileID=CorvaneClient&ID=1&CIID=x&CIPass=y")->status, 403);
}

}  // namespace
