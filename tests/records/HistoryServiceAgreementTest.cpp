// The history's cache against the reference service: for every filter mode, the sessions the
// console takes from its cache of past days are exactly those the service itself selects.
// The service runs in-process on a loopback port and is reached through the real SOAP client.

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "ServiceServer.h"
#include "ServiceStore.h"
#include "records/DmGestionAssistances.h"
#include "records/HistoryFilter.h"
#include "records/TimeZone.h"
#include "service/CorvaneAgent.h"

namespace corvane::records {
namespace {

using namespace service;
using enum TFiltreIdentificationClient;
using enum TFiltreRequeteClient;
using enum TFiltreReponsesAgents;

constexpr TDateTime kToday = 45366;  // Friday 2024-03-15
constexpr int64_t kNowUnixMs = 1'710'493'200'000;  // 2024-03-15 09:00 UTC, 10:00 at the service

// The controller's wrappers over the SOAP client with one service session; only what the history
// reads. Counts the history queries so that a test can tell cache from service.
class ProxyGateway final : public ServiceGateway {
public:
  ProxyGateway(CorvaneAgentProxy& proxy, std::string session) : proxy_(proxy), session_(std::move(session)) {
    self_ = proxy_.ObtenirAgent(session_, "");
  }
  const TRemotableAgent* InfosAgent() const override { return &self_; }
  TRemotableAgents ListeAgents() override { return proxy_.ListeAgents(session_); }
  TRemotableAssistances ListeAssistances(const TRemotableFiltre& f) override {
    ++historyQueries;
    return proxy_.ListeAssistances(session_, f);
  }
  std::string AjouterUnAgent(const TRemotableAgent&) override { throw std::logic_error("unused"); }
  TRemotableAgent ObtenirAgent(const std::string&) override { throw std::logic_error("unused"); }
  void MettreAJourAgent(const TRemotableAgent&) override { throw std::logic_error("unused"); }
  void SupprimerUnAgent(const std::string&) override { throw std::logic_error("unused"); }
  std::string AjouterUnClient(const TRemotableClient&) override { throw std::logic_error("unused"); }
  TRemotableClient ObtenirClient(const std::string&) override { throw std::logic_error("unused"); }
  void MettreAJourClient(const TRemotableClient&) override { throw std::logic_error("unused"); }
  void SupprimerUnClient(const std::string&) override { throw std::logic_error("unused"); }
  TRemotableClients ListeClients() override { throw std::logic_error("unused"); }
  void ModifierGroupe(TRemotableGroupeAgent&) override { throw std::logic_error("unused"); }
  TRemotableGroupeAgent ObtenirGroupe(const std::string&) override { throw std::logic_error("unused"); }

  int historyQueries = 0;

private:
  CorvaneAgentProxy& proxy_;
  std::string session_;
  TRemotableAgent self_;
};

class Filter final : public HistoryFilter {
public:
  TDateTime debut = kToday - 5, fin = kToday;
  TRemotableFiltre criteres;
  TDateTime DateDebut() const override { return debut; }
  TDateTime DateFin() const override { return fin; }
  TRemotableFiltre Criteres() const override { return criteres; }
  std::string LibellePeriode() const override { return {}; }
  std::string LibelleCriteres() const override { return {}; }
};

std::vector<std::string> Sorted(std::vector<std::string> ids) {
  std::sort(ids.begin(), ids.end());
  return ids;
}

TEST(HistoryServiceAgreement, CachedRowsAreTheServicesOwnSelectionForEveryFilterMode) {
  server::ServiceStore store{server::StoreOptions{":memory:", 60'000, [] { return kNowUnixMs; }}};
  TRemotableGroupeAgent groupe;
  groupe.Nom = "Agreement";
  groupe.Mess = "busy";
  const std::string groupeId = store.SeedGroup(groupe);
  TRemotableAgent admin;
  admin.GroupeID = groupeId;
  admin.Login = "admin";
  admin.NiveauAdmin = 2;
  const std::string adminId = store.SeedAgent(admin, "admin-password");
  std::vector<std::string> clientIds;
  for (const char* identifiant : {"C1", "C2"}) {
    TRemotableClient client;
    client.GroupeID = groupeId;
    client.Identifiant = identifiant;
    clientIds.push_back(store.SeedClient(client));
  }
  // Five past days of sessions crossing customer (either record or none), handling and closing
  // codes, at times well inside their day.
  const char* closings[] = {"O", "RI", "R", "N", "NU", "", "IO", "A", "U", "IIIIIIIIIIRO", "RR"};
  for (int i = 0; i < 66; ++i) {
    TRemotableAssistance a;
    if (i % 3 < 2) {
      a.ClientID = clientIds[static_cast<size_t>(i % 3)];
      a.ClientIdentifiant = i % 3 ? "C2" : "C1";
    }
    if ((i / 3) % 2) a.AgentID = adminId;
    a.Cloture = closings[i % 11];
    a.CorvaneClientNom = "caller " + std::to_string(i);
    a.DemandeDate = kToday - 5 + i % 5 + (2.0 + (i * 7) % 20) / 24;
    store.SeedAssistance(groupeId, a);
  }

  server::ServiceServer server{store, server::ServerOptions{"127.0.0.1", 0, "/scripts/ServiceCorvane.dll/", "", "", {}}};
  server.start();
  CorvaneAgentProxy proxy(server.rootUrl());
  const std::string session = proxy.LogIn("admin", "admin-password");
  ProxyGateway gateway(proxy, session);

  Filter filter;
  filter.criteres.IdentificationClient = ficTous;
  filter.criteres.ClientID = -1;
  filter.criteres.RequeteClient = frcToutes;
  filter.criteres.ReponsesAgents = fraToutes;
  TdmGestionAssistances history(gateway);
  history.setZoneLocale(ServiceTimeZone());
  history.setHorloge([] { return kToday + 10.0 / 24; });
  history.setFiltre(&filter);
  history.reload();  // every session of the five days enters the cache
  ASSERT_EQ(gateway.historyQueries, 1);
  ASSERT_EQ(history.recordCount(), 66);

  const auto shownIds = [&] {
    std::vector<std::string> ids;
    for (const HistorySession& s : history.sessions()) ids.push_back(s.record->AssistanceID);
    return Sorted(ids);
  };
  const auto serviceIds = [&](TRemotableFiltre f) {
    f.DateDebutInclue = filter.debut;
    f.DateFinNonInclue = filter.fin;
    std::vector<std::string> ids;
    for (const TRemotableAssistance& a : proxy.ListeAssistances(session, f)) ids.push_back(a.AssistanceID);
    return Sorted(ids);
  };

  struct Customers {
    TFiltreIdentificationClient kind;
    int clientId;
  };
  const Customers customers[] = {{ficIdentifies, -1},
                                 {ficNonIdentifies, -1},
                                 {ficTous, -1},
                                 {ficSpecifique, std::stoi(clientIds[0])},
                                 {ficSpecifique, std::stoi(clientIds[1])},
                                 {ficSpecifique, -1},  // "Specified client" with no customer chosen
                                 {ficSpecifique, 999999}};
  struct Responses {
    TFiltreReponsesAgents kind;
    bool exclusif;
  };
  std::vector<Responses> everyResponse;
  for (int kind = 0; kind <= static_cast<int>(fraAutre); ++kind)
    for (bool exclusif : {false, true})
      if (kind != 0 || !exclusif) everyResponse.push_back({static_cast<TFiltreReponsesAgents>(kind), exclusif});
  const std::vector<Responses> someResponses = {{fraToutes, false}, {fraIgnore, false}, {fraRefuse, true}};

  // Every customer and request mode with a few response modes, and every response mode over all
  // customers and all requests (each comparison costs a round trip to the service).
  int compared = 0, nonEmpty = 0;
  const auto compare = [&](const Customers& c, TFiltreRequeteClient requete, const Responses& r) {
    TRemotableFiltre& f = filter.criteres;
    f.IdentificationClient = c.kind;
    f.ClientID = c.clientId;
    f.RequeteClient = requete;
    f.ReponsesAgents = r.kind;
    f.FiltreReponsesAgentsExclusif = r.exclusif;
    SCOPED_TRACE(testing::Message() << "customers " << static_cast<int>(c.kind) << "/" << c.clientId
                                    << ", requests " << static_cast<int>(requete) << ", responses "
                                    << static_cast<int>(r.kind) << (r.exclusif ? " exclusive" : ""));
    history.EzAssistance().close();
    history.EzAssistance().open();
    EXPECT_EQ(gateway.historyQueries, 1);  // all from the cache
    const std::vector<std::string> expected = serviceIds(f);
    EXPECT_EQ(shownIds(), expected);
    ++compared;
    nonEmpty += !expected.empty();
  };
  for (const Customers& c : customers)
    for (TFiltreRequeteClient requete : {frcPrisesEnCharge, frcNonPrisesEnCharge, frcToutes})
      for (const Responses& r : someResponses) compare(c, requete, r);
  for (const Responses& r : everyResponse) compare({ficTous, -1}, frcToutes, r);
  // The modes select something most of the time: the comparison is not between empty lists.
  EXPECT_GT(nonEmpty, compared / 2);
}

}  // namespace
}  // namespace corvane::records
