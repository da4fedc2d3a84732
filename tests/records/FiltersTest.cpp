// The history filter's logic and captions, and the details pane's visibility rules.

#include <gtest/gtest.h>

#include "FakeGateway.h"
#include "records/DateTimeText.h"
#include "records/DetailsAssistance.h"
#include "records/DmGestionClient.h"
#include "records/FiltresAssistances.h"
#include "records/SystemTimeZone.h"

namespace corvane::records {
namespace {

using namespace testing;
using enum TFiltreIdentificationClient;

constexpr TDateTime kToday = 45366;  // Friday 2024-03-15

class Filters : public ::testing::Test {
protected:
  Filters() {
    for (int i = 1; i <= 2; ++i) {
      TRemotableClient c;
      c.ClientID = std::to_string(40 + i);
      c.Identifiant = " CLI" + std::to_string(i);
      gateway.clients.push_back(c);
    }
  }
  FakeGateway gateway;
  TdmGestionClient clients{gateway};
  TFiltresAssistances filtre{[] { return kToday + 0.4; }, &clients};
};

TEST_F(Filters, StartsOnTodayWithEveryCriterion) {
  const TRemotableFiltre& f = filtre.filtreTravail();
  EXPECT_EQ(f.DateDebutInclue, kToday);
  EXPECT_EQ(f.DateFinNonInclue, kToday + 1);
  EXPECT_EQ(f.IdentificationClient, ficTous);
  EXPECT_EQ(f.ClientID, -1);
  EXPECT_EQ(filtre.LibelleComplet(), "Today. All clients. All requests handling. All response type");
  EXPECT_TRUE(filtre.aujourdhuiActif());
  EXPECT_TRUE(filtre.hierActif());
}

TEST_F(Filters, PeriodsAndCaptionsOfTheDateModes) {
  const struct {
    const char* name;
    std::function<void(TFiltresAssistances&)> set;
    int from, to;  // days from today
    std::string caption;
  } cases[] = {
      {"last 1 day", [](auto& f) { f.choisirMode(ModeDate::DerniersJours); }, 0, 1, "Today"},
      {"last 3 days", [](auto& f) { f.setNombreJours(3); f.choisirMode(ModeDate::DerniersJours); }, -2, 1, "Last 3 days"},
      {"yesterday", [](auto& f) { f.hier(); }, -1, 0, "Yesterday"},
      {"an older day", [](auto& f) { f.setJourPicker(kToday - 10); }, -10, -9, "05/03/2024"},
      {"range of one day from today", [](auto& f) { f.choisirMode(ModeDate::Intervalle); }, 0, 1, "Today"},
      {"range", [](auto& f) { f.choisirMode(ModeDate::Intervalle); f.setDebutPicker(kToday - 3); }, -3, 1,
       "12/03/2024 - 16/03/2024"},
      {"month", [](auto& f) { f.setMoisPicker(kToday - 20); f.choisirMode(ModeDate::Mois); }, -43, -14, "February 2024"},
      {"no limits", [](auto& f) { f.choisirMode(ModeDate::SansLimite); }, -45366, 1, "No date limits"},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    TFiltresAssistances f([] { return kToday + 0.4; }, nullptr);
    c.set(f);
    EXPECT_EQ(f.DateDebut(), kToday + c.from);
    EXPECT_EQ(f.DateFin(), kToday + c.to);
    EXPECT_EQ(f.LibellePeriode(), c.caption);
  }
}

TEST_F(Filters, StartAndEndStayInOrder) {
  filtre.choisirMode(ModeDate::Intervalle);
  filtre.setDebutPicker(kToday + 5);  // after the end picker
  EXPECT_EQ(filtre.DateFin(), kToday + 6);
  EXPECT_EQ(filtre.finPicker(), kToday + 6);
  filtre.setFinPicker(kToday - 2);  // before the start
  EXPECT_EQ(filtre.DateDebut(), kToday - 3);
  EXPECT_EQ(filtre.debutPicker(), kToday - 3);
  filtre.aujourdhui();
  EXPECT_EQ(filtre.DateDebut(), kToday);
  EXPECT_EQ(filtre.DateFin(), kToday + 1);
  filtre.choisirMode(ModeDate::Mois);
  EXPECT_FALSE(filtre.aujourdhuiActif());
  EXPECT_FALSE(filtre.hierActif());
}

TEST_F(Filters, ResponseCaptionsAndTheExclusiveCheckBox) {
  filtre.setReponses(TFiltreReponsesAgents::fraRefuse);
  EXPECT_EQ(filtre.LibelleReponses(), "Refused calls");
  filtre.setExclusif(true);
  EXPECT_TRUE(filtre.exclusifActif());
  EXPECT_EQ(filtre.LibelleReponses(), "Exclusively refused calls");
  filtre.setReponses(TFiltreReponsesAgents::fraProblemeReseau);
  EXPECT_EQ(filtre.LibelleReponses(), "Calls with exclusively network misconfigured");
  filtre.setReponses(TFiltreReponsesAgents::fraToutes);
  EXPECT_FALSE(filtre.exclusifActif());
  EXPECT_EQ(filtre.LibelleReponses(), "All response type");
  filtre.setRequete(TFiltreRequeteClient::frcNonPrisesEnCharge);
  EXPECT_EQ(filtre.LibellePageAssistances(), "Not handled assistance requests. All response type");
}

TEST_F(Filters, CustomerChoicesFollowTheCustomerRecordSet) {
  filtre.afficherPageClients();
  EXPECT_EQ(filtre.choixClient(), ChoixClient::Type);
  EXPECT_EQ(filtre.filtreTravail().IdentificationClient, ficTous);  // first visit changes nothing
  EXPECT_TRUE(clients.EzListeClients().active());
  filtre.choisirClientSpecifique();
  EXPECT_EQ(filtre.filtreTravail().IdentificationClient, ficSpecifique);
  EXPECT_EQ(filtre.filtreTravail().ClientID, 41);
  clients.EzListeClients().next();
  EXPECT_EQ(filtre.filtreTravail().ClientID, 42);
  EXPECT_EQ(filtre.LibelleClients(), "Client CLI2");
  clients.EzListeClients().close();
  EXPECT_EQ(filtre.LibelleClients(), "Specified client");
  filtre.setTypeClients(ficIdentifies);
  filtre.choisirType();
  EXPECT_EQ(filtre.LibelleClients(), "Only identified clients");
}

TEST_F(Filters, OkAppliesAfterASuccessfulReloadAndCancelRestores) {
  filtre.setReponses(TFiltreReponsesAgents::fraIgnore);
  EXPECT_THROW(filtre.ok([] { throw std::runtime_error("service down"); }), std::runtime_error);
  EXPECT_EQ(filtre.filtreTravail().ReponsesAgents, TFiltreReponsesAgents::fraIgnore);  // still edited
  EXPECT_EQ(filtre.filtreApplique().ReponsesAgents, TFiltreReponsesAgents::fraToutes);
  filtre.annuler();
  EXPECT_EQ(filtre.Criteres().ReponsesAgents, TFiltreReponsesAgents::fraToutes);  // a refresh uses the applied one

  filtre.choisirMode(ModeDate::DerniersJours);
  filtre.setNombreJours(7);
  int reloads = 0;
  filtre.ok([&] { ++reloads; });
  EXPECT_EQ(reloads, 1);
  EXPECT_EQ(filtre.modeApplique(), ModeDate::DerniersJours);
  filtre.choisirMode(ModeDate::Date);
  filtre.annuler();
  filtre.afficher();  // showing again brings back the applied mode and period
  EXPECT_EQ(filtre.modeCourant(), ModeDate::DerniersJours);
  EXPECT_EQ(filtre.DateDebut(), kToday - 6);
}

// ---- Details pane

TEST(DetailsPane, VisibilityFollowsLoginSelectionAndAgent) {
  FakeGateway gateway;
  TRemotableAgent agent;
  agent.AgentID = "3";
  agent.Login = "jdoe";
  agent.LoginVoiceOnIP = "sip:jdoe";
  gateway.agents.push_back(agent);
  for (const char* agentId : {"3", ""}) {
    TRemotableAssistance s;
    s.AssistanceID = std::string("A") + agentId;
    s.AgentID = agentId;
    s.Cloture = agentId[0] ? "RO" : "";
    s.DemandeDate = kToday + 0.5;
    gateway.sessions.push_back(s);
  }
  TestFilter filter;
  filter.debut = kToday;
  filter.fin = kToday + 1;
  TdmGestionAssistances history(gateway);
  history.setZoneLocale(LoadTimeZone("Europe/Paris"));
  history.setHorloge([] { return kToday + 0.6; });
  history.setFiltre(&filter);

  EtatDetailsAssistance closed = DetailsAssistance(history, true);
  EXPECT_FALSE(closed.sessionVisible);
  EXPECT_EQ(closed.titre, "(no selected assistance)");
  EXPECT_TRUE(closed.lignesCloture.empty());

  history.reload();
  EtatDetailsAssistance d = DetailsAssistance(history, true);
  EXPECT_TRUE(d.sessionVisible);
  EXPECT_EQ(d.titre, "");
  EXPECT_EQ(d.assistanceId, "A3");
  EXPECT_TRUE(d.agentVisible);
  EXPECT_EQ(d.agentLogin, "jdoe");
  EXPECT_EQ(d.agentVoIP, "sip:jdoe");
  ASSERT_EQ(d.lignesCloture.size(), 2u);
  EXPECT_EQ(d.lignesCloture[0].texte, "Refused");
  EXPECT_EQ(d.lignesCloture[0].couleurs.background, (Rgb{128, 128, 128}));
  EXPECT_EQ(d.lignesCloture[1].texte, "Accepted");
  EXPECT_EQ(d.lignesCloture[1].couleurs.background, (Rgb{0, 128, 0}));

  EXPECT_FALSE(DetailsAssistance(history, false).sessionVisible);  // logged out
  history.EzAssistance().next();
  EtatDetailsAssistance noAgent = DetailsAssistance(history, true);
  EXPECT_TRUE(noAgent.sessionVisible);
  EXPECT_FALSE(noAgent.agentVisible);
  EXPECT_TRUE(noAgent.lignesCloture.empty());
}

TEST(DateFormatting, PatternsWithTranslatedNamesAndSeparators) {
  const TDateTime t = service::EncodeDateTime({2024, 3, 5, 7, 8, 9, 10});
  EXPECT_EQ(FormatDateTime("hh:nn - dd mmm yyyy", t), "07:08 - 05 Mar 2024");
  EXPECT_EQ(FormatDateTime("dddd d/m/yy 'at' h:n:s.zzz", t), "Tuesday 5/3/24 at 7:8:9.010");
  DateFormatSettings german{'.', ':', "dd/mm/yyyy"};
  EXPECT_EQ(FormatDateTime("dd/mm/yyyy", t, german), "05.03.2024");
  EXPECT_EQ(FormatDateTime("MMMM", t), "March");
}

}  // namespace
}  // namespace corvane::records
